// Audio frames: the 16-bit stereo frame the device plays, the 32-bit sum of frames, and the
// saturating conversions between them.
#pragma once

#include <algorithm>
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
// Written as choices between values rather than branches, so that the compiler may run a loop
// of them several values at once.
inline std::int16_t TruncateSample(float value)
{
    const float number = value == value ? value : 0.0f; // a broken gain is heard as silence
    const float above = number < -32768.0f ? -32768.0f : number;
    const float inside = above > 32767.0f ? 32767.0f : above;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(inside));
}

// Saturates a 32-bit sum into the 16-bit range.
inline std::int16_t SaturateSample(std::int32_t value)
{
    return static_cast<std::int16_t>(std::min(std::max(value, -32768), 32767));
}
