// The cost of one audio callback of 2048 frames with 0, 16 and all 128 voices sounding.
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
constexpr int CallbackFrames = 2048;
constexpr double CallbackSeconds = CallbackFrames / 44100.0; // 46.4 ms of sound

// Half the voices play a second-long sample, half a long square-wave note, all panned and
// feeding the echo, as the music and the effects do.
void SoundVoices(int count)
{
    for (int v = 0; v < MaxVoices; ++v)
    {
        VoiceSounding[v] = v < count;
        Voice& voice = Voices[v];
        const int sound = v % 2 == 0 ? FirstSampleSound + v % SampleCount : SoundSquare;
        StartVoice(voice, sound, 220.0f + v, 0.05f, 0.6f, 0.5f, 500, 1000000, 1000, 0);
    }
}

void MixOneCallback(benchmark::State& state)
{
    InitVoices();
    InitEcho();
    InitSampleBank();
    InitStatusHandoff();
    InitSoundRequests();
    InitMusic();
    BuildNoteFrequencies();
    SeedRand(1);
    for (Sample& sample : SampleBank)
    {
        auto* frames = static_cast<StereoFrame*>(std::calloc(SampleRate, sizeof(StereoFrame)));
        for (int k = 0; k < SampleRate; ++k)
        {
            frames[k] = {static_cast<std::int16_t>(Rand() % 20000 - 10000),
                         static_cast<std::int16_t>(Rand() % 20000 - 10000)};
        }
        sample = {SampleRate, frames};
    }
    SamplesLoaded = true;
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
