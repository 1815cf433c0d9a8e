// Tests of the status hand-off: strict alternation, voices travelling both ways, the echo
// request, and two threads running the rotation against each other.
#include "audio/status_handoff.h"

#include "audio/echo.h"
#include "audio/mixer.h"
#include "audio/sound_requests.h"
#include "platform/rand.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace
{
void RequestNote()
{
    PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f);
}
} // namespace

TEST(StatusHandoff, PublishAndTakeAlternateStrictly)
{
    InitAudio();
    SubmitAudioStatus(false); // the first publish goes through at once
    EXPECT_EQ(MainSlot * 100 + SpareSlot * 10 + AudioSlot, 120);
    SubmitAudioStatus(true); // not taken yet: the main thread goes on filling its slot
    EXPECT_EQ(MainSlot, 1);
    TakeAudioStatus();
    EXPECT_EQ(MainSlot * 100 + SpareSlot * 10 + AudioSlot, 102);
    EXPECT_TRUE(AudioStatusSlots[AudioSlot].titleMusic);
    TakeAudioStatus(); // nothing new: the audio thread keeps its slot
    EXPECT_EQ(AudioSlot, 2);
    SubmitAudioStatus(true);
    TakeAudioStatus();
    EXPECT_EQ(MainSlot * 100 + SpareSlot * 10 + AudioSlot, 21);
    EXPECT_FALSE(AudioStatusSlots[AudioSlot].titleMusic);
}

TEST(StatusHandoff, VoicesStartTogetherOnTheGridAndComeBackOnePublishLater)
{
    InitAudio();
    RequestNote();
    SubmitAudioStatus(false); // published with voice 0
    RequestNote();
    SubmitAudioStatus(false); // not taken yet: voice 1 waits in the main slot
    RequestNote();
    SubmitAudioStatus(false); // voice 2 joins it
    SampleClock = 100;
    TakeAudioStatus();
    EXPECT_TRUE(VoiceActive[0] && !VoiceActive[1]);
    SubmitAudioStatus(false);
    SampleClock = 200;
    TakeAudioStatus();
    EXPECT_TRUE(VoiceActive[1] && VoiceActive[2]);
    EXPECT_EQ(Voices[1].delay, 3307u - 200u);
    EXPECT_EQ(Voices[2].delay, 3307u - 200u);

    VoiceActive[1] = false; // voice 1 ends while the audio thread holds this slot
    AppendSlotVoice(AudioStatusSlots[AudioSlot], 1);
    SubmitAudioStatus(false); // receives the slot given up at the earlier take
    EXPECT_TRUE(VoiceBusy[1]);
    TakeAudioStatus(); // gives up the slot holding voice 1
    SubmitAudioStatus(false);
    EXPECT_FALSE(VoiceBusy[1]);
    EXPECT_TRUE(VoiceBusy[0] && VoiceBusy[2]);
}

TEST(StatusHandoff, EchoRequestHalvesTheRingOnceWhenTaken)
{
    InitAudio();
    EchoRing[10] = {101, -101};
    EchoRing[EchoLength - 1] = {-32768, 32767};
    RequestEchoHalving();
    SubmitAudioStatus(true);
    EXPECT_EQ(EchoRing[10].left, 101);
    TakeAudioStatus();
    EXPECT_EQ(EchoRing[10].left * 1000 + EchoRing[10].right, 50 * 1000 - 50);
    EXPECT_EQ(EchoRing[EchoLength - 1].left, -16384);
    SubmitAudioStatus(true);
    TakeAudioStatus();
    EXPECT_EQ(EchoRing[10].left, 50);
}

// The main thread requests notes and publishes; the audio thread takes, ends voices at random
// and reports them. Every request must be switched on exactly once and come back exactly once.
TEST(StatusHandoff, TwoThreadsNeverLoseOrDoubleAVoice)
{
    InitAudio();
    SeedRand(17);
    struct AudioSide
    {
        bool sounding[EffectVoices] = {};
        std::atomic<int> takes = 0;
        int started = 0, ended = 0;

        void Callback(bool endAll)
        {
            const int held = AudioSlot;
            TakeAudioStatus();
            takes += AudioSlot != held ? 1 : 0;
            for (int v = 0; v < EffectVoices; ++v)
            {
                started += VoiceActive[v] && !sounding[v] ? 1 : 0;
                sounding[v] = VoiceActive[v];
                if (sounding[v] && (endAll || Rand() % 3 == 0))
                {
                    sounding[v] = false;
                    VoiceActive[v] = false;
                    AppendSlotVoice(AudioStatusSlots[AudioSlot], v);
                    ++ended;
                }
            }
        }
    } side;
    std::atomic<bool> stop = false;
    std::thread audio(
        [&]
        {
            while (!stop)
            {
                side.Callback(false);
            }
        });
    int queued = 0;
    for (int submits = 0; side.takes < 20000 && submits < 10000000; ++submits)
    {
        const int before = AudioStatusSlots[MainSlot].voiceCount;
        for (int n = Rand() % 4; n > 0; --n)
        {
            RequestNote();
        }
        queued += AudioStatusSlots[MainSlot].voiceCount - before;
        SubmitAudioStatus(false);
    }
    stop = true;
    audio.join();
    ASSERT_GE(side.takes, 20000);
    for (int round = 0; round < 4; ++round) // hand everything back
    {
        SubmitAudioStatus(false);
        side.Callback(true);
    }
    SubmitAudioStatus(false);
    EXPECT_EQ(side.started, queued);
    EXPECT_EQ(side.ended, queued);
    for (int v = 0; v < EffectVoices; ++v)
    {
        EXPECT_FALSE(VoiceBusy[v] || VoiceActive[v]) << v;
    }
}
