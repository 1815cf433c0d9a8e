// The three-head echo ring: forward, fast and backward heads over one 2.4-second buffer.
#include "audio/echo.h"

#include "audio/lanes.h"

#include <cstring>

StereoFrame EchoRing[EchoLength];
int EchoHeadA;
int EchoHeadB;
int EchoHeadC;

namespace
{
// Each head scales the value it reads (low lanes) and the frame's send (high lanes) by its own
// two factors; the output scales the three values read. Every factor is below 1, so every
// product stays inside the 16-bit range.
constexpr FloatLanes ForwardFactors = {0.25f, 0.25f, 0.24f, 0.24f};
constexpr FloatLanes FastFactors = {0.3f, 0.3f, 0.34f, 0.34f};
constexpr FloatLanes BackwardFactors = {0.25f, 0.25f, 0.29f, 0.29f};
constexpr FloatLanes NearFastTapFactors = {0.24f, 0.24f, 0.19f, 0.19f};
constexpr FloatLanes BackTapFactors = {0.19f, 0.19f, 0.19f, 0.19f};

// trunc(factor * value) per lane.
IntLanes Scale(IntLanes values, FloatLanes factors)
{
    return Integers(Floats(values) * factors);
}

// trunc(f1 * value) + trunc(f2 * send) per channel, in the low lanes.
IntLanes ScaleBoth(IntLanes value, IntLanes send, FloatLanes factors)
{
    return AddHalves(Scale(JoinLowHalves(value, send), factors));
}

// The three heads' places in the ring.
struct EchoHeads
{
    int a; // forward, 0..105839
    int b; // fast, even 0..105838
    int c; // backward, 0..105839
};

// One frame of the echo, both channels in the low two lanes: the heads read and feed the ring
// in turn, then move on; returns the output before saturation.
IntLanes RunEchoFrame(EchoHeads& heads, IntLanes send, IntLanes dry)
{
    // x = ring[a]; ring[a] = trunc(0.25 x) + trunc(0.24 send).
    StereoFrame& forward = EchoRing[heads.a];
    const IntLanes x = LoadFrame(forward);
    StoreSaturatedFrame(forward, ScaleBoth(x, send, ForwardFactors));
    heads.a = heads.a + 1 == EchoLength ? 0 : heads.a + 1;

    // y = ring[b] (after the forward head's write); trunc(0.3 y) + trunc(0.34 send) is added
    // to the two frames half a ring ahead.
    const IntLanes y = LoadFrame(EchoRing[heads.b]);
    const IntLanes fast = Saturate(ScaleBoth(y, send, FastFactors));
    for (int ahead = heads.b + EchoHalfLength; ahead < heads.b + EchoHalfLength + 2; ++ahead)
    {
        StereoFrame& target = EchoRing[ahead >= EchoLength ? ahead - EchoLength : ahead];
        StoreSaturatedFrame(target, LoadFrame(target) + fast);
    }
    heads.b = heads.b + 2 >= EchoLength ? 0 : heads.b + 2;

    // z = ring[c] (after the fast head's writes); ring[c] = z + trunc(0.25 z) + trunc(0.29 send).
    StereoFrame& backward = EchoRing[heads.c];
    const IntLanes z = LoadFrame(backward);
    StoreSaturatedFrame(backward, z + ScaleBoth(z, send, BackwardFactors));
    heads.c = heads.c == 0 ? EchoLength - 1 : heads.c - 1;

    // dry + trunc(0.24 x) + trunc(0.19 y) + trunc(0.19 z).
    return dry + ScaleBoth(x, y, NearFastTapFactors) + Scale(z, BackTapFactors);
}
} // namespace

void InitEcho()
{
    std::memset(EchoRing, 0, sizeof(EchoRing));
    EchoHeadA = 0;
    EchoHeadB = 0;
    EchoHeadC = 0;
}

void RunEcho(const WideFrame* send, const WideFrame* dry, StereoFrame* out, int count)
{
    EchoHeads heads = {EchoHeadA, EchoHeadB, EchoHeadC};
    for (int i = 0; i < count; ++i)
    {
        const IntLanes sendFrame = Saturate(LoadWideFrame(send[i]));
        StoreSaturatedFrame(out[i], RunEchoFrame(heads, sendFrame, LoadWideFrame(dry[i])));
    }
    EchoHeadA = heads.a;
    EchoHeadB = heads.b;
    EchoHeadC = heads.c;
}

void HalveEcho()
{
    for (StereoFrame& frame : EchoRing)
    {
        frame.left = static_cast<std::int16_t>(frame.left / 2);
        frame.right = static_cast<std::int16_t>(frame.right / 2);
    }
}
