// Per-thread pseudo-random numbers: the one source of every random draw in the game.
#pragma once

#include <cstdint>

// Largest value Rand() returns.
constexpr int RandMax = 0x7fffffff;

// Returns the next number, 0..RandMax, of the calling thread's own sequence. A thread
// that never called SeedRand starts from the default seed, as the C library's rand()
// does, so the audio and loader threads draw reproducible sequences.
int Rand();

// Restarts the calling thread's sequence from seed. The main thread seeds it from the
// clock at start-up; tests seed it to make every draw reproducible.
void SeedRand(unsigned seed);

// The calling thread's whole generator state, and the same state put back: a replay keeps the
// state a match began from, so that the match draws the very numbers it drew when played.
std::uint64_t ReadRandState();
void RestoreRandState(std::uint64_t state);
