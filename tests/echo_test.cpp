// Tests of the echo ring's saturation. Where the heads step and wrap and what each takes of
// the send are pinned down by the mixer's output digest, which runs the ring round often.
#include "audio/echo.h"

#include "audio/lanes.h"

#include <cstdint>
#include <gtest/gtest.h>

TEST(Echo, LoudSumsSaturateInsteadOfWrapping)
{
    InitEcho();
    EchoHeadA = 100;
    EchoHeadB = 200;
    EchoRing[0] = {30000, -30000};
    EchoRing[200 + EchoHalfLength] = {32000, -32000};
    const WideFrame send = {40000, -40000}, dry = {32000, -32000}; // the send saturates too
    StereoFrame out;
    RunEcho(&send, &dry, &out, 1);
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
