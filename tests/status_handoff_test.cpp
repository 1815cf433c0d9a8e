// Tests of the status hand-off: strict alternation, voices travelling both ways, the echo
// halving taken once with its slot, and two threads running the rotation against each other.
#include "audio/status_handoff.h"

#include "audio/echo.h"
#include "audio/mixer.h"
#include "audio/sound_requests.h"
#include "platform/rand.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <utility>

// Publish and take alternate strictly. A request made while the audio thread has not taken
// the last slot waits in the main slot and starts, on the grid, with the next take; a voice
// that ends is free again only once the slot holding it has come back to the main thread.
TEST(StatusHandoff, PublishAndTakeAlternateStrictly)
{
    InitAudio();
    PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f);
    SubmitAudioStatus(true); // the first publish goes through at once, with voice 0
    PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f);
    SubmitAudioStatus(false); // not taken yet: voice 1 waits in the main slot
    TakeAudioStatus();
    TakeAudioStatus(); // nothing new: the audio thread keeps its slot
    EXPECT_TRUE(!AudioStatusSlots[AudioSlot].titleMusic && VoiceSounding[0] && !VoiceSounding[1]);
    VoiceSounding[0] = false; // voice 0 ends while the audio thread holds this slot
    AppendSlotVoice(AudioStatusSlots[AudioSlot], 0);
    SubmitAudioStatus(false); // receives the slot given up at the first take
    SampleClock = 200;
    TakeAudioStatus(); // gives up the slot holding voice 0
    EXPECT_TRUE(AudioStatusSlots[AudioSlot].titleMusic && VoiceSounding[1] && EffectVoiceTaken[0]);
    EXPECT_EQ(Voices[1].delay, 3307u - 200u);
    SubmitAudioStatus(false);
    EXPECT_TRUE(!EffectVoiceTaken[0] && EffectVoiceTaken[1]);
}

// The audio thread halves the echo ring (toward zero) when it takes the slot that asked for it,
// and clears the request, so the slot does not ask again when it comes round.
TEST(StatusHandoff, EchoHalvingIsTakenOnceWithItsSlot)
{
    InitAudio();
    EchoRing[0] = {-7, 7};
    EchoRing[EchoLength - 1] = {-32768, 32767};
    RequestEchoHalving();
    for (int round = 0; round < 2 * StatusSlots; ++round)
    {
        SubmitAudioStatus(false);
        TakeAudioStatus();
    }
    const StereoFrame first = EchoRing[0], last = EchoRing[EchoLength - 1];
    EXPECT_EQ((std::tuple<int, int, int, int>(first.left, first.right, last.left, last.right)),
              std::tuple(-3, 3, -16384, 16383));
}

// The main thread requests notes and publishes; the audio thread takes, ends voices at random
// and reports them. Every request must be switched on exactly once and come back exactly once.
// Neither side assumes that the other runs: the main thread goes on until the audio thread
// has taken enough slots, yielding when it has not taken one since the last look; the cap on
// its turns only keeps a broken rotation from hanging the test.
TEST(StatusHandoff, TwoThreadsNeverLoseOrDoubleAVoice)
{
    InitAudio();
    SeedRand(17);
    bool sounding[EffectVoices] = {};
    std::atomic<int> takes = 0;
    int queued = 0, started = 0, ended = 0;
    const auto callback = [&](bool endAll) // the audio thread's side
    {
        const int held = AudioSlot;
        TakeAudioStatus();
        takes += AudioSlot != held ? 1 : 0;
        for (int v = 0; v < EffectVoices; ++v)
        {
            started += VoiceSounding[v] && !sounding[v] ? 1 : 0;
            sounding[v] = VoiceSounding[v] && !endAll && Rand() % 3 != 0;
            if (VoiceSounding[v] && !sounding[v])
            {
                VoiceSounding[v] = false;
                AppendSlotVoice(AudioStatusSlots[AudioSlot], v);
                ++ended;
            }
        }
    };
    constexpr int Rotations = 5000;
    std::atomic<bool> stop = false;
    std::thread audio(
        [&]
        {
            while (!stop)
            {
                callback(false);
            }
        });
    for (long turn = 0; takes < Rotations && turn < 100000000; ++turn)
    {
        const int takesSeen = takes, before = AudioStatusSlots[MainSlot].voiceCount;
        for (int n = Rand() % 4; n > 0; --n)
        {
            PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f);
        }
        queued += AudioStatusSlots[MainSlot].voiceCount - before;
        SubmitAudioStatus(false);
        if (takes == takesSeen)
        {
            std::this_thread::yield(); // let the audio thread take its turn
        }
    }
    stop = true;
    audio.join();
    ASSERT_GE(takes, Rotations);
    for (int round = 0; round < 9; ++round) // hand everything back
    {
        round % 2 == 0 ? SubmitAudioStatus(false) : callback(true);
    }
    EXPECT_EQ(std::pair(started, ended), std::pair(queued, queued));
    EXPECT_EQ(std::count(EffectVoiceTaken, EffectVoiceTaken + EffectVoices, true), 0);
    EXPECT_EQ(std::count(VoiceSounding, VoiceSounding + EffectVoices, true), 0);
}
