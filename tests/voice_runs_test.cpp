// Tests of the voice stretches: whatever the voice, mixing it a stretch at a time adds exactly
// what RenderVoice adds frame by frame, and ends it in the same frame.
#include "audio/voice_runs.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
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
    WideFrame* const dry = mix.dry.data();
    WideFrame* const send = mix.send.data();
    do // the callback renders an active voice at least once
    {
        const int i = mix.rendered;
        if (stretch > 0)
        {
            mix.rendered +=
                MixVoiceRun(mix.voice, std::min(stretch, Frames - i), &dry[i], &send[i]);
            continue;
        }
        const StereoFrame f = RenderVoice(mix.voice);
        dry[i] = {f.left, f.right};
        send[i] = {TruncateSample(f.left * voice.send), TruncateSample(f.right * voice.send)};
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
        {0, 5, 0, 3001, 0, 0.0f, 0.13f, 0.5f, 0.02f, drum, 1},     // centred drum
        {0, 0, 0, 3001, 0, 0.0f, 0.6f, 0.6f, -0.7f, drum, 1},      // panned effect
        {0, 0, 0, 3001, 0, 0.0f, 6.0f, 1.6f, 0.9f, drum, 1},       // loud: saturates
        {0, 0, 0, 3001, 0, 0.0f, nan, 0.6f, 0.3f, drum, 1},        // broken volume
        {0, 7, 0, 500, 0, 0.0f, 1.0f, 0.6f, 0.3f, drum + 1, 1},    // not loaded
        {0, 0, 900, 2500, 900, 0.0f, 0.5f, 0.6f, 0.5f, drum, 1},   // a sample on ramps
        {2800, 2790, 0, 3100, 0, 0.0f, 0.9f, 0.6f, 0.0f, drum, 1}, // plays past its end
        {0, 3, 500, 900, 1300, 331.9f, 0.05f, 1.0f, 0.2f, SoundSquare, 1},
        {0, 0, 700, 500, 900, 97.0f, 3.0f, 1.6f, -0.8f, SoundSquare, 1}, // loud
        {0, 0, 100, 100, 100, 440.0f, 0.05f, 0.6f, nan, SoundSquare, 1}, // broken pan
        {0, 0, 10, 2000, 10, 0.4f, 0.05f, 0.6f, 0.0f, SoundSquare, 1},   // below 1 Hz
        {0, 0, 10, 2000, 10, 30000.0f, 0.05f, 0.6f, 0.0f, SoundSquare, 1},
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
            EXPECT_EQ(runs.rendered, plain.rendered) << voice.sound << " " << voice.volume;
            EXPECT_EQ(runs.voice.position, plain.voice.position) << voice.sound;
            const std::size_t bytes = Frames * sizeof(WideFrame); // the same sums, bit for bit
            EXPECT_EQ(std::memcmp(runs.dry.data(), plain.dry.data(), bytes), 0) << voice.sound;
            EXPECT_EQ(std::memcmp(runs.send.data(), plain.send.data(), bytes), 0) << voice.sound;
        }
    }
}
