// The messages of online play: what the host and the friend's game send each other, packed
// into bytes and checked whole before anything in them is used.
//
// Every message starts with its kind and is at most MaxMessageBytes long, so that it travels
// in one datagram of any link: nothing waits for the pieces of a longer one. Numbers are
// bytes, longer ones two bytes (low first), and sounds' values little-endian 32-bit floats.
//
//   friend  Hello      kind, ProtocolVersion, a fresh nonce (NonceBytes)
//   host    Challenge  kind, its own fresh nonce, the host's proof of the code (DigestBytes)
//   friend  Proof      kind, the friend's proof of the code
//   host    Welcome    kind
//   host    Sounds     kind, 1 with the title's music (else 0), the count (0..32), then per
//                      sound its number and four floats: frequency, volume, send, pan
//   host    Frame      kind, the frame's number, its first band, its band count, the palette,
//                      then each band's cells packed over the background
//   host    Delta      kind, the number of the whole frame it builds on, first band, band
//                      count, the palette, then each band's cells packed over that frame's
//   friend  Report     kind, the frame messages it has had (a count that wraps), the count of
//                      presses (0..MaxReportedPresses), then per press: its number, its key's
//                      place in WireKeys, 1 once let go (else 0), the ms it has been (or was)
//                      held, the ms since it went down
//   friend  AskFrame   kind, the number of the whole frame whose bands it lacks, and those
//                      bands as a mask (bit n: band n)
//
// The canvas goes in FrameBands bands of BandColumns columns each; a Frame or Delta carries a
// run of whole bands, as many as fit, so a whole frame is several such pieces, each shown as
// it comes. A band's cells are packed column after column as ScreenCells holds them, over a
// base (the background for a whole frame, the whole frame named for a delta), to the band's
// end: a control byte c below 128 is followed by c + 1 literal cells, one of 128..191 by one
// cell repeated c - 125 times (3..66), and one of 192 or more with the next byte b skips
// (c - 192) * 256 + b + 1 cells that keep the base's value.
//
// A proof is HMAC-SHA256 keyed by the code's key (net/code_key.h) over a label, the friend's
// nonce and the host's: ProofLabels[0] for the host's, [1] for the friend's. The code itself
// never travels, and a host that cannot prove it hears nothing made from it.
#pragma once

#include "display/canvas.h"
#include "display/palette.h"
#include "match/controls.h"

#include <cstddef>

constexpr int QuickChannel = 0;    // unreliable and sequenced: a late message is dropped
constexpr int ReliableChannel = 1; // in order, every message
constexpr int LinkChannels = 2;
constexpr int ProtocolVersion = 3; // Hello carries it; the host refuses any other. It changes
                                   // whenever any message's bytes change

enum MessageKind
{
    KindHello = 1, // friend: version, its nonce
    KindReport,    // friend: frame messages had, its latest presses
    KindWelcome,   // host: the proof was right, frames follow
    KindSounds,    // host: the music's state and the sounds started in one iteration
    KindFrame,     // host: bands of a whole frame
    KindDelta,     // host: bands of what changed since a whole frame
    KindAskFrame,  // friend: bands of a whole frame it lacks: send them again
    KindChallenge, // host: its nonce and its proof
    KindProof,     // friend: its proof
};

constexpr int MaxMessageBytes = 1200; // any message: one datagram, below what a link splits
constexpr int NonceBytes = 16;
constexpr int ProofBytes = 32;                       // HMAC-SHA256
constexpr int MaxMessageSounds = 32;                 // sounds in one Sounds message
constexpr int SoundBytes = 17;                       // sound number, four floats
constexpr int PaletteBytes = PaletteColours * 2 * 3; // colour, shade, channel: 0..255 each
constexpr int BandColumns = 8;
constexpr int FrameBands = CanvasWidth / BandColumns;
constexpr int BandCells = BandColumns * CanvasHeight;
constexpr int FrameHeaderBytes = 5 + PaletteBytes; // kind, number, first band, count, palette
constexpr int MaxBandBytes = BandCells + BandCells / 128; // a band of literals, packed
constexpr int FrameNumbers = 65536;   // a whole frame's number counts up and wraps
constexpr int MaxReportedPresses = 8; // the newest presses in a report
constexpr int PressBytes = 8;         // number, key, let go, ms held, ms since
constexpr int MaxShortMessageBytes = 3 + MaxMessageSounds * SoundBytes;    // all but a frame
constexpr int MaxFriendMessageBytes = 4 + MaxReportedPresses * PressBytes; // the friend's longest
constexpr float MaxSoundFrequency = 20000.0f; // Hz, for the square wave
static_assert(FrameHeaderBytes + MaxBandBytes <= MaxMessageBytes);
static_assert(MaxShortMessageBytes <= MaxMessageBytes);
static_assert(FrameBands <= 16 && FrameBands * BandColumns == CanvasWidth);

// What a proof is made over, before the two nonces.
constexpr char ProofLabels[2][16] = {"tumblequay host", "tumblequay join"};

