// The three-head echo ring: forward, fast and backward heads over one 2.4-second buffer.
#include "audio/echo.h"

#include <cstring>

StereoFrame EchoRing[EchoLength];
int EchoHeadA;
int EchoHeadB;
int EchoHeadC;

namespace
{
// trunc(factor * value) per channel. Every factor of the echo is below 1, so the product stays
// inside the 16-bit range and needs no saturation.
StereoFrame Scale(StereoFrame frame, float factor)
{
    return {static_cast<std::int16_t>(factor * static_cast<float>(frame.left)),
            static_cast<std::int16_t>(factor * static_cast<float>(frame.right))};
}

// The saturated sum of three frames.
StereoFrame Add(StereoFrame a, StereoFrame b, StereoFrame c = {0, 0})
{
    return {SaturateSample(a.left + b.left + c.left), SaturateSample(a.right + b.right + c.right)};
}

// The three heads' places in the ring.
struct EchoHeads
{
    int a; // forward, 0..105839
    int b; // fast, even 0..105838
    int c; // backward, 0..105839
};

// One frame of the echo: the heads read and feed the ring in turn, then move on.
StereoFrame RunEchoFrame(EchoHeads& heads, StereoFrame send, WideFrame dry)
{
    const StereoFrame x = EchoRing[heads.a];
    EchoRing[heads.a] = Add(Scale(x, 0.25f), Scale(send, 0.24f));
    heads.a = heads.a + 1 == EchoLength ? 0 : heads.a + 1;

    const StereoFrame y = EchoRing[heads.b];
    const StereoFrame fast = Add(Scale(y, 0.3f), Scale(send, 0.34f));
    const int ahead = heads.b + EchoHalfLength;
    StereoFrame& aheadFrame = EchoRing[ahead >= EchoLength ? ahead - EchoLength : ahead];
    aheadFrame = Add(aheadFrame, fast);
    StereoFrame& nextFrame = EchoRing[ahead + 1 >= EchoLength ? ahead + 1 - EchoLength : ahead + 1];
    nextFrame = Add(nextFrame, fast);
    heads.b = heads.b + 2 >= EchoLength ? 0 : heads.b + 2;

    const StereoFrame z = EchoRing[heads.c];
    EchoRing[heads.c] = Add(z, Scale(z, 0.25f), Scale(send, 0.29f));
    heads.c = heads.c == 0 ? EchoLength - 1 : heads.c - 1;

    const StereoFrame nearTap = Scale(x, 0.24f);
    const StereoFrame fastTap = Scale(y, 0.19f);
    const StereoFrame backTap = Scale(z, 0.19f);
    return {SaturateSample(dry.left + nearTap.left + fastTap.left + backTap.left),
            SaturateSample(dry.right + nearTap.right + fastTap.right + backTap.right)};
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
        const StereoFrame sendFrame = {SaturateSample(send[i].left), SaturateSample(send[i].right)};
        out[i] = RunEchoFrame(heads, sendFrame, dry[i]);
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
