// The messages of online play: what the host and the friend's game send each other, packed
// into bytes and checked whole before anything in them is used.
//
// Every message starts with its kind. Numbers are bytes, a frame's number two bytes (low
// first), and sounds' values little-endian 32-bit floats. The friend sends Hello (the join
// code), Key and AskFrame; the host sends Welcome, Sounds, Frame and Delta. A whole frame is
// its number, the palette's shown colours and the canvas; a delta is the number of the whole
// frame it builds on, the palette and only the cells that differ from that frame. Both pack
// their cells column after column as ScreenCells holds them, over a base (the background for
// a whole frame, the whole frame named for a delta): a control byte c below 128 is followed
// by c + 1 literal cells, one of 128..191 by one cell repeated c - 125 times (3..66), and one
// of 192 or more with the next byte b skips (c - 192) * 256 + b + 1 cells that keep the
// base's value; the cells after the last control keep it too.
#pragma once

#include "display/canvas.h"
#include "display/palette.h"
#include "match/controls.h"
#include "net/join_code.h"

#include <cstddef>

constexpr int FrameChannel = 0;    // unreliable and sequenced: a late frame is dropped
constexpr int ReliableChannel = 1; // everything else, in order
constexpr int LinkChannels = 2;
constexpr int ProtocolVersion = 2; // Hello carries it; the host refuses any other. It changes
                                   // whenever any message's bytes change

enum MessageKind
{
    KindHello = 1, // friend: version, then the join code's symbols
    KindKey,       // friend: a key went down (1) or up (0), then its place in WireKeys
    KindWelcome,   // host: the code was right, frames follow
    KindSounds,    // host: the music's state and the sounds started in one iteration
    KindFrame,     // host: a whole frame: its number, the palette's colours, the packed canvas
    KindDelta,     // host: the whole frame it builds on, the palette, the cells that changed
    KindAskFrame,  // friend: a delta came for a frame it does not hold: send a whole one
};

constexpr int MaxMessageSounds = 32;                 // sounds in one Sounds message
constexpr int SoundBytes = 17;                       // sound number, four floats
constexpr int PaletteBytes = PaletteColours * 2 * 3; // colour, shade, channel: 0..255 each
constexpr int FrameHeaderBytes = 3 + PaletteBytes;   // kind, frame number, palette
constexpr int MaxFrameBytes = FrameHeaderBytes + CanvasCells + (CanvasCells + 127) / 128;
constexpr int FrameNumbers = 65536;            // a whole frame's number counts up and wraps
constexpr int MaxMessageBytes = MaxFrameBytes; // no message is longer
constexpr int MaxShortMessageBytes = 3 + MaxMessageSounds * SoundBytes; // every one but a frame
constexpr float MaxSoundFrequency = 20000.0f;                           // Hz, for the square wave

// One sound as PlaySound takes it.
struct SoundMessage
{
    int sound;       // SoundSquare or a sample's number (audio/sounds.h)
    float frequency; // Hz, 0..20000
    float volume;    // 0..1
    float send;      // 0..1
    float pan;       // -1..1
};

// What the friend's game sends.
struct FriendMessage
{
    MessageKind kind; // KindHello, KindKey or KindAskFrame
    JoinCode code;    // Hello
    int version;      // Hello: 0..255, checked by the host
    Key key;          // Key: a game key the friend may press (FriendMayPress)
    bool down;        // Key: pressed, else released
};

// What the host sends; a frame's cells go to a buffer of the caller's.
struct HostMessage
{
    MessageKind kind;                      // KindWelcome, KindSounds, KindFrame or KindDelta
    bool titleMusic;                       // Sounds: no match runs on the host
    int soundCount;                        // Sounds: 0..32
    SoundMessage sounds[MaxMessageSounds]; // Sounds
    int frameNumber;                       // Frame: its own; Delta: the frame it builds on
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

// Each encoder writes one message into out and returns its length: a frame needs room for
// MaxMessageBytes, any other message for MaxShortMessageBytes.
int EncodeHello(const JoinCode& code, unsigned char* out);
int EncodeKey(Key key, bool down, unsigned char* out);
int EncodeWelcome(unsigned char* out);
int EncodeAskFrame(unsigned char* out);
// The first count of sounds (at most 32 are written) and the music's state.
int EncodeSounds(bool titleMusic, const SoundMessage* sounds, int count, unsigned char* out);
// A whole frame numbered number (0..65535): the palette as it shows now and the canvas cells.
int EncodeFrame(int number, const unsigned char* cells, unsigned char* out);
// A delta on whole frame number, whose cells were base: the palette as it shows now and the
// cells that differ from base. No cell differs: the palette alone.
int EncodeDelta(int number, const unsigned char* base, const unsigned char* cells,
                unsigned char* out);

// The palette's shown colours as the screen shows them: each entry clamped to 0..1 and
// scaled to 0..255 as the texture does.
void CapturePalette(unsigned char* palette);
// Sets the shown palette so that the screen shows exactly the captured colours.
void RestorePalette(const unsigned char* palette);

// The decoders check the whole message first: its kind, its exact length, and every number
// in its range; they return false for anything else, and then what they filled is not to be
// used. DecodeHostMessage unpacks a whole frame's cells into cells (CanvasCells bytes), and a
// delta's changed cells over what cells holds: the caller puts the delta's base there first.
// Nothing past cells' CanvasCells bytes is ever written.
bool DecodeFriendMessage(const unsigned char* bytes, std::size_t size, FriendMessage& message);
bool DecodeHostMessage(const unsigned char* bytes, std::size_t size, HostMessage& message,
                       unsigned char* cells);
