// Speed of the match: one simulation step under play, and one frame of the match screen.
#include "bench_cases.h"

#include "display/canvas.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "platform/rand.h"

#include <benchmark/benchmark.h>

namespace
{
// A match in full swing: keys pressed and released as two players would, goals, debris.
void MatchStep(benchmark::State& state)
{
    SeedRand(11);
    auto* match = new GameTitle();
    match->Step();
    unsigned n = 0;
    for (auto _ : state)
    {
        StepBusyMatch(match, n);
    }
    delete match;
}
BENCHMARK(MatchStep);

// The match screen with the banner up, a marker, seven units and a fresh burst of debris.
void MatchFrame(benchmark::State& state)
{
    SeedRand(12);
    GameTitle match;
    match.Step();
    match.units.at(1).life = -1;
    match.Step();
    for (auto _ : state)
    {
        ClearCanvas();
        match.Draw();
        benchmark::DoNotOptimize(ScreenCells);
    }
}
BENCHMARK(MatchFrame);

// The last frames of a match, with the dissolve over the whole screen.
void MatchEndFrame(benchmark::State& state)
{
    SeedRand(13);
    GameTitle match;
    match.Step();
    match.winner = 0;
    match.gameOver = true;
    match.endCountdown = 120;
    for (auto _ : state)
    {
        ClearCanvas();
        match.Draw();
        benchmark::DoNotOptimize(ScreenCells);
    }
}
BENCHMARK(MatchEndFrame);
} // namespace
