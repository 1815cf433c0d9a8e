// The micro benchmarks' main cases, timed in the browser's page (bench/web_micro.sh): the
// same work as ConvertFrame, MatchStep, MatchFrame, MixOneCallback/16 and
// DecisionAtTurnStart/1 in core_bench, as plain timed loops, each the median of 9 runs.
#include "bench_cases.h"

#include "audio/echo.h"
#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "computer/pace.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "display/texture.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "platform/rand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <emscripten.h>

namespace
{
constexpr int Runs = 9;       // medians of this many runs
constexpr double RunMs = 200; // each run repeats its case for at least this long
volatile int Sink;            // keeps results the compiler would otherwise drop

// Prints the median time of one call of body over Runs runs, in microseconds.
template<typename Body>
void Measure(const char* name, Body body)
{
    double perCall[Runs];
    for (double& run : perCall)
    {
        const double start = emscripten_get_now();
        long calls = 0;
        while (emscripten_get_now() - start < RunMs)
        {
            for (int n = 0; n < 16; ++n, ++calls)
            {
                body();
            }
        }
        run = 1000 * (emscripten_get_now() - start) / calls;
    }
    std::sort(perCall, perCall + Runs);
    std::printf("%s %.2f us\n", name, perCall[Runs / 2]);
}

void MeasureMixer()
{
    InitAudio();
    FillBankWithNoise();
    static StereoFrame out[CallbackFrames];
    Measure("MixOneCallback/16",
            []
            {
                SoundVoices(16); // timed too, unlike natively: about 2 us, 1 % of the callback
                SampleClock = 1;
                MixFrames(out, CallbackFrames);
                Sink = out[CallbackFrames - 1].left;
            });
}
} // namespace

int main()
{
    SeedRand(1);
    InitPalette();
    for (int cell = 0; cell < CanvasCells; ++cell)
    {
        ScreenCells[cell] = static_cast<unsigned char>(Rand() % 10);
    }
    Measure("ConvertFrame",
            []
            {
                ConvertCanvasToTexture();
                Sink = TexturePixels[0];
            });

    SeedRand(11);
    auto* match = new GameTitle();
    match->Step();
    unsigned n = 0;
    Measure("MatchStep", [&] { StepBusyMatch(match, n); });
    delete match;

    SeedRand(12);
    GameTitle shown;
    shown.Step();
    shown.units.at(1).life = -1;
    shown.Step();
    Measure("MatchFrame",
            [&]
            {
                ClearCanvas();
                shown.Draw();
                Sink = ScreenCells[0];
            });

    MeasureMixer();

    SeedRand(1);
    InitPlanner();
    GameTitle planned;
    planned.Step();
    const Board board = planned.CurrentBoard();
    const int selected = FindPiece(board, planned.selectedId);
    Measure("DecisionAtTurnStart/1", [&] { Sink = ChooseMove(board, selected, 9); });
    std::printf("done\n");
    return 0;
}
