// Benchmarks of online play's host side: choosing and packing a match frame for the friend,
// whole (in pieces of bands) and as a delta on it; and a relayed packet squeezed and expanded.
#include "display/canvas.h"
#include "display/palette.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "net/frame_stream.h"
#include "net/relay_squeeze.h"
#include "platform/rand.h"

#include <benchmark/benchmark.h>
#include <cstring>

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

// The relayed packets squeezed: a match's frames one packet each, every one squeezed over the
// packets before it as the relayed link sends them (the history indexed anew for each), and
// expanded again; and where those packets' bytes go, as shares of them.
struct SqueezedMatch
{
    SqueezeLine host;
    SqueezeLine friendSide;
    int count;
    int sizes[256];
    unsigned char packets[256][2 * MaxMessageBytes];
    unsigned char squeezed[MaxSqueezedBytes];
    unsigned char out[RelayPacketBytes];
    int deltaCells; // bytes of the packets: the cells of deltas
    int wholeCells; // of whole frames
    int palettes;   // the palette every frame message carries
    int bytes;      // all
};
SqueezedMatch Relayed;

void RecordMatchPackets()
{
    SeedRand(12);
    InitPalette();
    static GameTitle match;
    match = GameTitle();
    RestartFrameStream(Stream);
    Relayed.count = Relayed.deltaCells = Relayed.wholeCells = Relayed.palettes = Relayed.bytes = 0;
    for (unsigned step = 0; Relayed.count < 256; ++step)
    {
        match.KeyDown(step % 16 == 0 ? ActionUp : ActionLeft);
        match.Step();
        ClearCanvas();
        match.Draw();
        if (NextFrameMessages(Stream, ScreenCells, step * 18, Pieces) && Pieces.bytes <= 2400)
        {
            int size = 0;
            for (int n = 0; n < Pieces.count; ++n)
            {
                const int cells = Pieces.sizes[n] - FrameHeaderBytes;
                (Pieces.messages[n][0] == KindDelta ? Relayed.deltaCells : Relayed.wholeCells) +=
                    cells;
                Relayed.palettes += PaletteBytes;
                Relayed.bytes += Pieces.sizes[n];
                std::memcpy(Relayed.packets[Relayed.count] + size, Pieces.messages[n],
                            static_cast<std::size_t>(Pieces.sizes[n]));
                size += Pieces.sizes[n];
            }
            Relayed.sizes[Relayed.count++] = size;
        }
    }
}

void SqueezeMatchPackets(benchmark::State& state)
{
    RecordMatchPackets();
    ResetSqueezeLine(Relayed.host);
    ResetSqueezeLine(Relayed.friendSide);
    std::int64_t plain = 0, squeezed = 0;
    int n = 0;
    for (auto _ : state)
    {
        const int size =
            SqueezePacket(Relayed.host, Relayed.packets[n], Relayed.sizes[n], Relayed.squeezed);
        plain += Relayed.sizes[n];
        squeezed += size;
        if (state.range(0) == 1)
        {
            benchmark::DoNotOptimize(
                ExpandPacket(Relayed.friendSide, Relayed.squeezed, size, Relayed.out));
        }
        n = (n + 1) % Relayed.count;
    }
    state.counters["share"] = static_cast<double>(squeezed) / static_cast<double>(plain);
    const double bytes = Relayed.bytes;
    state.counters["delta_cells"] = Relayed.deltaCells / bytes;
    state.counters["whole_cells"] = Relayed.wholeCells / bytes;
    state.counters["palettes"] = Relayed.palettes / bytes;
    state.counters["plain_bytes"] =
        static_cast<double>(plain) / static_cast<double>(state.iterations());
}
BENCHMARK(SqueezeMatchPackets)->Arg(0)->Arg(1);
} // namespace
