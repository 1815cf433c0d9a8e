// The messages of online play: packing them into bytes, and checking what arrives.
#include "net/messages.h"

#include "audio/sounds.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
constexpr int LongestLiteral = 128; // cells after a control byte below 128
constexpr int ShortestRepeat = 3;   // a repeat of fewer cells packs no smaller than literals
constexpr int LongestRepeat = 66;
constexpr int RepeatBase = 125;    // a repeat's control byte is its length + 125
constexpr int FirstSkip = 192;     // control bytes from here on skip cells
constexpr int LongestSkip = 16384; // (255 - 192) * 256 + 255 + 1
constexpr int ShortestSkip = 3;    // a shorter stretch of kept cells goes as literals

// The background a whole frame packs over: a cleared canvas.
const unsigned char Background[CanvasCells] = {};

void PutFloat(unsigned char* out, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int n = 0; n < 4; ++n)
    {
        out[n] = static_cast<unsigned char>(bits >> (8 * n));
    }
}

// A float read back, or false when it is not a number or lies outside low..high.
bool GetFloat(const unsigned char* in, float low, float high, float& value)
{
    std::uint32_t bits = 0;
    for (int n = 0; n < 4; ++n)
    {
        bits |= static_cast<std::uint32_t>(in[n]) << (8 * n);
    }
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) && value >= low && value <= high;
}

bool IsSound(int sound)
{
    return sound == SoundSquare ||
           (sound >= FirstSampleSound && sound < FirstSampleSound + SampleCount);
}

// The length of the run of equal cells from cell n on, before end, at most LongestRepeat.
int RunLength(const unsigned char* cells, int n, int end)
{
    int length = 1;
    while (n + length < end && length < LongestRepeat && cells[n + length] == cells[n])
    {
        ++length;
    }
    return length;
}

// The number of cells from cell n on, before end, that keep the base's value.
int KeptLength(const unsigned char* base, const unsigned char* cells, int n, int end)
{
    int length = 0;
    while (n + length < end && cells[n + length] == base[n + length])
    {
        ++length;
    }
    return length;
}

// Packs band's cells over base into out (null: only counts); returns the bytes.
int PackBand(const unsigned char* base, const unsigned char* cells, int band, unsigned char* out)
{
    int written = 0;
    const auto put = [&](int byte)
    {
        out != nullptr ? static_cast<void>(out[written] = static_cast<unsigned char>(byte))
                       : void();
        ++written;
    };
    const int end = (band + 1) * BandCells;
    int n = band * BandCells;
    while (n < end)
    {
        const int kept = KeptLength(base, cells, n, end);
        if (kept >= ShortestSkip)
        {
            const int skip = kept < LongestSkip ? kept : LongestSkip;
            put(FirstSkip + (skip - 1) / 256);
            put((skip - 1) % 256);
            n += skip;
            continue;
        }
        const int run = RunLength(cells, n, end);
        if (run >= ShortestRepeat)
        {
            put(run + RepeatBase);
            put(cells[n]);
            n += run;
            continue;
        }
        // Literal cells up to the next run worth a repeat or a skip.
        int count = 1;
        while (n + count < end && count < LongestLiteral &&
               RunLength(cells, n + count, end) < ShortestRepeat &&
               KeptLength(base, cells, n + count, end) < ShortestSkip)
        {
            ++count;
        }
        put(count - 1);
        for (int k = 0; k < count; ++k)
        {
            put(cells[n + k]);
        }
        n += count;
    }
    return written;
}

// Unpacks one band over what cells holds, from in[read] on; false when a control or its
// cells would go past the band or the message. read moves past the band's bytes.
bool UnpackBand(const unsigned char* in, std::size_t size, std::size_t& read, int band,
                unsigned char* cells)
{
    int filled = band * BandCells;
    const int end = filled + BandCells;
    while (filled < end)
    {
        if (read >= size)
        {
            return false; // the band ends early
        }
        const int control = in[read++];
        if (control < LongestLiteral)
        {
            const int count = control + 1;
            if (count > end - filled || static_cast<std::size_t>(count) > size - read)
            {
                return false;
            }
            std::memcpy(cells + filled, in + read, static_cast<std::size_t>(count));
            read += static_cast<std::size_t>(count);
            filled += count;
            continue;
        }
        if (read >= size)
        {
            return false; // a repeat or a skip without its second byte
        }
        const int second = in[read++];
        const int count =
            control < FirstSkip ? control - RepeatBase : (control - FirstSkip) * 256 + second + 1;
        if (count > end - filled)
        {
            return false;
        }
        if (control < FirstSkip)
        {
            std::memset(cells + filled, second, static_cast<std::size_t>(count));
        }
        filled += count;
    }
    return true;
}

void PutNumber(unsigned number, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(number % 256);
    out[1] = static_cast<unsigned char>(number / 256 % 256);
}

