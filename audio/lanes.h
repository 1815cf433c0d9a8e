// Four-lane arithmetic for the mixer's inner loops: left and right of two frames, or two pairs
// of values of one frame, in one pass of the processor's 128-bit registers.
//
// The lanes are the compiler's vector types, so every operation means exactly what the same
// operation on each lane alone means: a float product is the single-precision product, a
// conversion to integers truncates toward zero, a comparison selects per lane.
#pragma once

#include "audio/voices.h"

#include <bit>
#include <cstdint>
#include <cstring>

typedef float FloatLanes __attribute__((vector_size(16)));
typedef std::int32_t IntLanes __attribute__((vector_size(16)));
typedef std::int16_t ShortLanes __attribute__((vector_size(16)));

static_assert(std::endian::native == std::endian::little, "lanes hold frames left first");

typedef std::uint64_t WordLanes __attribute__((vector_size(16)));

// The four 16-bit values packed in bits (the first in the lowest bits), sign-extended into the
// four lanes.
inline IntLanes WidenShorts(std::uint64_t bits)
{
    const auto shorts = std::bit_cast<ShortLanes>(WordLanes{bits, 0});
    // Each value twice side by side makes a 32-bit lane; the arithmetic shift keeps one copy.
    return std::bit_cast<IntLanes>(
               __builtin_shufflevector(shorts, shorts, 0, 0, 1, 1, 2, 2, 3, 3)) >>
           16;
}

// One frame in the low two lanes, 0 in the others.
inline IntLanes LoadFrame(const StereoFrame& frame)
{
    std::uint32_t bits;
    std::memcpy(&bits, &frame, sizeof(bits));
    return WidenShorts(bits);
}

// Two consecutive frames.
inline IntLanes LoadFramePair(const StereoFrame* frames)
{
    std::uint64_t bits;
    std::memcpy(&bits, frames, sizeof(bits));
    return WidenShorts(bits);
}

// One wide frame in the low two lanes, 0 in the others.
inline IntLanes LoadWideFrame(const WideFrame& frame)
{
    std::uint64_t bits;
    std::memcpy(&bits, &frame, sizeof(bits));
    return std::bit_cast<IntLanes>(WordLanes{bits, 0});
}

// Two consecutive wide frames, and back.
inline IntLanes LoadWideFramePair(const WideFrame* frames)
{
    IntLanes lanes;
    std::memcpy(&lanes, frames, sizeof(lanes));
    return lanes;
}

inline void StoreWideFramePair(WideFrame* frames, IntLanes lanes)
{
    std::memcpy(frames, &lanes, sizeof(lanes));
}

inline FloatLanes Floats(IntLanes lanes)
{
    return __builtin_convertvector(lanes, FloatLanes);
}

// Truncation toward zero, for lanes strictly between -2^31 and 2^31.
inline IntLanes Integers(FloatLanes lanes)
{
    return __builtin_convertvector(lanes, IntLanes);
}

// Every lane saturated into -32768..32767.
inline IntLanes Saturate(IntLanes lanes)
{
    const IntLanes lowest = {-32768, -32768, -32768, -32768};
    const IntLanes highest = {32767, 32767, 32767, 32767};
    lanes = lanes < lowest ? lowest : lanes;
    return lanes > highest ? highest : lanes;
}

// The two low lanes, saturated into the 16-bit range, stored as one frame.
inline void StoreSaturatedFrame(StereoFrame& frame, IntLanes lanes)
{
    const IntLanes saturated = Saturate(lanes);
    const StereoFrame values = {static_cast<std::int16_t>(saturated[0]),
                                static_cast<std::int16_t>(saturated[1])};
    frame = values;
}

// The two low lanes of low followed by the two low lanes of high.
inline IntLanes JoinLowHalves(IntLanes low, IntLanes high)
{
    return __builtin_shufflevector(low, high, 0, 1, 4, 5);
}

// The low two lanes plus the high two lanes, in the low two lanes.
inline IntLanes AddHalves(IntLanes lanes)
{
    return lanes + __builtin_shufflevector(lanes, lanes, 2, 3, 2, 3);
}
