// Tests of the mixer: voices summed dry and into the echo, voices ending and coming back,
// saturation, whole frames only, the music on the beat, and the audio start-up.
#include "audio/mixer.h"

#include "audio/echo.h"
#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "platform/rand.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
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

// Switches voice number on, playing bank entry 0 centred at the given volume and send.
void SoundSample(int number, float volume, float send)
{
    Voices[number] = {0,      0,
                      0,      static_cast<std::uint32_t>(SampleLength(0)),
                      0,      0.0f,
                      volume, send,
                      0.0f,   FirstSampleSound,
                      1};
    VoiceActive[number] = true;
}
} // namespace

TEST(Mixer, SumsVoicesThroughTheEchoAndReportsEndedEffects)
{
    ResetWithSample({{1000, -1000}, {2000, 0}, {0, 500}});
    SoundSample(3, 1.0f, 0.0f);
    SoundSample(100, 1.0f, 0.0f); // a music voice ends unreported
    SoundSample(5, 1.0f, 1.0f);   // and this one feeds the echo
    StereoFrame out[4];
    MixFrames(out, 4);
    // The echo of the send: 0.19 of what the forward head left (0.24 of 1000), twice.
    EXPECT_EQ(out[0].left, 3000 + 45 + 45);
    EXPECT_EQ(out[0].right, -3000 - 45 - 45);
    EXPECT_EQ(out[2].right, 1500);
    EXPECT_EQ(out[3].left, 0);
    EXPECT_FALSE(VoiceActive[3] || VoiceActive[5] || VoiceActive[100]);
    const AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    EXPECT_EQ(std::vector<int>(slot.voiceList, slot.voiceList + slot.voiceCount),
              (std::vector<int>{3, 5}));
}

TEST(Mixer, LoudSumsSaturateOnceInsteadOfWrapping)
{
    ResetWithSample({{30000, -30000}});
    SoundSample(0, 1.0f, 0.0f);
    SoundSample(1, 1.0f, 0.0f);
    StereoFrame out[2];
    MixFrames(out, 1);
    EXPECT_EQ(out[0].left, 32767); // wrapping would have given -5536
    EXPECT_EQ(out[0].right, -32768);
    SoundSample(0, 1.0f, 0.0f);
    SoundSample(1, 1.0f, 0.0f);
    SoundSample(2, -1.0f, 0.0f); // a voice of the opposite sign still counts in full
    MixFrames(out + 1, 1);
    EXPECT_EQ(out[1].left, 30000);
}

TEST(Mixer, CallbackWritesWholeLittleEndianFramesOnly)
{
    ResetWithSample({{1000, -1000}, {1000, -1000}, {1000, -1000}});
    SoundSample(0, 1.0f, 0.0f);
    alignas(4) unsigned char stream[4 * 3 + 3];
    std::memset(stream, 0xab, sizeof(stream));
    AudioCallback(stream, sizeof(stream));
    const unsigned char expected[] = {0xe8, 0x03, 0x18, 0xfc, 0xe8, 0x03, 0x18, 0xfc,
                                      0xe8, 0x03, 0x18, 0xfc, 0xab, 0xab, 0xab};
    EXPECT_EQ(std::memcmp(stream, expected, sizeof(stream)), 0);
    AudioCallback(stream, 3);
    AudioCallback(stream, -8);
    EXPECT_EQ(SampleClock, 4u);
}

TEST(Mixer, EffectRequestStartsOnTheGridAndComesBackWhenDone)
{
    ResetWithSample({{1000, 1000}, {1000, 1000}});
    PlaySound(FirstSampleSound, 0.0f, 0.4f, 0.0f, 0.0f);
    SubmitAudioStatus(true);
    std::vector<StereoFrame> out(GridLength + 2);
    MixFrames(out.data(), static_cast<int>(out.size()));
    // From clock 1 the next grid point is 3307: silence up to it, then the two frames.
    EXPECT_EQ(out[GridLength - 2].left, 0);
    EXPECT_NE(out[GridLength - 1].left * out[GridLength].left, 0);
    EXPECT_EQ(out[GridLength + 1].left, 0);
    SubmitAudioStatus(true);
    MixFrames(out.data(), 1);
    EXPECT_TRUE(VoiceBusy[0]);
    SubmitAudioStatus(true);
    EXPECT_FALSE(VoiceBusy[0]);
}

// Beat 1 of the match music's variant 0 always starts a two-beat note; the title music
// never starts one.
TEST(Mixer, BeatsPlayTheMusicTheSlotAsksFor)
{
    for (bool title : {false, true})
    {
        ResetWithSample({{0, 0}});
        AudioStatusSlots[AudioSlot].titleMusic = title;
        SampleClock = BeatLength;
        StereoFrame out[1];
        MixFrames(out, 1);
        bool twoBeatNote = false;
        for (int v = FirstMusicVoice; v < MaxVoices; ++v)
        {
            twoBeatNote = twoBeatNote || (VoiceActive[v] && Voices[v].release == BeatLength);
        }
        EXPECT_EQ(twoBeatNote, !title);
    }
}

TEST(Mixer, StartAudioResetsTheSubsystemDrawsTheFirstChordAndLoads)
{
    ResetWithSample({{0, 0}});
    VoiceBusy[3] = VoiceActive[70] = true;
    EchoRing[5] = {9, 9};
    SeedRand(8);
    const int chord = Rand() % ChordCount;
    SeedRand(8);
    StartAudio(); // the tests run where there is no sample folder
    EXPECT_FALSE(VoiceBusy[3] || VoiceActive[70] || SampleBank[0].frames != nullptr);
    EXPECT_EQ(EchoRing[5].left, 0);
    EXPECT_EQ(CurrentChord, chord);
    for (int tries = 0; tries < 10000 && !SamplesLoaded; ++tries)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(SamplesLoaded);
    ReleaseAudio();
}

namespace
{
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

// A busy run through the real callback: title then match music across the clock's wrap and
// several bars, effect requests of every kind handed over through the slots (bursts that
// exhaust the voices, loud ones that saturate, square-wave notes with their full envelope),
// echo halvings and odd buffer lengths. Every output byte must stay as it is.
TEST(Mixer, OutputDigestIsStable)
{
    InitAudio();
    FillBankWithTones();
    SeedRand(2024);
    SampleClock = 0u - 3u * BeatLength - 1234u;
    const int lengths[] = {8192, 8192, 4003, 8192, 1, 8192, 6000, 0, 8192, 2050};
    alignas(4) static unsigned char stream[8192];
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
        AudioCallback(stream, length);
        hash = Digest(hash, stream, length / 4 * 4);
        frames += length / 4;
    }
    EXPECT_EQ(hash, 2773728400946082606u);
}
