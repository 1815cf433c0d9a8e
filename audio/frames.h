// Audio frames: the 16-bit stereo frame the device plays, the 32-bit sum of frames, and the
// saturating conversions between them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

constexpr int SampleRate = 44100; // frames per second, of the output and of every sample

// One output frame. Sums and products of frames never wrap: they saturate at the 16-bit limits.
struct StereoFrame
{
    std::int16_t left;  // -32768..32767
    std::int16_t right; // -32768..32767
};
static_assert(sizeof(StereoFrame) == 4, "a frame is two 16-bit values, left first");

// A sum of frames before it is saturated into a StereoFrame.
struct WideFrame
{
    std::int32_t left;  // any sum of up to a few hundred 16-bit values
    std::int32_t right; // likewise
};

// Truncates toward zero into the 16-bit range, saturating outside it; not-a-number gives 0.
inline std::int16_t TruncateSample(float value)
{
    if (std::fabs(value) < 32767.0f)
    {
        return static_cast<std::int16_t>(value); // inside the range: one comparison
    }
    if (value >= 32767.0f)
    {
        return 32767;
    }
    if (value <= -32768.0f)
    {
        return -32768;
    }
    if (std::isnan(value))
    {
        return 0; // not a number: a broken gain is heard as silence
    }
    return static_cast<std::int16_t>(value); // -32768 < value <= -32767
}

// Saturates a 32-bit sum into the 16-bit range.
inline std::int16_t SaturateSample(std::int32_t value)
{
    return static_cast<std::int16_t>(std::min(std::max(value, -32768), 32767));
}
