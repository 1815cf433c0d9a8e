// Per-thread pseudo-random numbers: a 64-bit linear congruential generator per thread.
#include "platform/rand.h"

#include <cstdint>

namespace
{
constexpr std::uint64_t DefaultSeed = 1;

std::uint64_t StateFromSeed(unsigned seed)
{
    return (static_cast<std::uint64_t>(seed) << 16) ^ 0x330e;
}

thread_local std::uint64_t RandState = StateFromSeed(DefaultSeed);
} // namespace

int Rand()
{
    RandState = RandState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int>(RandState >> 33);
}

void SeedRand(unsigned seed)
{
    RandState = StateFromSeed(seed);
}

std::uint64_t ReadRandState()
{
    return RandState;
}

void RestoreRandState(std::uint64_t state)
{
    RandState = state;
}
