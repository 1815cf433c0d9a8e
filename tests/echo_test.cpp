// Tests of the echo ring: where each head reads and feeds the ring, what it takes of an impulse
// and of the send, and saturation.
#include "audio/echo.h"

#include <gtest/gtest.h>
#include <tuple>
#include <utility>

namespace
{
// The frame's two channels as one comparable value.
std::pair<int, int> Channels(StereoFrame frame)
{
    return {frame.left, frame.right};
}
} // namespace

// Once a frame the forward head reads one place on, the fast head two places on and the
// backward head one place back, each wrapping at the ring's end. The output takes 0.24 of
// what the forward head reads and 0.19 of what the others read. The forward head leaves 0.25
// of it in its place, the backward head adds 0.25 of it, and the fast head adds 0.3 of it to
// the two places half a ring ahead. A frame's send goes in as 0.24 at the forward head, 0.34
// at both places ahead of the fast head and 0.29 at the backward head.
TEST(Echo, HeadsReadAndFeedTheRingInTheirTurn)
{
    // Where the heads start and the impulse lies, the frame the tested head reads it, what the
    // output takes of it, the places the head then feeds (fed, and fed + 1 too when twice) and
    // what each then holds.
    struct Case
    {
        int a, b, c, place, frame, tap, fed, stored;
        bool twice;
    };
    for (const Case& test : {Case{EchoLength - 1, 60000, 60001, 1, 2, 2400, 1, 2500, false},
                             Case{60001, EchoLength - 2, 60001, 2, 2, 1900, 52922, 3000, true},
                             Case{60001, 60000, 1, 105838, 3, 1900, 105838, 12500, false}})
    {
        InitEcho();
        EchoHeadA = test.a, EchoHeadB = test.b, EchoHeadC = test.c;
        EchoRing[test.place] = {10000, -10000};
        const WideFrame quiet[4] = {};
        StereoFrame out[4];
        RunEcho(quiet, quiet, out, 4);
        for (int frame = 0; frame < 4; ++frame)
        {
            const int tap = frame == test.frame ? test.tap : 0;
            EXPECT_EQ(Channels(out[frame]), std::pair(tap, -tap)) << test.place << " " << frame;
        }
        EXPECT_EQ(Channels(EchoRing[test.fed]), std::pair(test.stored, -test.stored));
        EXPECT_EQ(EchoRing[test.fed + 1].left, test.twice ? test.stored : 0);
    }
    InitEcho();
    EchoHeadA = 10, EchoHeadB = 20, EchoHeadC = 31;
    const WideFrame send = {10000, -10000}, dry = {5, -5};
    StereoFrame out;
    RunEcho(&send, &dry, &out, 1);
    EXPECT_EQ(Channels(out), std::pair(5, -5));
    EXPECT_EQ(std::tuple(EchoHeadA, EchoHeadB, EchoHeadC),
              std::tuple(11, 22, 30)); // moved on, kept
    for (auto [place, share] : {std::pair{10, 2400},
                                {20 + EchoHalfLength, 3400},
                                {21 + EchoHalfLength, 3400},
                                {22 + EchoHalfLength, 0},
                                {31, 2900}})
    {
        EXPECT_EQ(Channels(EchoRing[place]), std::pair(share, -share)) << place;
    }
}

TEST(Echo, LoudSumsSaturateInsteadOfWrapping)
{
    InitEcho();
    EchoHeadA = 100, EchoHeadB = 200;
    EchoRing[0] = {30000, -30000};
    EchoRing[200 + EchoHalfLength] = {32000, -32000};
    const WideFrame send = {40000, -40000}, dry = {32000, -32000}; // the send saturates too
    StereoFrame out;
    RunEcho(&send, &dry, &out, 1);
    for (const StereoFrame frame : {EchoRing[0], EchoRing[200 + EchoHalfLength], out})
    {
        EXPECT_EQ(Channels(frame), std::pair(32767, -32768));
    }
}
