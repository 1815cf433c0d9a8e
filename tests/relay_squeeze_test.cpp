// The relayed packets squeezed: a match's real frames come back byte for byte and cost a small
// share of their bytes once the history holds the frames before; what cannot be expanded is
// refused without a byte written past the output; and a packet the meeting point lost makes
// the other side ask for a fresh start, after which both go on.
#include "app/main_loop.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "net/frame_stream.h"
#include "net/relay_squeeze.h"
#include "platform/rand.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

SqueezeLine Host, Friend;
SqueezeHistory History;
unsigned char Squeezed[MaxSqueezedBytes];
unsigned char Out[RelayPacketBytes + 16];

// The host's frame messages of a match played for steps steps, each frame's as one packet, as
// the relayed link sends them: whole frames and the deltas on them.
std::vector<Bytes> MatchPackets(int steps)
{
    SeedRand(5);
    InitPalette();
    static GameTitle match;
    match = GameTitle();
    static FrameStream stream;
    static FramePieces pieces;
    RestartFrameStream(stream);
    std::vector<Bytes> packets;
    for (int step = 0; step < steps; ++step)
    {
        if (step % 20 == 5)
        {
            match.KeyDown(step % 40 == 5 ? ActionUp : ActionLeft);
        }
        else if (step % 20 == 7)
        {
            match.KeyUp(ActionUp), match.KeyUp(ActionLeft);
        }
        match.Step();
        ClearCanvas();
        match.Draw();
        if (NextFrameMessages(stream, ScreenCells, static_cast<unsigned>(step) * StepMs, pieces))
        {
            Bytes packet;
            for (int n = 0; n < pieces.count; ++n)
            {
                packet.insert(packet.end(), pieces.messages[n],
                              pieces.messages[n] + pieces.sizes[n]);
            }
            packets.push_back(packet);
        }
    }
    return packets;
}

// A packet from one line to the other: its squeezed bytes.
Bytes Send(SqueezeLine& from, const Bytes& plain)
{
    const int size = SqueezePacket(from, plain.data(), static_cast<int>(plain.size()), Squeezed);
    return Bytes(Squeezed, Squeezed + size);
}

// What the other line takes of it: the plain bytes, or nothing.
bool Take(SqueezeLine& to, const Bytes& squeezed, Bytes* plain = nullptr)
{
    const int size = ExpandPacket(to, squeezed.data(), static_cast<int>(squeezed.size()), Out);
    if (size >= 0 && plain != nullptr)
    {
        *plain = Bytes(Out, Out + size);
    }
    return size >= 0;
}

TEST(RelaySqueeze, AMatchsFramesComeBackWholeAtAFractionOfTheirBytes)
{
    const std::vector<Bytes> packets = MatchPackets(700); // over six whole frames
    ASSERT_GT(packets.size(), 100u);
    ResetSqueezeLine(Host);
    ResetSqueezeLine(Friend);
    std::size_t plainBytes = 0, squeezedBytes = 0;
    for (const Bytes& packet : packets)
    {
        const Bytes squeezed = Send(Host, packet);
        Bytes back;
        ASSERT_TRUE(Take(Friend, squeezed, &back));
        ASSERT_EQ(back, packet);
        plainBytes += packet.size();
        squeezedBytes += squeezed.size();
    }
    // The first whole frame alone, with nothing before it, takes under two thirds; over the
    // frames before, the stream takes under a fifth: a whole frame again is mostly matches.
    ResetSqueezeLine(Host);
    EXPECT_LT(Send(Host, packets[0]).size() * 3, packets[0].size() * 2);
    EXPECT_LT(squeezedBytes * 5, plainBytes);
}

