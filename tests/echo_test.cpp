// Tests of the echo ring: where each head reads and writes, where it wraps, and saturation.
#include "audio/echo.h"

#include "audio/lanes.h"

#include <cstdint>

#include <gtest/gtest.h>
#include <vector>

namespace
{
// Runs the echo over frames frames fed with send and dry; returns the last output frame.
StereoFrame Echo(int frames, WideFrame send = {0, 0}, WideFrame dry = {0, 0})
{
    const std::vector<WideFrame> sends(frames, send), drys(frames, dry);
    std::vector<StereoFrame> out(frames);
    RunEcho(sends.data(), drys.data(), out.data(), frames);
    return out.back();
}
} // namespace

TEST(Echo, HeadsStepAndWrapAtTheirPoints)
{
    InitEcho();
    Echo(1);
    EXPECT_EQ(EchoHeadA + EchoHeadB + EchoHeadC, 1 + 2 + EchoLength - 1);
    Echo(EchoHalfLength - 1);
    EXPECT_EQ(EchoHeadB, 0); // even all the way, back to 0 exactly at the end of the ring
    EXPECT_EQ(EchoHeadC, EchoHalfLength);
    Echo(EchoHalfLength);
    EXPECT_EQ(EchoHeadA + EchoHeadB + EchoHeadC, 0);

    EchoHeadB = EchoHalfLength - 2;
    EchoRing[EchoHalfLength - 2] = {1000, 1000};
    EchoRing[EchoHalfLength] = {1000, 1000};
    Echo(2);
    // The fast head writes across the end of the ring; the backward head passed the last cell.
    EXPECT_EQ(EchoRing[EchoLength - 2].left, 300);
    EXPECT_EQ(EchoRing[EchoLength - 1].left, 300 + 75);
    EXPECT_EQ(EchoRing[0].left + EchoRing[1].left, 600);
}

TEST(Echo, EachHeadTakesItsShareOfTheSend)
{
    InitEcho();
    EchoRing[1] = {400, 400};
    const StereoFrame out = Echo(1, {1000, -1000}, {5, -5});
    // The forward head leaves 0.24 of the send; the fast head reads that and adds 0.3 of it
    // and 0.34 of the send to two cells half a ring ahead; the backward head adds 0.25 of its
    // cell and 0.29 of the send; the output takes 0.19 of each of those two heads' reads.
    EXPECT_EQ(EchoRing[0].left, 240 + 60 + 290);
    EXPECT_EQ(EchoRing[0].right, -(240 + 60 + 290));
    EXPECT_EQ(EchoRing[EchoHalfLength].left, 72 + 340);
    EXPECT_EQ(EchoRing[EchoHalfLength + 1].right, -(72 + 340));
    EXPECT_EQ(out.left * 1000 + out.right, (5 + 45 + 45) * 1000 - (5 + 45 + 45));
    EXPECT_EQ(Echo(1).left, 96); // 0.24 of what the forward head finds
    EXPECT_EQ(EchoRing[1].left, 100);
}

TEST(Echo, LoudSumsSaturateInsteadOfWrapping)
{
    InitEcho();
    EchoHeadA = 100;
    EchoHeadB = 200;
    EchoRing[0] = {30000, -30000};
    EchoRing[200 + EchoHalfLength] = {32000, -32000};
    const StereoFrame out = Echo(1, {40000, -40000}, {32000, -32000}); // the send saturates too
    for (const StereoFrame frame : {EchoRing[0], EchoRing[200 + EchoHalfLength], out})
    {
        EXPECT_EQ(frame.left * 100000ll + frame.right, 3276700000ll - 32768);
    }
}

TEST(Echo, PackedSaturationMatchesThePlainClamp)
{
    const std::int32_t values[] = {INT32_MIN, -65536, -32769, -32768, -32767, -1,       0,
                                   1,         32766,  32767,  32768,  65535,  INT32_MAX};
    for (std::int32_t a : values)
    {
        for (std::int32_t b : values)
        {
            const IntLanes lanes = {a, b, b, a};
            const IntLanes packed = Saturate(lanes);
            const IntLanes plain = SaturateLanes(lanes);
            StereoFrame frame;
            StoreSaturatedFrame(frame, lanes);
            EXPECT_TRUE(packed[0] == plain[0] && packed[1] == plain[1] && packed[2] == plain[2] &&
                        packed[3] == plain[3] && frame.left == plain[0] && frame.right == plain[1])
                << a << ", " << b;
        }
    }
}
