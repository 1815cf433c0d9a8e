// The three-head echo ring: forward, fast and backward heads over one 2.4-second buffer.
#include "audio/echo.h"

#include <cstring>

StereoFrame EchoRing[EchoLength];
int EchoHeadA;
int EchoHeadB;
int EchoHeadC;

namespace
{
// trunc(factor * value) per channel, saturated.
StereoFrame Scale(StereoFrame frame, float factor)
{
    return {TruncateSample(factor * static_cast<float>(frame.left)),
            TruncateSample(factor * static_cast<float>(frame.right))};
}

// The saturated sum of three frames.
StereoFrame Add(StereoFrame a, StereoFrame b, StereoFrame c = {0, 0})
{
    return {SaturateSample(a.left + b.left + c.left), SaturateSample(a.right + b.right + c.right)};
}
} // namespace

void InitEcho()
{
    std::memset(EchoRing, 0, sizeof(EchoRing));
    EchoHeadA = 0;
    EchoHeadB = 0;
    EchoHeadC = 0;
}

StereoFrame RunEcho(StereoFrame send, WideFrame dry)
{
    const StereoFrame x = EchoRing[EchoHeadA];
    EchoRing[EchoHeadA] = Add(Scale(x, 0.25f), Scale(send, 0.24f));
    EchoHeadA = EchoHeadA + 1 == EchoLength ? 0 : EchoHeadA + 1;

    const StereoFrame y = EchoRing[EchoHeadB];
    const StereoFrame fast = Add(Scale(y, 0.3f), Scale(send, 0.34f));
    StereoFrame& ahead = EchoRing[(EchoHeadB + EchoHalfLength) % EchoLength];
    ahead = Add(ahead, fast);
    StereoFrame& aheadNext = EchoRing[(EchoHeadB + EchoHalfLength + 1) % EchoLength];
    aheadNext = Add(aheadNext, fast);
    EchoHeadB = EchoHeadB + 2 >= EchoLength ? 0 : EchoHeadB + 2;

    const StereoFrame z = EchoRing[EchoHeadC];
    EchoRing[EchoHeadC] = Add(z, Scale(z, 0.25f), Scale(send, 0.29f));
    EchoHeadC = EchoHeadC == 0 ? EchoLength - 1 : EchoHeadC - 1;

    const StereoFrame nearTap = Scale(x, 0.24f);
    const StereoFrame fastTap = Scale(y, 0.19f);
    const StereoFrame backTap = Scale(z, 0.19f);
    return {SaturateSample(dry.left + nearTap.left + fastTap.left + backTap.left),
            SaturateSample(dry.right + nearTap.right + fastTap.right + backTap.right)};
}

void HalveEcho()
{
    for (StereoFrame& frame : EchoRing)
    {
        frame.left = static_cast<std::int16_t>(frame.left / 2);
        frame.right = static_cast<std::int16_t>(frame.right / 2);
    }
}
