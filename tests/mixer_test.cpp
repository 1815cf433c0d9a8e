// Tests of the mixer: saturation of the sums, the music started on the beat's own frame, and
// ended effect voices handed back.
#include "audio/mixer.h"

#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"

#include <cstdlib>
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
} // namespace

TEST(Mixer, LoudSumsSaturateOnceInsteadOfWrapping)
{
    const StereoFrame loud = MixOneFrame({30000, -30000}, {1.0f, 1.0f});
    EXPECT_EQ(loud.left, 32767); // wrapping would have given -5536
    EXPECT_EQ(loud.right, -32768);
    // A voice of the opposite sign still counts in full.
    EXPECT_EQ(MixOneFrame({30000, -30000}, {1.0f, 1.0f, -1.0f}).left, 30000);
}

// A beat inside a callback starts its music at its own frame: the match music's first beat
// (its two notes; the drum waits for the bank) three frames into an eight-frame callback
// leaves both notes five frames on.
TEST(Mixer, MusicStartsOnTheBeatsOwnFrame)
{
    InitAudio();
    SubmitAudioStatus(true);
    SampleClock = BarBeats * BeatLength - 3;
    StereoFrame out[8];
    MixFrames(out, 8);
    EXPECT_TRUE(VoiceSounding[FirstMusicVoice] && VoiceSounding[FirstMusicVoice + 1]);
    EXPECT_FALSE(VoiceSounding[FirstMusicVoice + 2]);
    EXPECT_EQ(Voices[FirstMusicVoice].position + Voices[FirstMusicVoice + 1].position, 10u);
}

// An effect voice that has sounded to its end is switched off and reported in the audio
// thread's slot, which frees it for a new request two publishes later.
TEST(Mixer, EndedEffectVoicesAreHandedBack)
{
    InitAudio();
    PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f); // 55500 frames after a start on the grid
    SubmitAudioStatus(false);
    static StereoFrame out[30000];
    MixFrames(out, 30000);
    EXPECT_TRUE(VoiceSounding[0]);
    MixFrames(out, 30000);
    const AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    EXPECT_TRUE(!VoiceSounding[0] && slot.voiceCount == 1 && slot.voiceList[0] == 0);
    SubmitAudioStatus(false);
    MixFrames(out, 1);
    SubmitAudioStatus(false);
    EXPECT_FALSE(EffectVoiceTaken[0]);
}
