// Speed of the match: one simulation step under play, recorded or not, and one frame of the
// match screen.
#include "bench_cases.h"

#include "app/replay.h"
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

// The same with the match recorded, as every match is: each action is kept as it arrives.
GameTitle* NewRecordedMatch()
{
    BeginRecording(LevelNone, false); // the last one dropped: nothing is written
    return new RecordedMatch();
}

void RecordedMatchStep(benchmark::State& state)
{
    SeedRand(11);
    GameTitle* match = NewRecordedMatch();
    match->Step();
    unsigned n = 0;
    for (auto _ : state)
    {
        StepBusyMatch(match, n, NewRecordedMatch);
        if ((n & 0x7ffff) == 0)
        {
            // A fresh recording now and then, long before the kept entries could fill it.
            delete match;
            match = NewRecordedMatch();
        }
    }
    delete match;
}
BENCHMARK(RecordedMatchStep);

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
