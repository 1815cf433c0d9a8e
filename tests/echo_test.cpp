// Tests of the echo ring: where each head reads and writes, where it wraps, and saturation.
#include "audio/echo.h"

#include <gtest/gtest.h>

TEST(Echo, HeadsStepAndWrapAtTheirPoints)
{
    InitEcho();
    RunEcho({0, 0}, {0, 0});
    EXPECT_EQ(EchoHeadA, 1);
    EXPECT_EQ(EchoHeadB, 2);
    EXPECT_EQ(EchoHeadC, EchoLength - 1);
    for (int frame = 1; frame < EchoHalfLength; ++frame)
    {
        RunEcho({0, 0}, {0, 0});
    }
    EXPECT_EQ(EchoHeadB, 0); // even all the way, back to 0 exactly at the end of the ring
    EXPECT_EQ(EchoHeadA, EchoHalfLength);
    for (int frame = 0; frame < EchoHalfLength; ++frame)
    {
        RunEcho({0, 0}, {0, 0});
    }
    EXPECT_EQ(EchoHeadA, 0);
    EXPECT_EQ(EchoHeadB, 0);
    EXPECT_EQ(EchoHeadC, 0);
}

TEST(Echo, EachHeadTakesItsShareOfTheSend)
{
    InitEcho();
    const StereoFrame out = RunEcho({1000, -1000}, {5, -5});
    // The forward head leaves 0.24 of the send; the fast head reads that and writes 0.3 of it
    // plus 0.34 of the send half a ring ahead, twice; the backward head adds to its own cell.
    EXPECT_EQ(EchoRing[0].left, 240 + 60 + 290);
    EXPECT_EQ(EchoRing[0].right, -(240 + 60 + 290));
    EXPECT_EQ(EchoRing[EchoHalfLength].left, 72 + 340);
    EXPECT_EQ(EchoRing[EchoHalfLength + 1].right, -(72 + 340));
    EXPECT_EQ(EchoRing[EchoHalfLength + 2].left, 0);
    EXPECT_EQ(out.left, 5 + 0 + 45 + 45);
    EXPECT_EQ(out.right, -(5 + 0 + 45 + 45));

    // Next frame: the forward head reads back what it did not write yet (0).
    EchoRing[1] = {400, 400};
    const StereoFrame second = RunEcho({0, 0}, {0, 0});
    EXPECT_EQ(EchoRing[1].left, 100);
    EXPECT_EQ(second.left, 96); // 0.24 of 400; the other heads read empty cells
}

TEST(Echo, FastHeadWritesAcrossTheEndOfTheRing)
{
    InitEcho();
    EchoHeadA = 30000;
    EchoHeadC = 30000;
    EchoHeadB = EchoHalfLength - 2;
    EchoRing[EchoHalfLength - 2] = {1000, 0};
    EchoRing[EchoHalfLength] = {0, 1000};
    RunEcho({0, 0}, {0, 0});
    EXPECT_EQ(EchoRing[EchoLength - 2].left, 300);
    EXPECT_EQ(EchoRing[EchoLength - 1].left, 300);
    RunEcho({0, 0}, {0, 0});
    EXPECT_EQ(EchoRing[0].right, 300);
    EXPECT_EQ(EchoRing[1].right, 300);
}

TEST(Echo, LoudSumsSaturateInsteadOfWrapping)
{
    InitEcho();
    EchoHeadA = 100;
    EchoHeadB = 200;
    EchoRing[0] = {30000, -30000};
    EchoRing[200 + EchoHalfLength] = {32000, -32000};
    const StereoFrame out = RunEcho({32767, -32768}, {32000, -32000});
    EXPECT_EQ(EchoRing[0].left, 32767);
    EXPECT_EQ(EchoRing[0].right, -32768);
    EXPECT_EQ(EchoRing[200 + EchoHalfLength].left, 32767);
    EXPECT_EQ(EchoRing[200 + EchoHalfLength].right, -32768);
    EXPECT_EQ(out.left, 32767);
    EXPECT_EQ(out.right, -32768);
}
