// Tests of the voices: start draws, grid alignment, envelope, pan and square wave.
#include "audio/voices.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "platform/rand.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>

namespace
{
using LeftRight = std::pair<int, int>;

LeftRight Panned(StereoFrame frame, float pan)
{
    const StereoFrame out = ApplyPan(frame, pan);
    return {out.left, out.right};
}

Voice Square(std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
             std::uint32_t delay)
{
    return {0, delay, attack, sustain, release, 441.0f, 1.0f, 0.0f, 0.0f, SoundSquare, 1};
}
} // namespace

TEST(Voices, StartVoiceDrawsPanThenVolume)
{
    InitAudio();
    SampleBank[0] = {3, static_cast<StereoFrame*>(std::calloc(3, sizeof(StereoFrame)))};
    SeedRand(5);
    const int panDraw = Rand();
    const int volumeDraw = Rand();
    SeedRand(5);
    Voice voice = Square(0, 0, 0, 77);
    StartVoice(voice, SoundSquare, 440.0f, 0.5f, 1.6f, 0.3f, 100, 200, 300, 40);
    EXPECT_EQ(voice.position + VoiceLength(voice), 640u);
    EXPECT_EQ(voice.pan, static_cast<float>(panDraw % 16) / 128.0f - 0.3f);
    EXPECT_EQ(voice.volume, 0.5f * (1.5f + static_cast<float>(volumeDraw % 1024) * 0.0001f));
    // A sample plays at one level for its length; a number past the bank has no length.
    StartVoice(voice, FirstSampleSound, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(voice.attack * 1000 + voice.sustain * 10 + voice.release, 30u);
    StartVoice(voice, FirstSampleSound + SampleCount, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(VoiceLength(voice), 0u);
}

TEST(Voices, AlignVoiceStartMovesOffGridStartsToTheNextGridPoint)
{
    // clock, delay, align, then the delay and volume after alignment.
    for (auto [clock, delay, align, alignedDelay, volume] : {
             std::tuple{0u, 0u, 1, 0u, 1.0f},          // on the grid at clock 0
             {3307u * 5, 3307u, 1, 3307u, 1.0f},       // on the grid at index 6: untouched
             {1u, 0u, 1, 3306u, 0.75f},                // next point has index 1: softened
             {3307u * 3 + 5, 0u, 1, 3302u, 1.0f},      // next point has index 4: full volume
             {13230u, 6615u, 1, 6615u + 3304u, 0.75f}, // half a beat late: index 7
             {1u, 0u, 0, 0u, 1.0f},                    // alignment off
         })
    {
        SampleClock = clock;
        Voice voice = Square(0, 10, 0, delay);
        voice.align = static_cast<std::uint8_t>(align);
        AlignVoiceStart(voice);
        EXPECT_EQ(std::pair(voice.delay, voice.volume), std::pair(alignedDelay, volume)) << clock;
    }
}

TEST(Voices, EnvelopeRampsUpHoldsAndRampsDown)
{
    Voice voice = Square(100, 50, 200, 10);
    for (auto [position, level] : {std::pair{10u, 0.0f},
                                   {60u, 0.5f},
                                   {110u, 1.0f},
                                   {159u, 1.0f},
                                   {160u, 1.0f},
                                   {260u, 0.5f},
                                   {360u, 0.0f},
                                   {5000u, 0.0f}})
    {
        voice.position = position;
        EXPECT_FLOAT_EQ(VoiceEnvelope(voice), level) << position;
    }
}

TEST(Voices, PanKeepsTheCentreAndScalesBothSidesOutsideIt)
{
    for (float pan : {0.0f, 0.049f, -0.049f})
    {
        EXPECT_EQ(Panned({10001, -9999}, pan), LeftRight(10001, -9999)) << pan;
    }
    EXPECT_EQ(Panned({1000, 1000}, 0.05f), LeftRight(1020, 980));
    EXPECT_EQ(Panned({1000, -1000}, 7.0f), LeftRight(1400, -600)); // clamped to 1
    // Loud frames saturate instead of wrapping to the opposite sign.
    EXPECT_EQ(Panned({30000, -30000}, -1.0f), LeftRight(18000, -32768));
}

TEST(Voices, SquareWaveIsLowThenHighInEachPeriod)
{
    Voice voice = Square(0, 1000, 0, 0);
    for (voice.position = 0; voice.position < 200; ++voice.position)
    {
        // 441 Hz: a period of 100 frames.
        EXPECT_EQ(SquareWave(voice, 0.5f), voice.position % 100 < 50 ? -8191 : 8191);
    }
    EXPECT_EQ(SquareWave(voice, 3.0f), -32768); // too loud: saturated, not wrapped
    // The phase product wraps in 32 bits: 1000 * 4294968 is 704 after the wrap, early in a
    // period; without the wrap it would be 24900 of 44100, late in one.
    voice.frequency = 1000.9f;
    voice.position = 4294968;
    EXPECT_EQ(SquareWave(voice, 1.0f), -16383);
}
