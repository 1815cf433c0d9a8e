// Benchmarks of online play's host side: choosing and packing a match frame for the friend,
// whole (in pieces of bands) and as a delta on it.
#include "display/canvas.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "net/frame_stream.h"
#include "platform/rand.h"

#include <benchmark/benchmark.h>

namespace
{
FrameStream Stream;
FramePieces Pieces;

// A match screen, drawn into the canvas.
void DrawMatch()
{
    SeedRand(12);
    InitPalette();
    GameTitle match;
    match.Step();
    ClearCanvas();
    match.Draw();
}

// The whole frame a friend gets after it joins, and every two seconds.
void WholeMatchFrame(benchmark::State& state)
{
    DrawMatch();
    for (auto _ : state)
    {
        RestartFrameStream(Stream);
        NextFrameMessages(Stream, ScreenCells, 0, Pieces);
        benchmark::DoNotOptimize(Pieces);
    }
    state.counters["bytes"] = Pieces.bytes;
    state.counters["pieces"] = Pieces.count;
}
BENCHMARK(WholeMatchFrame);

// A frame between: a player one cell on from the whole frame.
void DeltaMatchFrame(benchmark::State& state)
{
    DrawMatch();
    RestartFrameStream(Stream);
    NextFrameMessages(Stream, ScreenCells, 0, Pieces);
    for (int x = 40; x < 52; ++x)
    {
        for (int y = 40; y < 52; ++y)
        {
            ScreenCells[x * CanvasHeight + y] ^= 3;
        }
    }
    unsigned now = 0;
    for (auto _ : state)
    {
        now += RepeatFrameMs; // never the same as the last sent
        Stream.wholeSince = now;
        NextFrameMessages(Stream, ScreenCells, now, Pieces);
        benchmark::DoNotOptimize(Pieces);
    }
    state.counters["bytes"] = Pieces.bytes;
}
BENCHMARK(DeltaMatchFrame);
} // namespace
