// The arithmetic steps the voice stretches share: truncation with or without the clamp, one
// frame into the sums with its send share, and the checks on a voice's gains that decide which
// of them give exactly what RenderVoice's TruncateSample gives.
#pragma once

#include "audio/lanes.h"
#include "audio/voices.h"

#include <algorithm>
#include <cmath>

// Gains up to this size keep every product of a 16-bit value, even after the pan's gain,
// strictly between -2^31 and 2^31, where the lanes truncate as plain integers do.
constexpr float LargestGain = 60000.0f;

// TruncateSample on four lanes of such products. Saturating the truncated value gives what its
// branches give; when the gains keep every product strictly inside the 16-bit range the
// truncation alone does.
template<bool Clamp>
inline IntLanes TruncateLanes(FloatLanes value)
{
    if constexpr (Clamp)
    {
        return Saturate(Integers(value));
    }
    return Integers(value);
}

// Adds four lanes to the sums of two frames.
inline void AddToPair(WideFrame* sums, IntLanes lanes)
{
    StoreWideFramePair(sums, LoadWideFramePair(sums) + lanes);
}

// trunc(value) into 16 bits: TruncateSample, or the plain truncation where the caller has made
// sure that the value is a number inside the 16-bit range, which gives the same.
template<bool Clamp>
inline std::int16_t TruncateValue(float value)
{
    if constexpr (Clamp)
    {
        return TruncateSample(value);
    }
    return static_cast<std::int16_t>(value);
}

// Whether values up to peak, scaled by volume, then by the pan's larger gain, then by send,
// stay clear of the 16-bit limits at every step, so that TruncateValue needs no clamp. The margin
// covers the rounding of each product; anything not a number fails.
inline bool ClearOfLimits(double peak, float volume, const PanGains& pan, float send)
{
    const double loudest = peak * std::fabs(static_cast<double>(volume)) *
                           (pan.panned ? std::max(pan.left, pan.right) : 1.0f);
    return loudest < 32700.0 && loudest * std::fabs(static_cast<double>(send)) < 32700.0;
}

// Whether the gains keep every product of the lanes' steps inside what they truncate exactly.
inline bool FitsLanes(float volume, const PanGains& pan, float send)
{
    return std::fabs(volume) <= LargestGain && std::fabs(send) <= LargestGain &&
           !std::isnan(pan.left) && !std::isnan(pan.right);
}

// One frame rendered by RenderVoice into the sums: dry as it is, the send share truncated.
template<bool Clamp = true>
inline void AddFrame(StereoFrame frame, float sendGain, WideFrame& dry, WideFrame& send)
{
    dry.left += frame.left;
    dry.right += frame.right;
    send.left += TruncateValue<Clamp>(static_cast<float>(frame.left) * sendGain);
    send.right += TruncateValue<Clamp>(static_cast<float>(frame.right) * sendGain);
}
