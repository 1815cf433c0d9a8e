// Tests of the player's hold on the sound: the volume's levels on the mixed frames, the keys
// that set them and what they keep, and a held sound that goes on exactly where it stood.
#include "app/settings.h"
#include "app/sound_control.h"
#include "audio/mixer.h"
#include "audio/music.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "audio/volume.h"
#include "platform/rand.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{
// The title music's first two seconds from the start, with the volume and mute given.
std::vector<StereoFrame> Mix(int volume, bool muted)
{
    InitAudio();
    SeedRand(1);
    SetSound(volume, muted);
    std::vector<StereoFrame> out(2 * SampleRate);
    MixFrames(out.data(), static_cast<int>(out.size()));
    return out;
}

double Power(const std::vector<StereoFrame>& frames)
{
    double sum = 0;
    for (const StereoFrame& frame : frames)
    {
        sum += static_cast<double>(frame.left) * frame.left +
               static_cast<double>(frame.right) * frame.right;
    }
    return sum;
}
} // namespace

// The loudest level leaves the sound bit for bit as it was; each step down is 3 dB quieter (to
// within the rounding of 16-bit frames), level 0 and the mute are silent, and nothing past the
// frames asked for is written.
TEST(SoundControl, EachVolumeStepIsThreeDecibelsAndTheTopOneChangesNothing)
{
    InitAudio();
    SeedRand(1);
    std::vector<StereoFrame> plain(2 * SampleRate);
    MixFrames(plain.data(), static_cast<int>(plain.size()));
    const std::vector<StereoFrame> full = Mix(MaxVolume, false);
    ASSERT_GT(Power(full), 0.0);
    for (std::size_t n = 0; n < full.size(); ++n)
    {
        ASSERT_TRUE(full[n].left == plain[n].left && full[n].right == plain[n].right) << n;
    }
    double louder = Power(full);
    for (int volume = MaxVolume - 1; volume >= 1; --volume)
    {
        const double power = Power(Mix(volume, false));
        EXPECT_NEAR(10 * std::log10(louder / power), VolumeStepDb, 0.1) << volume;
        louder = power;
    }
    EXPECT_EQ(Power(Mix(0, false)), 0.0);
    EXPECT_EQ(Power(Mix(MaxVolume, true)), 0.0);
    EXPECT_EQ(VolumeGain(MaxVolume + 5), UnityGain);
    EXPECT_EQ(VolumeGain(-3), 0);
    SetSound(7, false);
    StereoFrame frames[3] = {{1000, -1000}, {32767, -32768}, {7, 7}};
    ApplyOutputGain(frames, 2);
    EXPECT_TRUE(frames[0].left == -frames[0].right && frames[0].left < 1000 && frames[0].left > 0);
    EXPECT_TRUE(frames[2].left == 7 && frames[2].right == 7);
    InitAudio();
}

// Held, the mixer writes silence and moves nothing on: released, it goes on with the very frames
// it would have written without the hold.
TEST(SoundControl, AHeldSoundGoesOnWhereItStood)
{
    const std::vector<StereoFrame> straight = Mix(MaxVolume, false);
    InitAudio();
    SeedRand(1);
    std::vector<StereoFrame> held(straight.size());
    const int half = static_cast<int>(straight.size() / 2);
    MixFrames(held.data(), half);
    const std::uint32_t clock = SampleClock;
    SoundHeld.store(true);
    std::vector<StereoFrame> silence(SampleRate, StereoFrame{1, 1});
    MixFrames(silence.data(), SampleRate);
    EXPECT_EQ(Power(silence), 0.0);
    EXPECT_EQ(SampleClock, clock);
    SoundHeld.store(false);
    MixFrames(held.data() + half, half);
    for (std::size_t n = 0; n < straight.size(); ++n)
    {
        ASSERT_TRUE(held[n].left == straight[n].left && held[n].right == straight[n].right) << n;
    }
}

// The keys: the mute turns over; a step moves the level by one within 0..10; a step up from a
// mute plays again at the level it had, and a step down keeps it muted. Each change reaches the
// mixer, is kept for the next start and shows the notice for its time; other keys do nothing.
TEST(SoundControl, KeysStepTheVolumeAndTurnTheMuteAndKeepWhatTheyChose)
{
    InitAudio();
    SetSound(2, false);
    SettingsChanged = false;
    PressSoundKey(KeyCursorUp);
    EXPECT_TRUE(!SettingsChanged && SoundNoticeLeft == 0);
    const Key keys[] = {KeyVolumeDown, KeyVolumeDown, KeyVolumeDown, KeyVolumeUp, KeyMute,
                        KeyVolumeDown, KeyVolumeUp,   KeyMute,       KeyMute,     KeyMute};
    const int volumes[] = {1, 0, 0, 1, 1, 1, 1, 1, 1, 1};
    const bool mutes[] = {false, false, false, false, true, true, false, true, false, true};
    for (int n = 0; n < 10; ++n)
    {
        PressSoundKey(keys[n]);
        EXPECT_TRUE(Volume == volumes[n] && Muted == mutes[n]) << n;
        EXPECT_EQ(OutputGain.load(), mutes[n] ? 0 : VolumeGain(volumes[n])) << n;
        EXPECT_TRUE(KeptSettings.volume == Volume && KeptSettings.muted == Muted) << n;
    }
    for (int n = 0; n < MaxVolume + 2; ++n)
    {
        PressSoundKey(KeyVolumeUp);
    }
    EXPECT_TRUE(Volume == MaxVolume && !Muted && OutputGain.load() == UnityGain);
    EXPECT_TRUE(SettingsChanged && SoundNoticeLeft == SoundNoticeSteps);
    TickSoundNotice(SoundNoticeSteps - 1);
    EXPECT_EQ(SoundNoticeLeft, 1);
    TickSoundNotice(32);
    EXPECT_EQ(SoundNoticeLeft, 0);
    SettingsChanged = false;
    InitAudio();
}
