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
constexpr int LongestRepeat = 130;
constexpr int RepeatBase = 125; // a repeat's control byte is its length + 125

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

// Unpacks cells; false unless the bytes fill the canvas exactly.
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
                return false; // past the canvas or the message
            }
            std::memcpy(cells + filled, in + read, static_cast<std::size_t>(count));
            read += static_cast<std::size_t>(count);
            filled += count;
        }
        else
        {
            const int count = control - RepeatBase;
            if (count > CanvasCells - filled || read >= size)
            {
                return false;
            }
            std::memset(cells + filled, in[read++], static_cast<std::size_t>(count));
            filled += count;
        }
    }
    return filled == CanvasCells;
}
} // namespace

bool FriendMayPress(Key key)
{
    return (key >= KeyCursorUp && key <= KeyD) || (key >= Key1 && key <= Key3) || key == KeyOther;
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
    out[2] = static_cast<unsigned char>(key);
    return 3;
}

int EncodeWelcome(unsigned char* out)
{
    out[0] = KindWelcome;
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

int EncodeFrame(const unsigned char* cells, unsigned char* out)
{
    out[0] = KindFrame;
    CapturePalette(out + 1);
    int written = 1 + PaletteBytes;
    int n = 0;
    while (n < CanvasCells)
    {
        const int run = RunLength(cells, n);
        if (run >= ShortestRepeat)
        {
            out[written++] = static_cast<unsigned char>(run + RepeatBase);
            out[written++] = cells[n];
            n += run;
            continue;
        }
        // Literal cells up to the next run worth a repeat.
        int count = 0;
        while (n + count < CanvasCells && count < LongestLiteral &&
               RunLength(cells, n + count) < ShortestRepeat)
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
            if (size != 3 || bytes[1] > 1 || bytes[2] >= KeyCount ||
                !FriendMayPress(static_cast<Key>(bytes[2])))
            {
                return false;
            }
            message.kind = KindKey;
            message.down = bytes[1] == 1;
            message.key = static_cast<Key>(bytes[2]);
            return true;
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
            if (size < 1 + PaletteBytes || size > MaxFrameBytes)
            {
                return false;
            }
            message.kind = KindFrame;
            std::memcpy(message.palette, bytes + 1, PaletteBytes);
            return UnpackCells(bytes + 1 + PaletteBytes, size - 1 - PaletteBytes, cells);
        default:
            return false;
    }
}