unsigned GetNumber(const unsigned char* in)
{
    return in[0] + 256u * in[1];
}

// The place of a key in WireKeys, or -1 when it does not travel.
int WireNumber(Key key)
{
    for (int n = 0; n < WireKeyCount; ++n)
    {
        if (WireKeys[n] == key)
        {
            return n;
        }
    }
    return -1;
}

bool DecodeReport(const unsigned char* bytes, std::size_t size, FriendMessage& message)
{
    if (size < 4 || bytes[3] > MaxReportedPresses ||
        size != 4 + static_cast<std::size_t>(bytes[3]) * PressBytes)
    {
        return false;
    }
    message.had = GetNumber(bytes + 1);
    message.pressCount = bytes[3];
    const unsigned char* at = bytes + 4;
    for (int n = 0; n < message.pressCount; ++n, at += PressBytes)
    {
        if (at[2] >= WireKeyCount || at[3] > 1)
        {
            return false;
        }
        message.presses[n] = {GetNumber(at), WireKeys[at[2]], at[3] == 1, GetNumber(at + 4),
                              GetNumber(at + 6)};
    }
    return true;
}

bool DecodeSounds(const unsigned char* bytes, std::size_t size, HostMessage& message)
{
    if (size < 3 || bytes[1] > 1 || bytes[2] > MaxMessageSounds ||
        size != 3 + static_cast<std::size_t>(bytes[2]) * SoundBytes)
    {
        return false;
    }
    message.titleMusic = bytes[1] == 1;
    message.soundCount = bytes[2];
    const unsigned char* at = bytes + 3;
    for (int n = 0; n < message.soundCount; ++n, at += SoundBytes)
    {
        SoundMessage& sound = message.sounds[n];
        sound.sound = at[0];
        if (!IsSound(sound.sound) || !GetFloat(at + 1, 0.0f, MaxSoundFrequency, sound.frequency) ||
            !GetFloat(at + 5, 0.0f, 1.0f, sound.volume) ||
            !GetFloat(at + 9, 0.0f, 1.0f, sound.send) || !GetFloat(at + 13, -1.0f, 1.0f, sound.pan))
        {
            return false;
        }
    }
    return true;
}

bool DecodeBands(const unsigned char* bytes, std::size_t size, HostMessage& message,
                 unsigned char* cells)
{
    if (size < FrameHeaderBytes || size > MaxMessageBytes || bytes[3] >= FrameBands ||
        bytes[4] == 0 || bytes[4] > FrameBands - bytes[3])
    {
        return false;
    }
    message.frameNumber = static_cast<int>(GetNumber(bytes + 1));
    message.firstBand = bytes[3];
    message.bandCount = bytes[4];
    std::memcpy(message.palette, bytes + 5, PaletteBytes);
    std::size_t read = FrameHeaderBytes;
    for (int band = message.firstBand; band < message.firstBand + message.bandCount; ++band)
    {
        if (message.kind == KindFrame)
        {
            // A whole frame packs over the background.
            std::memset(cells + band * BandCells, 0, BandCells);
        }
        if (!UnpackBand(bytes, size, read, band, cells))
        {
            return false;
        }
    }
    return read == size;
}
} // namespace

bool FriendMayPress(Key key)
{
    return WireNumber(key) >= 0;
}

int EncodeHello(const unsigned char* nonce, unsigned char* out)
{
    out[0] = KindHello;
    out[1] = ProtocolVersion;
    std::memcpy(out + 2, nonce, NonceBytes);
    return 2 + NonceBytes;
}

int EncodeChallenge(const unsigned char* nonce, const unsigned char* proof, unsigned char* out)
{
    out[0] = KindChallenge;
    std::memcpy(out + 1, nonce, NonceBytes);
    std::memcpy(out + 1 + NonceBytes, proof, ProofBytes);
    return 1 + NonceBytes + ProofBytes;
}

int EncodeProof(const unsigned char* proof, unsigned char* out)
{
    out[0] = KindProof;
    std::memcpy(out + 1, proof, ProofBytes);
    return 1 + ProofBytes;
}

int EncodeWelcome(unsigned char* out)
{
    out[0] = KindWelcome;
    return 1;
}

int EncodeReport(unsigned had, const PressReport* presses, int count, unsigned char* out)
{
    count = count < MaxReportedPresses ? count : MaxReportedPresses;
    out[0] = KindReport;
    PutNumber(had, out + 1);
    out[3] = static_cast<unsigned char>(count);
    unsigned char* at = out + 4;
    for (int n = 0; n < count; ++n, at += PressBytes)
    {
        PutNumber(presses[n].number, at);
        at[2] = static_cast<unsigned char>(WireNumber(presses[n].key));
        at[3] = presses[n].released ? 1 : 0;
        PutNumber(presses[n].heldMs < 65535 ? presses[n].heldMs : 65535, at + 4);
        PutNumber(presses[n].agoMs < 65535 ? presses[n].agoMs : 65535, at + 6);
    }
    return static_cast<int>(at - out);
}

