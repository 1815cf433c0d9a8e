// The online messages and the join code: every kind is taken whole, anything else is refused,
// and nothing a host sends is written outside the bands it names.
#include "net/messages.h"

#include "audio/sounds.h"
#include "net/join_code.h"

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

// A frame's header for bands first.. first + count - 1, then packed cells.
Bytes Bands(MessageKind kind, int first, int count, Bytes packed)
{
    packed.insert(packed.begin(), FrameHeaderBytes, 0);
    packed[0] = static_cast<unsigned char>(kind);
    packed[3] = static_cast<unsigned char>(first);
    packed[4] = static_cast<unsigned char>(count);
    return packed;
}
} // namespace

TEST(Messages, EachKindIsTakenWholeAndNothingElse)
{
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
    const unsigned char nonce[NonceBytes] = {1, 2, 3}, proof[ProofBytes] = {4, 5, 6};
    const PressReport presses[MaxReportedPresses + 1] = {
        {65535, KeyCursorLeft, false, 70000, 70000},
        {0, Key3, true, 12, 40},
        {1, KeyOther, false, 0, 0}};
    Bytes wrongKey = Sent(EncodeReport(7, presses, 1, Out)), letGoTwice = wrongKey;
    wrongKey[6] = WireKeyCount;
    letGoTwice[7] = 2;
    Bytes manyPresses = Sent(EncodeReport(7, presses, 0, Out));
    manyPresses[3] = MaxReportedPresses + 1;
    manyPresses.resize(4 + (MaxReportedPresses + 1) * PressBytes);
    constexpr unsigned char Skip = 192 + (BandCells - 2) / 256, By = (BandCells - 2) % 256;
    // Whether the host's message or the friend's, whether taken, the bytes. One taken is taken
    // whole: every shorter prefix and one byte more are refused.
    const std::tuple<bool, bool, Bytes> messages[] = {
        {false, true, Sent(EncodeHello(nonce, Out))},
        {false, true, Sent(EncodeProof(proof, Out))},
        {false, true, Sent(EncodeReport(65535, presses, 3, Out))},
        {false, true, Sent(EncodeAskFrame(65535, 0x8001, Out))},
        {true, true, Sent(EncodeChallenge(nonce, proof, Out))},
        {true, true, Sent(EncodeWelcome(Out))},
        {true, true, Sent(EncodeSounds(true, sounds, 2, Out))},
        {true, true, Bands(KindFrame, FrameBands - 2, 2, {Skip, By + 1, Skip, By - 1, 1, 1, 1})},
        {false, false, wrongKey},
        {false, false, letGoTwice},
        {false, false, manyPresses},
        {false, false, {KindAskFrame, 0, 0, 0, 0}},    // no band
        {false, false, {KindAskFrame, 0, 0, 0, 1, 0}}, // a band past the last
        {false, false, {KindWelcome}},
        {false, false, {0, 1, 0}},
        {true, false, Sent(EncodeProof(proof, Out))},
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
        {true, false, Bytes(MaxMessageBytes + 1, KindFrame)},
        // Bands that are not there: the first past the last, none, one past the last.
        {true, false, Bands(KindFrame, FrameBands, 1, {255, 255})},
        {true, false, Bands(KindDelta, 0, 0, {})},
        {true, false, Bands(KindFrame, FrameBands - 1, 2, {255, 255, 255, 255})},
        // Past the band by a cell: two literals on the last, a repeat of three on the last two,
        // a skip of two on the last; a skip of 16384.
        {true, false, Bands(KindFrame, 0, 1, {Skip, By, 1, 4, 4})},
        {true, false, Bands(KindDelta, 0, 1, {Skip, By - 1, 128, 4})},
        {true, false, Bands(KindFrame, 0, 1, {Skip, By, 192, 1})},
        {true, false, Bands(KindDelta, 0, 1, {255, 255})},
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
    // A press's number and time keep 16 bits, a longer hold reading as the longest.
    ASSERT_TRUE(Reads(false, Sent(EncodeReport(65535, presses, MaxReportedPresses + 1, Out))));
    EXPECT_EQ(FromFriend.pressCount, MaxReportedPresses);
    const PressReport& first = FromFriend.presses[0];
    EXPECT_TRUE(FromFriend.had == 65535 && first.number == 65535 && first.heldMs == 65535 &&
                first.agoMs == 65535 && first.key == KeyCursorLeft && !first.released &&
                FromFriend.presses[1].released && FromFriend.presses[1].agoMs == 40);

    // A key's number on the wire is fixed, whatever the order of the game's keys.
    const Key wire[] = {KeyCursorUp, KeyCursorDown, KeyCursorLeft, KeyCursorRight, KeyW, KeyS, KeyA,
                        KeyD,        Key1,          KeyOther,      KeySpace,       Key2, Key3};
    EXPECT_TRUE(WireKeyCount == 13 && std::equal(wire, wire + 13, WireKeys));

    ASSERT_TRUE(Reads(true, Sent(EncodeSounds(false, sounds, MaxMessageSounds + 1, Out))));
    ASSERT_TRUE(FromHost.soundCount == MaxMessageSounds && !FromHost.titleMusic); // as many as fit
    EXPECT_EQ(std::memcmp(FromHost.sounds, sounds, sizeof(SoundMessage) * MaxMessageSounds), 0);
}

// Any cells, packed band by band whole or over a base, read back as they were, into their
// bands and nowhere else, and no band ever packs longer than MaxBandBytes.
TEST(Messages, BandsComeBackAsTheyWentAndTouchNothingElse)
{
    static unsigned char base[CanvasCells], cells[CanvasCells];
    unsigned seed = 1;
    const auto draw = [&seed](int below)
    {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>(seed >> 16) % below;
    };
    for (int round = 0; round < 40; ++round)
    {
        // Noise, runs and base's own cells in stretches of every length, with one cell past a
        // run now and then.
        for (int n = 0; n < CanvasCells;)
        {
            const int length = 1 + draw(round % 4 == 0 ? 3 : 90), kind = draw(3);
            for (int k = 0; k < length && n < CanvasCells; ++k, ++n)
            {
                base[n] = static_cast<unsigned char>(draw(16));
                cells[n] = kind == 0   ? static_cast<unsigned char>(draw(16))
                           : kind == 1 ? static_cast<unsigned char>(length % 16)
                                       : base[n];
            }
        }
        const bool whole = round % 2 == 0;
        const int first = draw(FrameBands), count = 1 + draw(FrameBands - first);
        // As many of them as fit a message.
        int fitting = 0, bytes = FrameHeaderBytes;
        for (int band = first; band < first + count; ++band)
        {
            const int packed = BandBytes(whole ? nullptr : base, cells, band);
            ASSERT_LE(packed, MaxBandBytes);
            const bool fits = fitting == band - first && bytes + packed <= MaxMessageBytes;
            bytes += fits ? packed : 0;
            fitting += fits ? 1 : 0;
        }
        const int size = EncodeBands(whole ? KindFrame : KindDelta, 65535 - round, first, fitting,
                                     whole ? nullptr : base, cells, Out);
        ASSERT_EQ(size, bytes);
        std::memcpy(Cells, base, CanvasCells);
        ASSERT_TRUE(Reads(true, Sent(size))) << round;
        EXPECT_TRUE(FromHost.frameNumber == 65535 - round && FromHost.firstBand == first &&
                    FromHost.bandCount == fitting);
        const int from = first * BandCells, to = (first + fitting) * BandCells;
        EXPECT_TRUE(std::equal(Cells + from, Cells + to, cells + from)) << round;
        EXPECT_TRUE(std::equal(Cells, Cells + from, base) &&
                    std::equal(Cells + to, Cells + CanvasCells, base + to))
            << round;
    }
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
