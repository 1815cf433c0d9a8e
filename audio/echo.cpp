// The three-head echo ring: forward, fast and backward heads over one 2.4-second buffer.
#include "audio/echo.h"

#include <cstring>

StereoFrame EchoRing[EchoLength];
int EchoHeadA;
int EchoHeadB;
int EchoHeadC;

namespace
{
// trunc(factor * value): every factor here is below 1, so the product stays in the 16-bit range.
std::int32_t Scale(std::int32_t value, float factor)
{
    return static_cast<std::int32_t>(static_cast<float>(value) * factor);
}

// trunc(valueFactor * value) + trunc(sendFactor * send), one channel at a time.
WideFrame ScaleBoth(StereoFrame value, float valueFactor, StereoFrame send, float sendFactor)
{
    return {Scale(value.left, valueFactor) + Scale(send.left, sendFactor),
            Scale(value.right, valueFactor) + Scale(send.right, sendFactor)};
}

StereoFrame Saturate(WideFrame sum)
{
    return {SaturateSample(sum.left), SaturateSample(sum.right)};
}

// The three heads' places in the ring.
struct EchoHeads
{
    int a; // forward, 0..105839
    int b; // fast, even 0..105838
    int c; // backward, 0..105839
};

// One frame of the echo: the heads read and feed the ring in turn, then move on; returns the
// output before saturation.
WideFrame RunEchoFrame(EchoHeads& heads, StereoFrame send, WideFrame dry)
{
    // x = ring[a]; ring[a] = trunc(0.25 x) + trunc(0.24 send).
    StereoFrame& forward = EchoRing[heads.a];
    const StereoFrame x = forward;
    forward = Saturate(ScaleBoth(x, 0.25f, send, 0.24f));
    heads.a = heads.a + 1 == EchoLength ? 0 : heads.a + 1;

    // y = ring[b] (after the forward head's write); trunc(0.3 y) + trunc(0.34 send) is added
    // to the two frames half a ring ahead.
    const StereoFrame y = EchoRing[heads.b];
    const StereoFrame fast = Saturate(ScaleBoth(y, 0.3f, send, 0.34f));
    for (int ahead = heads.b + EchoHalfLength; ahead < heads.b + EchoHalfLength + 2; ++ahead)
    {
        StereoFrame& target = EchoRing[ahead >= EchoLength ? ahead - EchoLength : ahead];
        target = Saturate({target.left + fast.left, target.right + fast.right});
    }
    heads.b = heads.b + 2 >= EchoLength ? 0 : heads.b + 2;

    // z = ring[c] (after the fast head's writes); ring[c] = z + trunc(0.25 z) + trunc(0.29 send).
    StereoFrame& backward = EchoRing[heads.c];
    const StereoFrame z = backward;
    const WideFrame fed = ScaleBoth(z, 0.25f, send, 0.29f);
    backward = Saturate({z.left + fed.left, z.right + fed.right});
    heads.c = heads.c == 0 ? EchoLength - 1 : heads.c - 1;

    // dry + trunc(0.24 x) + trunc(0.19 y) + trunc(0.19 z).
    const WideFrame taps = ScaleBoth(x, 0.24f, y, 0.19f);
    return {dry.left + taps.left + Scale(z.left, 0.19f),
            dry.right + taps.right + Scale(z.right, 0.19f)};
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
        out[i] = Saturate(RunEchoFrame(heads, Saturate(send[i]), dry[i]));
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
