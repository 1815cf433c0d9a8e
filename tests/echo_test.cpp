// Tests of the echo ring's saturation. Where the heads step and wrap and what each takes of
// the send are pinned down by the mixer's output digest, which runs the ring round often.
#include "audio/echo.h"

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
