// Tests of the sound requests: the effect voice search, the bank check and the volume clamp.
#include "audio/sound_requests.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{
std::vector<int> Queued()
{
    const AudioStatusSlot& slot = AudioStatusSlots[MainSlot];
    return std::vector<int>(slot.voiceList, slot.voiceList + slot.voiceCount);
}
} // namespace

TEST(SoundRequests, SearchTakesTheNextFreeVoiceInRotation)
{
    InitAudio();
    SamplesLoaded = true;
    std::fill(EffectVoiceTaken, EffectVoiceTaken + 63, true);
    NextEffectVoice = 5;
    PlaySound(SoundBall, 0.0f, 0.2f, 0.6f, 0.0f); // only 63 is free
    PlaySound(SoundEnd, 0.0f, 0.4f, 0.6f, 0.0f);  // none is: nothing changes
    EXPECT_EQ(Queued(), (std::vector<int>{63}));
    EXPECT_TRUE(NextEffectVoice == 63 && Voices[63].sound == SoundBall);
}

// Sample sounds wait for the bank, and while a replay holds some back they are dropped one a
// request; a synthesized sound needs no bank.
TEST(SoundRequests, SamplesWaitForTheBankAndAreNotReplayed)
{
    InitAudio();
    PlaySound(SoundScore, 0.0f, 0.4f, 0.6f, 0.0f);
    PlayEffect(SoundSquare, 0.4f, 0.0f); // every effect waits, whatever its number
    EXPECT_TRUE(Queued().empty());
    PlaySound(SoundSquare, 440.0f, 0.1f, 1.0f, 0.0f); // a synthesized sound needs no bank
    EXPECT_EQ(VoiceLength(Voices[0]), 500u + 5000u + 50000u);
    SamplesLoaded.store(true);
    SoundsHeldBack = 1; // a replay's sample sound that was not heard when the match was played
    PlayEffect(SoundSwap, 0.4f, 0.0f);
    PlayEffect(SoundRotate, 0.4f, 0.0f);
    EXPECT_EQ(Queued(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Voices[1].sound, SoundRotate);
}

TEST(SoundRequests, PlayEffectClampsLoudVolumesOnly)
{
    InitAudio();
    SamplesLoaded = true;
    PlayEffect(SoundSwap, 2.5f, 0.0f);
    EXPECT_TRUE(Voices[0].volume >= 1.5f && Voices[0].volume <= 1.6023f) << Voices[0].volume;
    EXPECT_FLOAT_EQ(Voices[0].send, 0.6f);
    PlayEffect(SoundSwap, -0.5f, 0.0f);
    EXPECT_LT(Voices[1].volume, -0.7f); // passed through: the sample plays inverted
    PlayEffect(SoundSwap, std::nanf(""), 0.0f);
    EXPECT_TRUE(std::isnan(Voices[2].volume));
}
