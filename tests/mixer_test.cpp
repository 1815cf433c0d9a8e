// Tests of the mixer: saturation of the sums, the music started on its beat's own frame, and
// ended effect voices reported back.
#include "audio/mixer.h"

#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"

#include <cstdlib>
#include <gtest/gtest.h>

// Voices play a one-frame sample at full scale, centred, with no echo, between two beats: two
// at volume 1, then the same with a third at volume -1, which still counts in full.
TEST(Mixer, LoudSumsSaturateOnceInsteadOfWrapping)
{
    InitAudio();
    auto* data = static_cast<StereoFrame*>(std::calloc(1, sizeof(StereoFrame)));
    *data = {30000, -30000};
    SampleBank[0] = {1, data};
    StereoFrame out[2];
    for (int mix = 0; mix < 2; ++mix)
    {
        SampleClock = 1;
        for (int v = 0; v < 2 + mix; ++v)
        {
            Voices[v] = {0, 0, 0, 1, 0, 0.0f, v < 2 ? 1.0f : -1.0f, 0.0f, 0.0f, FirstSampleSound,
                         1};
            VoiceSounding[v] = true;
        }
        MixFrames(&out[mix], 1);
    }
    EXPECT_EQ(out[0].left * 100000ll + out[0].right, 3276700000ll - 32768); // not wrapped
    EXPECT_EQ(out[1].left, 30000);
}

// The match music's first beat three frames into an eight-frame callback starts its two notes
// (the drum waits for the bank) on that frame: both have sounded five frames.
TEST(Mixer, MusicStartsOnTheBeatsOwnFrame)
{
    InitAudio();
    SubmitAudioStatus(true);
    SampleClock = BarBeats * BeatLength - 3;
    StereoFrame out[8];
    MixFrames(out, 8);
    EXPECT_TRUE(VoiceSounding[FirstMusicVoice + 1] && !VoiceSounding[FirstMusicVoice + 2]);
    EXPECT_EQ(Voices[FirstMusicVoice].position + Voices[FirstMusicVoice + 1].position, 10u);
}

// An effect voice that has sounded to its end is switched off and reported back in the audio
// thread's slot.
TEST(Mixer, EndedEffectVoicesAreReportedBack)
{
    InitAudio();
    PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f); // 55500 frames after a start on the grid
    SubmitAudioStatus(false);
    static StereoFrame out[60000];
    MixFrames(out, 50000);
    EXPECT_TRUE(VoiceSounding[0]);
    MixFrames(out, 10000);
    const AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    EXPECT_TRUE(!VoiceSounding[0] && slot.voiceCount == 1 && slot.voiceList[0] == 0);
}