TEST(RelaySqueeze, WhatCannotBeExpandedIsRefusedAndNothingPastTheOutputIsWritten)
{
    History.used = 0;
    const unsigned char eight[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    AddToHistory(History, eight, 8);
    const struct
    {
        Bytes in;
        int capacity;
        int made; // -1: refused
    } cases[] = {
        {{0x30, 'x', 'y', 'z'}, 3, 3},                        // three literals, room for three
        {{0x40, 'x', 'y', 'z', 'w'}, 3, -1},                  // four, room for three
        {{0x30, 'x', 'y'}, 16, -1},                           // literals cut short
        {{0x00, 0x00, 0x08}, 4, 4},                           // the history's first four
        {{0x00, 0x00, 0x09}, 16, -1},                         // before the history
        {{0x00, 0x00, 0x00}, 16, -1},                         // no distance
        {{0x01, 0x00, 0x08}, 4, -1},                          // five, room for four
        {{0x0f, 0x00, 0x01}, 64, -1},                         // its more length cut short
        {{0x0f, 0x00, 0x01, 255, 255, 255, 255, 0}, 100, -1}, // a bomb: 1039 from 8 bytes
        {{0x0f, 0x00, 0x01, 255, 0}, RelayPacketBytes, 274},  // a long run, within the room
        {{0x00, 0x00}, 16, -1},                               // the distance cut short
        {{0xf0, 3}, 16, -1},                                  // more literals than came
    };
    for (const auto& c : cases)
    {
        std::fill(Out, Out + sizeof Out, 0xa5);
        const int made =
            Expand(History, c.in.data(), static_cast<int>(c.in.size()), Out, c.capacity);
        EXPECT_EQ(made, c.made) << "case of " << c.in.size() << " bytes, room " << c.capacity;
        EXPECT_EQ(Out[c.capacity], 0xa5) << "written past the room of " << c.capacity;
    }
    std::fill(Out, Out + sizeof Out, 0xa5);
    ASSERT_EQ(Expand(History, cases[3].in.data(), 3, Out, 4), 4);
    EXPECT_EQ(Bytes(Out, Out + 4), (Bytes{'a', 'b', 'c', 'd'}));

    // A head cut short, or an epoch no game sends: not taken, and no fresh start asked for.
    ResetSqueezeLine(Friend);
    EXPECT_FALSE(Take(Friend, {0, 0, 0}));
    EXPECT_FALSE(Take(Friend, {SqueezeEpochs, 0, 0, 0, 0}));
    EXPECT_EQ(Send(Friend, {1})[3], 0);
}

TEST(RelaySqueeze, APacketLostOnTheWayIsMendedByAFreshStart)
{
    const std::vector<Bytes> packets = MatchPackets(120);
    ASSERT_GT(packets.size(), 8u);
    ResetSqueezeLine(Host);
    ResetSqueezeLine(Friend);
    ASSERT_TRUE(Take(Friend, Send(Host, packets[0])));
    ASSERT_TRUE(Take(Friend, Send(Host, packets[1])));
    Send(Host, packets[2]); // lost
    EXPECT_FALSE(Take(Friend, Send(Host, packets[3])));
    EXPECT_FALSE(Take(Friend, Send(Host, packets[4]))); // nothing more of that epoch

    // The friend's next packets ask; the first ask starts the host afresh, the ones that
    // crossed its fresh start do not again.
    const Bytes ask = Send(Friend, {1, 2});
    const Bytes askAgain = Send(Friend, {3, 4});
    EXPECT_EQ(ask[3], 128 + 0);
    ASSERT_TRUE(Take(Host, ask));
    const Bytes fresh = Send(Host, packets[5]);
    EXPECT_EQ(fresh[0], 1);
    EXPECT_EQ(fresh[1] << 8 | fresh[2], 0);
    ASSERT_TRUE(Take(Host, askAgain));
    const Bytes next = Send(Host, packets[6]);
    EXPECT_EQ(next[0], 1); // the same epoch goes on
    Bytes back;
    ASSERT_TRUE(Take(Friend, fresh, &back));
    EXPECT_EQ(back, packets[5]);
    ASSERT_TRUE(Take(Friend, next, &back));
    EXPECT_EQ(back, packets[6]);
    const Bytes quiet = Send(Friend, {5});
    EXPECT_EQ(quiet[3], 0); // asks no more
    ASSERT_TRUE(Take(Host, quiet));

    // Lost again, and the fresh start that mends it lost too: the packets after it are of the
    // new epoch, and the ask for that one starts another.
    Send(Host, packets[7]); // lost
    EXPECT_FALSE(Take(Friend, Send(Host, packets[8])));
    ASSERT_TRUE(Take(Host, Send(Friend, {6})));
    EXPECT_EQ(Send(Host, packets[7])[0], 2); // the fresh start, lost
    EXPECT_FALSE(Take(Friend, Send(Host, packets[8])));
    ASSERT_TRUE(Take(Host, Send(Friend, {7})));
    ASSERT_TRUE(Take(Friend, Send(Host, packets[8]), &back));
    EXPECT_EQ(back, packets[8]);
}
} // namespace