// One sound as PlaySound takes it.
struct SoundMessage
{
    int sound;       // SoundSquare or a sample's number (audio/sounds.h)
    float frequency; // Hz, 0..20000
    float volume;    // 0..1
    float send;      // 0..1
    float pan;       // -1..1
};

// One press of the friend's as a report carries it.
struct PressReport
{
    unsigned number; // 0..65535, counting up from the friend's first press and wrapping
    Key key;         // one FriendMayPress allows
    bool released;   // let go: heldMs is the whole press
    unsigned heldMs; // 0..65535: how long it has been (or was) held
    unsigned agoMs;  // 0..65535: how long ago it went down, as the report goes
};

// What the friend's game sends.
struct FriendMessage
{
    MessageKind kind;                        // KindHello, KindProof, KindReport or KindAskFrame
    int version;                             // Hello: 0..255, checked by the host
    unsigned char nonce[NonceBytes];         // Hello
    unsigned char proof[ProofBytes];         // Proof
    unsigned had;                            // Report: 0..65535
    int pressCount;                          // Report: 0..MaxReportedPresses
    PressReport presses[MaxReportedPresses]; // Report, as sent
    int frameNumber;                         // AskFrame
    unsigned bands;                          // AskFrame: 1..65535
};

// What the host sends; a frame's cells go to a buffer of the caller's.
struct HostMessage
{
    MessageKind kind;                // KindChallenge, KindWelcome, KindSounds, KindFrame, KindDelta
    unsigned char nonce[NonceBytes]; // Challenge
    unsigned char proof[ProofBytes]; // Challenge
    bool titleMusic;                 // Sounds: no match runs on the host
    int soundCount;                  // Sounds: 0..32
    SoundMessage sounds[MaxMessageSounds]; // Sounds
    int frameNumber;                       // Frame: its own; Delta: the frame it builds on
    int firstBand;                         // Frame, Delta: 0..FrameBands - 1
    int bandCount;                         // Frame, Delta: 1..FrameBands - firstBand
    unsigned char palette[PaletteBytes];   // Frame, Delta: Palette entry order, clamped, x 255
};

// The keys a friend's game passes on: the match's keys, 1 to 3, space and any other key. Escape,
// Print Screen and Alt+Enter act on the friend's own side and never travel. On the wire a key is
// its place in WireKeys, not its Key value, so that a new game key leaves the bytes as
// they are; a key added here goes at the end, with a new ProtocolVersion.
constexpr Key WireKeys[] = {KeyCursorUp, KeyCursorDown, KeyCursorLeft, KeyCursorRight, KeyW,
                            KeyS,        KeyA,          KeyD,          Key1,           KeyOther,
                            KeySpace,    Key2,          Key3};
constexpr unsigned char WireKeyCount = sizeof WireKeys / sizeof WireKeys[0];
bool FriendMayPress(Key key);

// Each encoder writes one message into out, which has room for MaxMessageBytes, and returns
// its length.
int EncodeHello(const unsigned char* nonce, unsigned char* out);
int EncodeChallenge(const unsigned char* nonce, const unsigned char* proof, unsigned char* out);
int EncodeProof(const unsigned char* proof, unsigned char* out);
int EncodeWelcome(unsigned char* out);
// The first count presses (at most MaxReportedPresses are written), each with a key that
// FriendMayPress allows, and the frame messages had.
int EncodeReport(unsigned had, const PressReport* presses, int count, unsigned char* out);
int EncodeAskFrame(int number, unsigned bands, unsigned char* out);
// The first count of sounds (at most 32 are written) and the music's state.
int EncodeSounds(bool titleMusic, const SoundMessage* sounds, int count, unsigned char* out);
// Bands firstBand .. firstBand + bandCount - 1 of a whole frame numbered number (0..65535), or
// of a delta on whole frame number whose cells were base: the palette as it shows now and the
// cells, packed over the background or over base. The caller sees that they fit
// (BandBytes).
int EncodeBands(MessageKind kind, int number, int firstBand, int bandCount,
                const unsigned char* base, const unsigned char* cells, unsigned char* out);
// The bytes band takes packed over base (the background when base is null).
int BandBytes(const unsigned char* base, const unsigned char* cells, int band);

// The palette's shown colours as the screen shows them: each entry clamped to 0..1 and
// scaled to 0..255 as the texture does.
void CapturePalette(unsigned char* palette);
// Sets the shown palette so that the screen shows exactly the captured colours.
void RestorePalette(const unsigned char* palette);

// The decoders check the whole message first: its kind, its exact length, and every number
// in its range; they return false for anything else, and then what they filled is not to be
// used. DecodeHostMessage unpacks a Frame's bands into cells (CanvasCells bytes) and a Delta's
// changed cells over what cells holds there: the caller puts the delta's base there first.
// Nothing but the bands named is ever written.
bool DecodeFriendMessage(const unsigned char* bytes, std::size_t size, FriendMessage& message);
bool DecodeHostMessage(const unsigned char* bytes, std::size_t size, HostMessage& message,
                       unsigned char* cells);
