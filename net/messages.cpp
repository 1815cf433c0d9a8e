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

// The length of the run of equal cells from cell n on, at most LongestRepeat.
int RunLength(const unsigned char* cells, int n)
{
    int length = 1;
    while (n + length < CanvasCells && length < LongestRepeat && cells[n + length] == cells[n])
    {
        ++length;
    }
    return length;
}

// The number of cells from cell n on that keep the base's value.
int KeptLength(const unsigned char* base, const unsigned char* cells, int n)
{
    int length = 0;
    while (n + length < CanvasCells && cells[n + length] == base[n + length])
    {
        ++length;
    }
    return length;
}

// Packs the cells over base into out; returns the bytes written.
int PackCells(const unsigned char* base, const unsigned char* cells, unsigned char* out)
{
    int written = 0;
    int n = 0;
    while (n < CanvasCells)
    {
        const int kept = KeptLength(base, cells, n);
        if (n + kept == CanvasCells)
        {
            break; // the rest keeps the base's value
        }
        if (kept >= ShortestSkip)
        {
            const int skip = kept < LongestSkip ? kept : LongestSkip;
            out[written++] = static_cast<unsigned char>(FirstSkip + (skip - 1) / 256);
            out[written++] = static_cast<unsigned char>((skip - 1) % 256);
            n += skip;
            continue;
        }
        const int run = RunLength(cells, n);
        if (run >= ShortestRepeat)
        {
            out[written++] = static_cast<unsigned char>(run + RepeatBase);
            out[written++] = cells[n];
            n += run;
            continue;
        }
        // Literal cells up to the next run worth a repeat or a skip.
        int count = 1;
        while (n + count < CanvasCells && count < LongestLiteral &&
               RunLength(cells, n + count) < ShortestRepeat &&
               KeptLength(base, cells, n + count) < ShortestSkip)
        {
            ++count;
        }
        out[written++] = static_cast<unsigned char>(count - 1);
        std::memcpy(out + written, cells + n, static_cast<std::size_t>(count));
        written += count;
        n += count;
    }
    return written;
}

// Unpacks cells over what cells holds; false when a control or its cells would go past the
// canvas or the message.
bool UnpackCells(const unsigned char* in, std::size_t size, unsigned char* cells)
{
    std::size_t read = 0;
    int filled = 0;
    while (read < size)
    {
        const int control = in[read++];
        if (control < LongestLiteral)
        {
            const int count = control + 1;
            if (count > CanvasCells - filled || static_cast<std::size_t>(count) > size - read)
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
        if (control < FirstSkip)
        {
            const int count = control - RepeatBase;
            if (count > CanvasCells - filled)
            {
                return false;
            }
            std::memset(cells + filled, second, static_cast<std::size_t>(count));
            filled += count;
        }
        else
        {
            const int count = (control - FirstSkip) * 256 + second + 1;
            if (count > CanvasCells - filled)
            {
                return false;
            }
            filled += count;
        }
    }
    return true;
}

int PutFrameHeader(MessageKind kind, int number, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(kind);
    out[1] = static_cast<unsigned char>(number % 256);
    out[2] = static_cast<unsigned char>(number / 256 % 256);
    CapturePalette(out + 3);
    return FrameHeaderBytes;
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
} // namespace

bool FriendMayPress(Key key)
{
    return WireNumber(key) >= 0;
}

int EncodeHello(const JoinCode& code, unsigned char* out)
{
    out[0] = KindHello;
    out[1] = ProtocolVersion;
    std::memcpy(out + 2, code.symbols, JoinCodeLength);
    return 2 + JoinCodeLength;
}

int EncodeKey(Key key, bool down, unsigned char* out)
{
    out[0] = KindKey;
    out[1] = down ? 1 : 0;
    out[2] = static_cast<unsigned char>(WireNumber(key));
    return 3;
}

int EncodeWelcome(unsigned char* out)
{
    out[0] = KindWelcome;
    return 1;
}

int EncodeAskFrame(unsigned char* out)
{
    out[0] = KindAskFrame;
    return 1;
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

int EncodeFrame(int number, const unsigned char* cells, unsigned char* out)
{
    const int header = PutFrameHeader(KindFrame, number, out);
    return header + PackCells(Background, cells, out + header);
}

int EncodeDelta(int number, const unsigned char* base, const unsigned char* cells,
                unsigned char* out)
{
    const int header = PutFrameHeader(KindDelta, number, out);
    return header + PackCells(base, cells, out + header);
}

bool DecodeFriendMessage(const unsigned char* bytes, std::size_t size, FriendMessage& message)
{
    if (size == 0)
    {
        return false;
    }
    switch (bytes[0])
    {
        case KindHello:
            if (size != 2 + JoinCodeLength)
            {
                return false;
            }
            message.kind = KindHello;
            message.version = bytes[1];
            for (int n = 0; n < JoinCodeLength; ++n)
            {
                if (bytes[2 + n] >= JoinCodeSymbols)
                {
                    return false;
                }
                message.code.symbols[n] = bytes[2 + n];
            }
            return true;
        case KindKey:
            if (size != 3 || bytes[1] > 1 || bytes[2] >= WireKeyCount)
            {
                return false;
            }
            message.kind = KindKey;
            message.down = bytes[1] == 1;
            message.key = WireKeys[bytes[2]];
            return true;
        case KindAskFrame:
            message.kind = KindAskFrame;
            return size == 1;
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
    switch (bytes[0])
    {
        case KindWelcome:
            message.kind = KindWelcome;
            return size == 1;
        case KindSounds:
        {
            if (size < 3 || bytes[1] > 1 || bytes[2] > MaxMessageSounds ||
                size != 3 + static_cast<std::size_t>(bytes[2]) * SoundBytes)
            {
                return false;
            }
            message.kind = KindSounds;
            message.titleMusic = bytes[1] == 1;
            message.soundCount = bytes[2];
            const unsigned char* at = bytes + 3;
            for (int n = 0; n < message.soundCount; ++n, at += SoundBytes)
            {
                SoundMessage& sound = message.sounds[n];
                sound.sound = at[0];
                if (!IsSound(sound.sound) ||
                    !GetFloat(at + 1, 0.0f, MaxSoundFrequency, sound.frequency) ||
                    !GetFloat(at + 5, 0.0f, 1.0f, sound.volume) ||
                    !GetFloat(at + 9, 0.0f, 1.0f, sound.send) ||
                    !GetFloat(at + 13, -1.0f, 1.0f, sound.pan))
                {
                    return false;
                }
            }
            return true;
        }
        case KindFrame:
        case KindDelta:
            if (size < FrameHeaderBytes || size > MaxFrameBytes)
            {
                return false;
            }
            message.kind = static_cast<MessageKind>(bytes[0]);
            message.frameNumber = bytes[1] + 256 * bytes[2];
            std::memcpy(message.palette, bytes + 3, PaletteBytes);
            if (message.kind == KindFrame)
            {
                std::memset(cells, 0, CanvasCells); // a whole frame packs over the background
            }
            return UnpackCells(bytes + FrameHeaderBytes, size - FrameHeaderBytes, cells);
        default:
            return false;
    }
}
