// Tests of the status hand-off: the strict alternation, voices travelling both ways, the echo
// request, lock misses, and two threads running the rotation against each other.
#include "audio/status_handoff.h"

#include "audio/echo.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "platform/rand.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace
{
void ResetHandoff()
{
    InitVoices();
    InitEcho();
    InitSampleBank();
    InitStatusHandoff();
    InitSoundRequests();
    SamplesLoaded.store(true);
    SeedRand(17);
}

void ExpectPermutation()
{
    EXPECT_EQ((1 << MainSlot) | (1 << SpareSlot) | (1 << AudioSlot), 7);
}

void RequestNote()
{
    PlaySound(SoundSquare, 440.0f, 0.1f, 0.5f, 0.0f);
}

// Runs a function on another thread while it holds StatusLock.
template<typename Body>
void WhileLockHeldElsewhere(Body body)
{
    std::atomic<bool> held = false;
    std::atomic<bool> done = false;
    std::thread holder(
        [&]
        {
            StatusLock.Enter();
            held = true;
            while (!done)
            {
                std::this_thread::yield();
            }
            StatusLock.Leave();
        });
    while (!held)
    {
        std::this_thread::yield();
    }
    body();
    done = true;
    holder.join();
}
} // namespace

TEST(StatusHandoff, PublishAndTakeAlternateStrictly)
{
    ResetHandoff();
    SubmitAudioStatus(false); // the first publish goes through at once
    EXPECT_EQ(MainSlot, 1);
    EXPECT_EQ(SpareSlot, 2);
    EXPECT_TRUE(SlotPublished);
    SubmitAudioStatus(true); // not taken yet: the main thread keeps filling its slot
    EXPECT_EQ(MainSlot, 1);
    EXPECT_FALSE(AudioStatusSlots[MainSlot].titleMusic);
    TakeAudioStatus();
    EXPECT_EQ(AudioSlot, 2);
    EXPECT_EQ(SpareSlot, 0);
    EXPECT_TRUE(AudioStatusSlots[AudioSlot].titleMusic);
    TakeAudioStatus(); // nothing new published: the audio thread keeps its slot
    EXPECT_EQ(AudioSlot, 2);
    SubmitAudioStatus(true);
    TakeAudioStatus();
    EXPECT_EQ(AudioSlot, 1);
    EXPECT_FALSE(AudioStatusSlots[AudioSlot].titleMusic);
    ExpectPermutation();
}

TEST(StatusHandoff, QueuedVoicesStartTogetherOnTheGrid)
{
    ResetHandoff();
    RequestNote();
    SubmitAudioStatus(false); // published with voice 0
    RequestNote();
    SubmitAudioStatus(false); // not taken yet: voice 1 waits in the main slot
    RequestNote();
    SubmitAudioStatus(false); // voice 2 joins it
    SampleClock = 100;
    TakeAudioStatus();
    EXPECT_TRUE(VoiceActive[0]);
    EXPECT_FALSE(VoiceActive[1]);
    SubmitAudioStatus(false);
    SampleClock = 200;
    TakeAudioStatus();
    for (int voice : {1, 2})
    {
        EXPECT_TRUE(VoiceActive[voice]);
        EXPECT_EQ(Voices[voice].delay, 3307u - 200u) << voice;
    }
    EXPECT_EQ(Voices[0].delay, 3307u - 100u);
    EXPECT_EQ(AudioStatusSlots[AudioSlot].voiceCount, 0);
}

TEST(StatusHandoff, EndedVoicesFreeTheirRequestOnePublishLater)
{
    ResetHandoff();
    RequestNote();
    SubmitAudioStatus(false);
    TakeAudioStatus();
    VoiceActive[0] = false; // the voice ends while the audio thread holds this slot
    AppendSlotVoice(AudioStatusSlots[AudioSlot], 0);
    SubmitAudioStatus(false); // receives the slot given up at the earlier take: still busy
    EXPECT_TRUE(VoiceBusy[0]);
    TakeAudioStatus(); // gives up the slot holding voice 0
    EXPECT_TRUE(VoiceBusy[0]);
    SubmitAudioStatus(false);
    EXPECT_FALSE(VoiceBusy[0]);
    EXPECT_EQ(AudioStatusSlots[MainSlot].voiceCount, 0);
}

