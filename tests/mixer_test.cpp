// Tests of the mixer: saturation of the sums, the music started on its beat's own frame, and
// ended effect voices reported back in order.
#include "audio/mixer.h"

#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iterator>
#include <utility>
#include <vector>

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
// (the drum waits for the bank) on that frame: both have sounded five frames. The clock's wrap
// to 0 is such a beat too.
TEST(Mixer, MusicStartsOnTheBeatsOwnFrame)
{
    for (const std::uint32_t clock : {BarBeats * BeatLength - 3, 0xfffffffdu})
    {
        InitAudio();
        SubmitAudioStatus(true);
        SampleClock = clock;
        StereoFrame out[8];
        MixFrames(out, 8);
        EXPECT_TRUE(VoiceSounding[FirstMusicVoice + 1] && !VoiceSounding[FirstMusicVoice + 2]);
        EXPECT_EQ(Voices[FirstMusicVoice].position + Voices[FirstMusicVoice + 1].position, 10u);
    }
}

// Effect voices that end in a callback are switched off and reported back in the audio thread's
// slot in the order of the frames they ended in, lower numbers first within a frame; a music
// voice ends unreported. The callback writes whole frames only.
TEST(Mixer, EndedEffectVoicesAreReportedBackInTheOrderTheyEnded)
{
    InitAudio();
    SampleClock = 1; // no beat in the next 64 frames
    for (const auto& [v, length] : {std::pair{2, 30}, {5, 10}, {7, 10}, {9, 5}, {64, 3}, {11, 99}})
    {
        Voices[v] = {0, 0, 0, static_cast<std::uint32_t>(length), 0, 0, 0, 0, 0, SoundSquare, 0};
        VoiceSounding[v] = true;
    }
    unsigned char stream[64 * 4 + 3];
    std::fill(std::begin(stream), std::end(stream), 0xab);
    AudioCallback(stream, sizeof stream);
    const AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    EXPECT_EQ(std::vector<int>(slot.voiceList, slot.voiceList + slot.voiceCount),
              (std::vector<int>{9, 5, 7, 2}));
    EXPECT_TRUE(VoiceSounding[11] && !VoiceSounding[64] && SampleClock == 65);
    EXPECT_TRUE(stream[64 * 4 - 1] == 0 && stream[64 * 4] == 0xab); // silent frames, then untouched
}
