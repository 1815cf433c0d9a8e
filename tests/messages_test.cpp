// The online messages and the join code: every kind is taken whole, anything else is refused,
// and nothing a host sends is written past the canvas it is read into.
#include "net/messages.h"

#include "audio/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;
constexpr int Guard = 256;
unsigned char Cells[CanvasCells + Guard]; // a canvas and a guard tail behind it
unsigned char Out[MaxMessageBytes];
HostMessage FromHost;
FriendMessage FromFriend;

Bytes Sent(int size)
{
    return Bytes(Out, Out + size);
}

// Reads bytes as the host's (fromHost) or the friend's message; the guard tail stays whole.
bool Reads(bool fromHost, const Bytes& bytes)
{
    std::memset(Cells + CanvasCells, 0xa5, Guard);
    const bool taken = fromHost ? DecodeHostMessage(bytes.data(), bytes.size(), FromHost, Cells)
                                : DecodeFriendMessage(bytes.data(), bytes.size(), FromFriend);
    EXPECT_EQ(std::count(Cells + CanvasCells, Cells + CanvasCells + Guard, 0xa5), Guard);
    return taken;
}

// A frame's header and packed cells.
Bytes Frame(MessageKind kind, Bytes packed)
{
    packed.insert(packed.begin(), FrameHeaderBytes, 0);
    packed[0] = static_cast<unsigned char>(kind);
    return packed;
}
} // namespace

TEST(Messages, EachKindIsTakenWholeAndNothingElse)
{
    JoinCode code;
    ASSERT_TRUE(ParseJoinCode("0123abcXYZ", code));
    SoundMessage sounds[MaxMessageSounds + 1];
    for (int n = 0; n <= MaxMessageSounds; ++n)
    {
        sounds[n] = {n % 2 == 0 ? SoundSquare : FirstSampleSound + n % SampleCount,
                     static_cast<float>(n * 100), 0.4f, 0.6f, -0.75f + n * 0.03f};
    }
    const auto sound = [](const SoundMessage& one)
    { return Sent(EncodeSounds(true, &one, 1, Out)); };
    Bytes tooMany = Sent(EncodeSounds(true, sounds, 0, Out)); // a count past the most, whole
    tooMany[2] = MaxMessageSounds + 1;
    tooMany.resize(3 + (MaxMessageSounds + 1) * SoundBytes);
    constexpr unsigned char Skip = 192 + (CanvasCells - 2) / 256, By = (CanvasCells - 2) % 256;
    // Whether the host's message or the friend's, whether taken, the bytes. One taken is taken
    // whole: every shorter prefix and one byte more are refused.
    const std::tuple<bool, bool, Bytes> messages[] = {
        {false, true, Sent(EncodeHello(code, Out))},
        {false, true, Sent(EncodeKey(KeyCursorLeft, false, Out))},
        {false, true, Sent(EncodeAskFrame(Out))},
        {true, true, Sent(EncodeWelcome(Out))},
        {true, true, Sent(EncodeSounds(true, sounds, 2, Out))},
        {false, false, {KindHello, ProtocolVersion, 0, JoinCodeSymbols, 0, 0, 0, 0, 0, 0, 0, 0}},
        {false, false, {KindKey, 1, WireKeyCount}},
        {false, false, {KindKey, 2, 0}},
        {false, false, {KindWelcome}},
        {false, false, {0, 1, 0}},
        {true, false, {KindKey, 1, 0}},
        {true, false, {99}},
        {true, false, {KindSounds, 2, 0}},
        {true, false, tooMany},
        // Every number of a sound out of its range: sound, frequency, volume, send, pan.
        {true, false, sound({0, 0, 0, 0, 0})},
        {true, false, sound({SoundSwap + 1, 0, 0, 0, 0})},
        {true, false, sound({SoundSquare, -1, 0, 0, 0})},
        {true, false, sound({SoundSquare, 20001, 0, 0, 0})},
        {true, false, sound({SoundSquare, NAN, 0, 0, 0})},
        {true, false, sound({SoundStep, 0, 1.5f, 0, 0})},
        {true, false, sound({SoundStep, 0, 0, -0.1f, 0})},
        {true, false, sound({SoundStep, 0, 0, 0, 1.1f})},
        {true, false, sound({SoundStep, 0, 0, 0, INFINITY})},
        {true, false, Bytes(MaxFrameBytes + 1, KindFrame)},
        // Past the canvas by a cell: two literals on the last, a repeat of three on the last two,
        // a skip of two on the last; a skip of 16384.
        {true, false, Frame(KindFrame, {Skip, By, 1, 4, 4})},
        {true, false, Frame(KindDelta, {Skip, By - 1, 128, 4})},
        {true, false, Frame(KindFrame, {Skip, By, 192, 1})},
        {true, false, Frame(KindDelta, {255, 255})},
    };
    for (const auto& message : messages)
    {
        const auto& [fromHost, taken, bytes] = message;
        EXPECT_EQ(Reads(fromHost, bytes), taken) << &message - messages;
        for (std::size_t size = 0; taken && size <= bytes.size(); ++size)
        {
            Bytes other(bytes.begin(), bytes.begin() + size);
            other.resize(size < bytes.size() ? size : size + 1);
            EXPECT_FALSE(Reads(fromHost, other)) << int(bytes[0]) << " " << size;
        }
    }
    EXPECT_TRUE(Reads(true, Frame(KindDelta, {Skip, By, 0, 4}))); // the last cell exactly
    EXPECT_TRUE(Reads(true, Sent(EncodeDelta(65534, Cells, Cells, Out))) &&
                FromHost.frameNumber == 65534);

    // A key's number on the wire is fixed, whatever the order of the game's keys.
    const Key wire[] = {KeyCursorUp, KeyCursorDown, KeyCursorLeft, KeyCursorRight, KeyW, KeyS, KeyA,
                        KeyD,        Key1,          KeyOther,      KeySpace,       Key2, Key3};
    EXPECT_TRUE(WireKeyCount == 13 && std::equal(wire, wire + 13, WireKeys));

    ASSERT_TRUE(Reads(true, Sent(EncodeSounds(false, sounds, MaxMessageSounds + 1, Out))));
    ASSERT_TRUE(FromHost.soundCount == MaxMessageSounds && !FromHost.titleMusic); // as many as fit
    EXPECT_EQ(std::memcmp(FromHost.sounds, sounds, sizeof(SoundMessage) * MaxMessageSounds), 0);
}

TEST(JoinCode, TypedAsShownComparedWhole)
{
    JoinCode made, again, typed;
    ASSERT_TRUE(MakeJoinCode(made) && MakeJoinCode(again));
    EXPECT_FALSE(SameJoinCode(made, again)); // 50 random bits: equal once in 2^50
    char text[JoinCodeLength + 1];
    FormatJoinCode(made, text);
    ASSERT_TRUE(ParseJoinCode(text, typed));
    EXPECT_TRUE(SameJoinCode(made, typed));
    JoinCode first = made, last = made; // each differs in one symbol
    first.symbols[0] ^= 16;
    last.symbols[JoinCodeLength - 1] ^= 16;
    EXPECT_FALSE(SameJoinCode(made, first) || SameJoinCode(made, last));
    for (const char* bad :
         {"", "0123456789a", "012345678", "0123456!89", "01234567-9", "012345678\xc3", "0123456{89",
          "0123456@89", static_cast<const char*>(nullptr)})
    {
        EXPECT_FALSE(ParseJoinCode(bad, typed)) << (bad == nullptr ? "null" : bad);
    }
}
