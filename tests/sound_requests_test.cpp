// Tests of the sound requests: the effect voice search, the bank check and the volume clamp.
#include "audio/sound_requests.h"

#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "platform/rand.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{
void ResetRequests(bool samplesLoaded)
{
    InitVoices();
    InitSampleBank();
    InitStatusHandoff();
    InitSoundRequests();
    SamplesLoaded.store(samplesLoaded);
    SeedRand(3);
}

std::vector<int> QueuedVoices()
{
    const AudioStatusSlot& slot = AudioStatusSlots[MainSlot];
    return std::vector<int>(slot.voiceList, slot.voiceList + slot.voiceCount);
}
} // namespace

TEST(SoundRequests, SearchTakesTheNextFreeVoiceInRotation)
{
    ResetRequests(true);
    PlaySound(SoundStep, 0.0f, 0.4f, 0.6f, 0.0f);
    PlaySound(SoundPush, 0.0f, 0.4f, 0.6f, 0.0f);
    PlaySound(SoundSwap, 0.0f, 0.4f, 0.6f, 0.0f);
    EXPECT_EQ(QueuedVoices(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(NextEffectVoice, 2);
    EXPECT_EQ(Voices[1].sound, SoundPush);

    // With voices 0..62 busy and the search starting at 5, only 63 is free.
    ResetRequests(true);
    for (int i = 0; i < 63; ++i)
    {
        VoiceBusy[i] = true;
    }
    NextEffectVoice = 5;
    PlaySound(SoundBall, 0.0f, 0.2f, 0.6f, 0.0f);
    EXPECT_EQ(QueuedVoices(), (std::vector<int>{63}));
    EXPECT_EQ(NextEffectVoice, 63);
    EXPECT_TRUE(VoiceBusy[63]);

    // All 64 busy: nothing changes, not even where the next search starts.
    const Voice before = Voices[20];
    PlaySound(SoundEnd, 0.0f, 0.4f, 0.6f, 0.0f);
    EXPECT_EQ(QueuedVoices(), (std::vector<int>{63}));
    EXPECT_EQ(NextEffectVoice, 63);
    EXPECT_EQ(Voices[20].sound, before.sound);
}

TEST(SoundRequests, SamplesWaitForTheBankAndAreNotReplayed)
{
    ResetRequests(false);
    PlaySound(SoundScore, 0.0f, 0.4f, 0.6f, 0.0f);
    PlayEffect(SoundStep, 0.4f, 0.0f);
    PlayEffect(SoundSquare, 0.4f, 0.0f); // every effect waits, whatever its number
    EXPECT_TRUE(QueuedVoices().empty());
    EXPECT_FALSE(VoiceBusy[0]);

    PlaySound(SoundSquare, 440.0f, 0.1f, 1.0f, 0.0f); // a synthesized sound needs no bank
    EXPECT_EQ(QueuedVoices(), (std::vector<int>{0}));
    EXPECT_EQ(Voices[0].attack, 500u);
    EXPECT_EQ(Voices[0].sustain, 5000u);
    EXPECT_EQ(Voices[0].release, 50000u);
    EXPECT_EQ(Voices[0].delay, 0u);

    SamplesLoaded.store(true);
    PlayEffect(SoundRotate, 0.4f, 0.0f);
    EXPECT_EQ(QueuedVoices(), (std::vector<int>{0, 1})); // the early requests are gone
    EXPECT_EQ(Voices[1].sound, SoundRotate);
}

TEST(SoundRequests, PlayEffectClampsLoudVolumesOnly)
{
    ResetRequests(true);
    const float pan = (4 - 2.5f) * 0.3f; // board column 4
    SeedRand(9);
    const int panDraw = Rand();
    const int volumeDraw = Rand();
    const float boost = 1.5f + static_cast<float>(volumeDraw % 1024) * 0.0001f;
    SeedRand(9);
    PlayEffect(SoundSwap, 2.5f, pan);
    EXPECT_EQ(Voices[0].volume, 1.0f * boost);
    EXPECT_EQ(Voices[0].pan, static_cast<float>(panDraw % 16) / 128.0f - pan);
    EXPECT_FLOAT_EQ(Voices[0].send, 0.6f);
    EXPECT_EQ(Voices[0].frequency, 0.0f);

    PlayEffect(SoundSwap, -0.5f, 0.0f);
    EXPECT_LT(Voices[1].volume, -0.7f); // passed through: the sample plays inverted
    PlayEffect(SoundSwap, std::nanf(""), 0.0f);
    EXPECT_TRUE(std::isnan(Voices[2].volume));
}
