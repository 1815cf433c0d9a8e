// Benchmarks of the display core: one frame's canvas-to-texture conversion.
#include "display/canvas.h"
#include "display/palette.h"
#include "display/texture.h"
#include "platform/rand.h"

#include <benchmark/benchmark.h>

namespace
{
void ConvertFrame(benchmark::State& state)
{
    SeedRand(1);
    InitPalette();
    for (int cell = 0; cell < CanvasCells; ++cell)
    {
        ScreenCells[cell] = static_cast<unsigned char>(Rand() % 10);
    }
    for (auto _ : state)
    {
        ConvertCanvasToTexture();
        benchmark::DoNotOptimize(TexturePixels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * CanvasCells);
}
BENCHMARK(ConvertFrame);
} // namespace
