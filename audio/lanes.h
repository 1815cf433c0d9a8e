// Four-lane arithmetic for the mixer's inner loops: left and right of two frames, or two pairs
// of values of one frame, in one pass of the processor's 128-bit registers.
//
// The lanes are the compiler's vector types, so every operation means exactly what the same
// operation on each lane alone means: a float product is the single-precision product, a
// conversion to integers truncates toward zero. Only the saturation into the 16-bit range
// names SSE2's saturating pack where the processor has it, the one step the vector types
// cannot say in one instruction; SaturateLanes says the same in plain vector code, serves
// where SSE2 is missing, and is what the tests hold the pack to.
#pragma once

#include "audio/voices.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Every lane saturated into -32768..32767, in plain vector code.
inline IntLanes SaturateLanes(IntLanes lanes)
{
    const IntLanes lowest = {-32768, -32768, -32768, -32768};
    const IntLanes highest = {32767, 32767, 32767, 32767};
    lanes = lanes < lowest ? lowest : lanes;
    return lanes > highest ? highest : lanes;
}

// Every lane saturated into -32768..32767.
inline IntLanes Saturate(IntLanes lanes)
{
#if defined(__SSE2__)
    const auto wide = std::bit_cast<__m128i>(lanes);
    const __m128i packed = _mm_packs_epi32(wide, wide);
    return std::bit_cast<IntLanes>(_mm_srai_epi32(_mm_unpacklo_epi16(packed, packed), 16));
#else
    return SaturateLanes(lanes);
#endif
}

// The two low lanes, saturated into the 16-bit range, stored as one frame.
inline void StoreSaturatedFrame(StereoFrame& frame, IntLanes lanes)
{
#if defined(__SSE2__)
    const auto wide = std::bit_cast<__m128i>(lanes);
    const std::int32_t bits = _mm_cvtsi128_si32(_mm_packs_epi32(wide, wide));
#else
    const IntLanes saturated = SaturateLanes(lanes);
    const std::int32_t bits = (saturated[0] & 0xffff) | (saturated[1] << 16);
#endif
    std::memcpy(&frame, &bits, sizeof(frame));
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
