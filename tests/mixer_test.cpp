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