int EncodeAskFrame(int number, unsigned bands, unsigned char* out)
{
    out[0] = KindAskFrame;
    PutNumber(static_cast<unsigned>(number), out + 1);
    PutNumber(bands, out + 3);
    return 5;
}

int EncodeSounds(bool titleMusic, const SoundMessage* sounds, int count, unsigned char* out)
{
    count = count < MaxMessageSounds ? count : MaxMessageSounds;
    out[0] = KindSounds;
    out[1] = titleMusic ? 1 : 0;
    out[2] = static_cast<unsigned char>(count);
    unsigned char* at = out + 3;
    for (int n = 0; n < count; ++n, at += SoundBytes)
    {
        at[0] = static_cast<unsigned char>(sounds[n].sound);
        PutFloat(at + 1, sounds[n].frequency);
        PutFloat(at + 5, sounds[n].volume);
        PutFloat(at + 9, sounds[n].send);
        PutFloat(at + 13, sounds[n].pan);
    }
    return static_cast<int>(at - out);
}

void CapturePalette(unsigned char* palette)
{
    for (int colour = 0; colour < PaletteColours; ++colour)
    {
        for (int shade = 0; shade < 2; ++shade)
        {
            const CellRgba rgba = CellColour(static_cast<unsigned char>(colour), shade);
            unsigned char* entry = palette + (2 * colour + shade) * 3;
            entry[0] = static_cast<unsigned char>(rgba.red * 255.0f);
            entry[1] = static_cast<unsigned char>(rgba.green * 255.0f);
            entry[2] = static_cast<unsigned char>(rgba.blue * 255.0f);
        }
    }
}

void RestorePalette(const unsigned char* palette)
{
    // Half a step above the value, so that scaling back by 255 and truncating gives it again.
    for (int n = 0; n < PaletteBytes; ++n)
    {
        Palette[n] = (static_cast<float>(palette[n]) + 0.5f) / 255.0f;
    }
}

int EncodeBands(MessageKind kind, int number, int firstBand, int bandCount,
                const unsigned char* base, const unsigned char* cells, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(kind);
    PutNumber(static_cast<unsigned>(number), out + 1);
    out[3] = static_cast<unsigned char>(firstBand);
    out[4] = static_cast<unsigned char>(bandCount);
    CapturePalette(out + 5);
    int written = FrameHeaderBytes;
    for (int band = firstBand; band < firstBand + bandCount; ++band)
    {
        written += PackBand(base != nullptr ? base : Background, cells, band, out + written);
    }
    return written;
}

int BandBytes(const unsigned char* base, const unsigned char* cells, int band)
{
    return PackBand(base != nullptr ? base : Background, cells, band, nullptr);
}

bool DecodeFriendMessage(const unsigned char* bytes, std::size_t size, FriendMessage& message)
{
    if (size == 0)
    {
        return false;
    }
    message.kind = static_cast<MessageKind>(bytes[0]);
    switch (bytes[0])
    {
        case KindHello:
            if (size != 2 + NonceBytes)
            {
                return false;
            }
            message.version = bytes[1];
            std::memcpy(message.nonce, bytes + 2, NonceBytes);
            return true;
        case KindProof:
            if (size != 1 + ProofBytes)
            {
                return false;
            }
            std::memcpy(message.proof, bytes + 1, ProofBytes);
            return true;
        case KindReport:
            return DecodeReport(bytes, size, message);
        case KindAskFrame:
            message.frameNumber = size == 5 ? static_cast<int>(GetNumber(bytes + 1)) : 0;
            message.bands = size == 5 ? GetNumber(bytes + 3) : 0;
            return size == 5 && message.bands != 0 && message.bands < 1u << FrameBands;
        default:
            return false;
    }
}

bool DecodeHostMessage(const unsigned char* bytes, std::size_t size, HostMessage& message,
                       unsigned char* cells)
{
    if (size == 0)
    {
        return false;
    }
    message.kind = static_cast<MessageKind>(bytes[0]);
    switch (bytes[0])
    {
        case KindChallenge:
            if (size != 1 + NonceBytes + ProofBytes)
            {
                return false;
            }
            std::memcpy(message.nonce, bytes + 1, NonceBytes);
            std::memcpy(message.proof, bytes + 1 + NonceBytes, ProofBytes);
            return true;
        case KindWelcome:
            return size == 1;
        case KindSounds:
            return DecodeSounds(bytes, size, message);
        case KindFrame:
        case KindDelta:
            return DecodeBands(bytes, size, message, cells);
        default:
            return false;
    }
}
