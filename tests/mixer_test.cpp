// Tests of the mixer: a digest of a long busy run through the callback, and saturation of the
// sums.
#include "audio/mixer.h"

#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "platform/rand.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>

namespace
{
// Mixes one frame in which voices 0, 1, ... play a one-frame sample at the given volumes,
// centred, with no echo, between two beats.
StereoFrame MixOneFrame(StereoFrame sample, std::initializer_list<float> volumes)
{
    InitAudio();
    auto* data = static_cast<StereoFrame*>(std::calloc(1, sizeof(StereoFrame)));
    *data = sample;
    SampleBank[0] = {1, data};
    SamplesLoaded = true;
    SampleClock = 1;
    int number = 0;
    for (float volume : volumes)
    {
        Voices[number] = {0, 0, 0, 1, 0, 0.0f, volume, 0.0f, 0.0f, FirstSampleSound, 1};
        VoiceSounding[number++] = true;
    }
    StereoFrame out;
    MixFrames(&out, 1);
    return out;
}

// Fills every bank entry but drum 5 (a file that failed) with a decaying triangle wave.
void FillBankWithTones()
{
    for (int i = 0; i < SampleCount; ++i)
    {
        if (i == 5)
        {
            continue;
        }
        const int length = 1500 + 600 * i;
        const int peak = i < DrumCount ? 9000 + 500 * i : 12000;
        const int period = 40 + 7 * i;
        auto* data = static_cast<StereoFrame*>(std::calloc(length, sizeof(StereoFrame)));
        for (int k = 0; k < length; ++k)
        {
            const int phase = k % period;
            const int triangle = 4 * (phase < period / 2 ? phase : period - phase) - period;
            const int value = triangle * (peak / period) * (length - k) / length;
            data[k] = {static_cast<std::int16_t>(value), static_cast<std::int16_t>(-value / 2)};
        }
        SampleBank[i] = {length, data};
    }
    SamplesLoaded = true;
}
} // namespace

TEST(Mixer, LoudSumsSaturateOnceInsteadOfWrapping)
{
    const StereoFrame loud = MixOneFrame({30000, -30000}, {1.0f, 1.0f});
    EXPECT_EQ(loud.left, 32767); // wrapping would have given -5536
    EXPECT_EQ(loud.right, -32768);
    // A voice of the opposite sign still counts in full.
    EXPECT_EQ(MixOneFrame({30000, -30000}, {1.0f, 1.0f, -1.0f}).left, 30000);
}

// A busy run through the real callback: title then match music across the clock's wrap and
// several bars, effect requests of every kind handed over through the slots (bursts that
// exhaust the voices, loud ones that saturate, square-wave notes with their full envelope),
// echo halvings and buffer lengths that are no whole number of frames. Every output byte, and
// every ended effect voice reported back, must stay as it is.
TEST(Mixer, OutputDigestIsStable)
{
    InitAudio();
    FillBankWithTones();
    SeedRand(2024);
    SampleClock = 0u - 3u * BeatLength - 1234u;
    const int lengths[] = {8192, 8192, 4003, 8192, 1, 8192, 6000, 0, 8192, 2050};
    alignas(4) static unsigned char stream[8192 + 4];
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const auto digest = [&hash](const void* bytes, std::size_t count) // FNV-1a
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            hash = (hash ^ static_cast<const unsigned char*>(bytes)[i]) * 0x100000001b3ull;
        }
    };
    int frames = 0;
    for (int call = 0; frames < 500000; ++call)
    {
        const int column = Rand() % 6;
        const float pan = (static_cast<float>(column) - 2.5f) * 0.3f;
        const bool burst = call % 40 == 17; // more requests than effect voices
        for (int n = burst ? 70 : Rand() % 4 / 3; n > 0; --n)
        {
            const float volume = burst ? 0.02f : 0.1f + static_cast<float>(Rand() % 4) * 0.1f;
            PlayEffect(SoundBall + Rand() % 8, volume, pan);
        }
        switch (call % 31)
        {
            case 3:
                PlaySound(SoundSquare, 330.0f, 0.3f, 1.0f, pan);
                break;
            case 7:
                PlaySound(SoundScore, 0.0f, 4.0f, 0.6f, 0.0f); // saturates
                break;
            case 11:
                PlaySound(SoundEnd, 0.0f, -0.4f, 0.6f, -3.0f);
                break;
            case 13:
                PlayEffect(SoundStep, std::nanf(""), pan); // silent
                break;
            case 29:
                RequestEchoHalving();
                break;
        }
        SubmitAudioStatus(call >= 60 && call < 200);
        const int length = lengths[call % 10];
        std::memset(stream, 0xab, sizeof(stream));
        AudioCallback(stream, length);
        digest(stream, length / 4 * 4);
        ASSERT_EQ(stream[length / 4 * 4], 0xab); // a part of a frame stays as it was
        const AudioStatusSlot& ended = AudioStatusSlots[AudioSlot]; // in the order they ended
        digest(ended.voiceList, ended.voiceCount * sizeof(int));
        frames += length / 4;
    }
    EXPECT_EQ(hash, 9123254765585309039u);
}
