// The cost of one audio callback of 2048 frames with 0, 16 and all 128 voices sounding.
#include "bench_cases.h"

#include "audio/echo.h"
#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "platform/rand.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace
{
constexpr double CallbackSeconds = CallbackFrames / 44100.0; // 46.4 ms of sound

void MixOneCallback(benchmark::State& state)
{
    InitVoices();
    InitEcho();
    InitSampleBank();
    InitStatusHandoff();
    InitSoundRequests();
    InitMusic();
    BuildNoteFrequencies();
    FillBankWithNoise();
    static StereoFrame out[CallbackFrames];
    const int voices = static_cast<int>(state.range(0));
    for (auto _ : state)
    {
        state.PauseTiming();
        SoundVoices(voices);
        SampleClock = 1; // between two beats: only these voices sound
        state.ResumeTiming();
        MixFrames(out, CallbackFrames);
        benchmark::DoNotOptimize(out);
    }
    // CPU time per callback over the 46.4 ms its frames last, shown with an SI prefix:
    // "9.6m" is 0.0096 of the buffer's time; 1 would leave nothing for the rest of the game.
    state.counters["share_of_buffer"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * CallbackSeconds,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    InitSampleBank();
}
} // namespace

BENCHMARK(MixOneCallback)->Arg(0)->Arg(16)->Arg(128)->Unit(benchmark::kMicrosecond);