TEST(StatusHandoff, EchoRequestHalvesTheRingOnceWhenTaken)
{
    ResetHandoff();
    EchoRing[10] = {101, -101};
    EchoRing[EchoLength - 1] = {-32768, 32767};
    RequestEchoHalving();
    SubmitAudioStatus(true);
    EXPECT_EQ(EchoRing[10].left, 101);
    TakeAudioStatus();
    EXPECT_EQ(EchoRing[10].left, 50);
    EXPECT_EQ(EchoRing[10].right, -50);
    EXPECT_EQ(EchoRing[EchoLength - 1].left, -16384);
    EXPECT_EQ(EchoRing[EchoLength - 1].right, 16383);
    SubmitAudioStatus(true);
    TakeAudioStatus();
    EXPECT_EQ(EchoRing[10].left, 50);
}

TEST(StatusHandoff, LockMissLeavesEverythingForTheNextTry)
{
    ResetHandoff();
    RequestNote();
    WhileLockHeldElsewhere([] { SubmitAudioStatus(true); });
    EXPECT_EQ(MainSlot, 2);
    EXPECT_FALSE(AudioStatusSlots[MainSlot].titleMusic); // the music choice is still recorded
    EXPECT_EQ(AudioStatusSlots[MainSlot].voiceCount, 1);
    SubmitAudioStatus(true);
    WhileLockHeldElsewhere([] { TakeAudioStatus(); });
    EXPECT_FALSE(VoiceActive[0]);
    EXPECT_TRUE(SlotPublished);
    TakeAudioStatus();
    EXPECT_TRUE(VoiceActive[0]);
}

// The audio side of the stress test: takes the status like the callback, records each voice
// it switches on with the token its request left in the record, and ends voices at random.
struct AudioSide
{
    bool sounding[EffectVoices] = {};
    float token[EffectVoices] = {};
    std::atomic<int> takes = 0;
    int started = 0;
    int ended = 0;
    int rewritten = 0; // records changed by the main thread while their voice was sounding

    void Callback(bool endAll)
    {
        const int held = AudioSlot;
        TakeAudioStatus();
        if (AudioSlot != held)
        {
            takes.fetch_add(1);
        }
        for (int v = 0; v < EffectVoices; ++v)
        {
            if (VoiceActive[v] && !sounding[v])
            {
                sounding[v] = true;
                token[v] = Voices[v].frequency;
                ++started;
            }
            else if (sounding[v] && Voices[v].frequency != token[v])
            {
                ++rewritten;
            }
        }
        for (int v = 0; v < EffectVoices; ++v)
        {
            if (sounding[v] && (endAll || Rand() % 3 == 0))
            {
                sounding[v] = false;
                VoiceActive[v] = false;
                AppendSlotVoice(AudioStatusSlots[AudioSlot], v);
                ++ended;
            }
        }
    }
};

// The main thread requests notes and publishes while the audio thread takes and ends them.
// Every request must be switched on exactly once and come back exactly once.
TEST(StatusHandoff, TwoThreadsNeverLoseOrDoubleAVoice)
{
    ResetHandoff();
    constexpr int Rotations = 20000;
    constexpr int MaxSubmits = 4000000; // tokens stay exact floats
    AudioSide side;
    std::atomic<bool> stop = false;
    std::thread audio(
        [&]
        {
            SeedRand(99);
            while (!stop.load())
            {
                side.Callback(false);
            }
        });
    int queued = 0;
    int submits = 0;
    float nextToken = 1.0f;
    while (side.takes.load() < Rotations && submits < MaxSubmits)
    {
        for (int n = Rand() % 4; n > 0; --n)
        {
            bool anyFree = false;
            for (bool busy : VoiceBusy)
            {
                anyFree = anyFree || !busy;
            }
            PlaySound(SoundSquare, nextToken, 0.1f, 0.5f, 0.0f);
            nextToken += 1.0f;
            queued += anyFree ? 1 : 0;
        }
        SubmitAudioStatus(false);
        ++submits;
    }
    stop = true;
    audio.join();
    ASSERT_GE(side.takes.load(), Rotations);

    // Drain: a few more rotations end everything still sounding and hand it all back.
    for (int round = 0; round < 4; ++round)
    {
        SubmitAudioStatus(false);
        side.Callback(true);
    }
    SubmitAudioStatus(false);
    EXPECT_EQ(side.rewritten, 0);
    EXPECT_EQ(side.started, queued);
    EXPECT_EQ(side.ended, queued);
    for (int v = 0; v < EffectVoices; ++v)
    {
        EXPECT_FALSE(VoiceBusy[v]) << v;
        EXPECT_FALSE(VoiceActive[v]) << v;
    }
}
