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
#include <vector>

namespace
{
// A clean start with a loaded bank whose entry 0 holds frames, the clock between two beats.
void ResetWithSample(const std::vector<StereoFrame>& frames)
{
    InitAudio();
    auto* data = static_cast<StereoFrame*>(std::calloc(frames.size(), sizeof(StereoFrame)));
    std::memcpy(data, frames.data(), frames.size() * sizeof(StereoFrame));
    SampleBank[0] = {static_cast<std::int32_t>(frames.size()), data};
    SamplesLoaded = true;
    SampleClock = 1;
}

// Switches voice number on, playing bank entry 0 centred at volume.
void SoundSample(int number, float volume)
{
    const auto length = static_cast<std::uint32_t>(SampleLength(0));
    Voices[number] = {0, 0, 0, length, 0, 0.0f, volume, 0.0f, 0.0f, FirstSampleSound, 1};
    VoiceActive[number] = true;
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

// FNV-1a over bytes, continuing from hash.
std::uint64_t Digest(std::uint64_t hash, const unsigned char* bytes, int count)
{
    for (int i = 0; i < count; ++i)
    {
        hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    }
    return hash;
}
} // namespace

TEST(Mixer, LoudSumsSaturateOnceInsteadOfWrapping)
{
    ResetWithSample({{30000, -30000}});
    SoundSample(0, 1.0f);
    SoundSample(1, 1.0f);
    StereoFrame out[2];
    MixFrames(out, 1);
    EXPECT_EQ(out[0].left, 32767); // wrapping would have given -5536
    EXPECT_EQ(out[0].right, -32768);
    SoundSample(0, 1.0f);
    SoundSample(1, 1.0f);
    SoundSample(2, -1.0f); // a voice of the opposite sign still counts in full
    MixFrames(out + 1, 1);
    EXPECT_EQ(out[1].left, 30000);
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
        hash = Digest(hash, stream, length / 4 * 4);
        ASSERT_EQ(stream[length / 4 * 4], 0xab); // a part of a frame stays as it was
        const AudioStatusSlot& ended = AudioStatusSlots[AudioSlot]; // in the order they ended
        hash = Digest(hash, reinterpret_cast<const unsigned char*>(ended.voiceList),
                      ended.voiceCount * static_cast<int>(sizeof(int)));
        frames += length / 4;
    }
    EXPECT_EQ(hash, 9123254765585309039u);
}
