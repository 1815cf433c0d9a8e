// Tests of the echo ring: where each head reads and writes, where it wraps, and saturation.
#include "audio/echo.h"

#include <gtest/gtest.h>

namespace
{
StereoFrame EchoOne(StereoFrame send, WideFrame dry)
{
    const WideFrame wideSend = {send.left, send.right};
    StereoFrame out;
    RunEcho(&wideSend, &dry, &out, 1);
    return out;
}
} // namespace

TEST(Echo, HeadsStepAndWrapAtTheirPoints)
{
    InitEcho();
    EchoOne({0, 0}, {0, 0});
    EXPECT_EQ(EchoHeadA + EchoHeadB + EchoHeadC, 1 + 2 + EchoLength - 1);
    for (int frame = 1; frame < EchoHalfLength; ++frame)
    {
        EchoOne({0, 0}, {0, 0});
    }
    EXPECT_EQ(EchoHeadB, 0); // even all the way, back to 0 exactly at the end of the ring
    EXPECT_EQ(EchoHeadC, EchoHalfLength);
    for (int frame = 0; frame < EchoHalfLength; ++frame)
    {
        EchoOne({0, 0}, {0, 0});
    }
    EXPECT_EQ(EchoHeadA + EchoHeadB + EchoHeadC, 0);
}

TEST(Echo, EachHeadTakesItsShareOfTheSend)
{
    InitEcho();
    EchoRing[1] = {400, 400};
    const StereoFrame out = EchoOne({1000, -1000}, {5, -5});
    // The forward head leaves 0.24 of the send; the fast head reads that and adds 0.3 of it
    // and 0.34 of the send to two cells half a ring ahead; the backward head adds 0.25 of its
    // cell and 0.29 of the send; the output takes 0.19 of each of those two heads' reads.
    EXPECT_EQ(EchoRing[0].left, 240 + 60 + 290);
    EXPECT_EQ(EchoRing[0].right, -(240 + 60 + 290));
    EXPECT_EQ(EchoRing[EchoHalfLength].left, 72 + 340);
    EXPECT_EQ(EchoRing[EchoHalfLength + 1].right, -(72 + 340));
    EXPECT_EQ(out.left, 5 + 45 + 45);
    EXPECT_EQ(out.right, -(5 + 45 + 45));
    EXPECT_EQ(EchoOne({0, 0}, {0, 0}).left, 96); // 0.24 of what the forward head finds
    EXPECT_EQ(EchoRing[1].left, 100);

    InitEcho();
    EchoHeadB = EchoHalfLength - 2;
    EchoRing[EchoHalfLength - 2] = {1000, 1000};
    EchoRing[EchoHalfLength] = {1000, 1000};
    EchoOne({0, 0}, {0, 0});
    EchoOne({0, 0}, {0, 0});
    // The fast head writes across the end of the ring; the backward head passed the last cell.
    EXPECT_EQ(EchoRing[EchoLength - 2].left, 300);
    EXPECT_EQ(EchoRing[EchoLength - 1].left, 300 + 75);
    EXPECT_EQ(EchoRing[0].left, 300);
    EXPECT_EQ(EchoRing[1].left, 300);
}

TEST(Echo, LoudSumsSaturateInsteadOfWrapping)
{
    InitEcho();
    EchoHeadA = 100;
    EchoHeadB = 200;
    EchoRing[0] = {30000, -30000};
    EchoRing[200 + EchoHalfLength] = {32000, -32000};
    const StereoFrame out = EchoOne({32767, -32768}, {32000, -32000});
    EXPECT_EQ(EchoRing[0].left, 32767);
    EXPECT_EQ(EchoRing[0].right, -32768);
    EXPECT_EQ(EchoRing[200 + EchoHalfLength].left, 32767);
    EXPECT_EQ(out.left, 32767);
    EXPECT_EQ(out.right, -32768);
}
