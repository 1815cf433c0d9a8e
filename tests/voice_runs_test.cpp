// Tests of the voice stretches: whatever the voice, mixing it a stretch at a time adds exactly
// what RenderVoice adds frame by frame, and ends it in the same frame. The voices the game
// starts (centred, panned, loud, silent or of a failed file) are pinned down by the mixer's
// output digest; here are those it never starts and the limits of the numbers.
#include "audio/voice_runs.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace
{
constexpr int Frames = 3500;

struct Mix
{
    Voice voice;
    int rendered;
    std::vector<WideFrame> dry, send;
};

// The voice mixed in stretches of stretch frames, or with stretch 0 as the callback once did
// it: one RenderVoice per frame, its send share truncated.
Mix MixVoice(Voice voice, int stretch)
{
    Mix mix = {voice, 0, std::vector<WideFrame>(Frames), std::vector<WideFrame>(Frames)};
    do // the callback renders an active voice at least once
    {
        const int i = mix.rendered;
        if (stretch > 0)
        {
            mix.rendered +=
                MixVoiceRun(mix.voice, std::min(stretch, Frames - i), &mix.dry[i], &mix.send[i]);
            continue;
        }
        const StereoFrame f = RenderVoice(mix.voice);
        mix.dry[i] = {f.left, f.right};
        mix.send[i] = {TruncateSample(f.left * voice.send), TruncateSample(f.right * voice.send)};
        ++mix.rendered;
    } while (mix.rendered < Frames && mix.voice.position < VoiceLength(mix.voice));
    return mix;
}
} // namespace

TEST(VoiceRuns, StretchesAddWhatFramesAdd)
{
    InitAudio();
    auto* frames = static_cast<StereoFrame*>(std::calloc(3001, sizeof(StereoFrame)));
    for (int k = 0; k < 3001; ++k)
    {
        frames[k] = {static_cast<std::int16_t>(k * 37 % 65536 - 32768),
                     static_cast<std::int16_t>(30000 - k * 20)};
    }
    SampleBank[2] = {3001, frames};
    const float nan = std::nanf("");
    const int drum = FirstSampleSound + 2;
    // position, delay, attack, sustain, release, frequency, volume, send, pan, sound, align
    const Voice voices[] = {
        {0, 0, 900, 2500, 900, 0.0f, 0.5f, 0.6f, 0.5f, drum, 1},         // a sample on ramps
        {2800, 2790, 0, 3100, 0, 0.0f, 0.9f, 0.6f, 0.0f, drum, 1},       // plays past its end
        {0, 0, 700, 500, 900, 97.0f, 3.0f, 1.6f, -0.8f, SoundSquare, 1}, // loud
        {0, 0, 100, 100, 100, 440.0f, 0.05f, 0.6f, nan, SoundSquare, 1}, // broken pan
        {0, 0, 10, 2000, 10, 0.4f, 0.05f, 0.6f, 0.0f, SoundSquare, 1},   // below 1 Hz
        {0, 0, 10, 2000, 10, 5e9f, 0.05f, 0.6f, 0.0f, SoundSquare, 1},
        {0, 0, 10, 2000, 10, 440.0f, -0.3f, 0.6f, 0.0f, SoundSquare, 1}, // inverted: silent
        {4294000, 4293000, 100, 3000, 100, 1000.0f, 0.1f, 0.6f, 0.4f, SoundSquare, 1}, // phase
        {0, 0, 0, 1u << 25, 0, 440.0f, 0.1f, 0.6f, 0.4f, SoundSquare, 1}, // too long for floats
        {0, 0xfffffff0u, 0, 100, 0, 440.0f, 0.1f, 0.6f, 0.4f, SoundSquare, 1}, // length wraps
        {500, 0, 0, 100, 0, 0.0f, 0.1f, 0.6f, 0.4f, drum, 1},                  // past its end
        {0, 0, 10, 100, 10, 440.0f, 0.1f, 0.6f, 0.4f, 5, 1},                   // no such sound
    };
    for (const Voice& voice : voices)
    {
        const Mix plain = MixVoice(voice, 0);
        for (int stretch : {1, 3, 512})
        {
            const Mix runs = MixVoice(voice, stretch);
            EXPECT_EQ(std::pair(runs.rendered, runs.voice.position),
                      std::pair(plain.rendered, plain.voice.position))
                << voice.sound << " " << voice.volume;
            const std::size_t bytes = Frames * sizeof(WideFrame); // the same sums, bit for bit
            EXPECT_EQ(std::memcmp(runs.dry.data(), plain.dry.data(), bytes), 0) << voice.sound;
            EXPECT_EQ(std::memcmp(runs.send.data(), plain.send.data(), bytes), 0) << voice.sound;
        }
    }
}
