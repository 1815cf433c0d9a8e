// Tests of the voices: samples past the bank, grid alignment, pan and square wave. The
// envelope is pinned down by the mixer's output digest.
#include "audio/voices.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>

namespace
{
using LeftRight = std::pair<int, int>;

LeftRight Panned(StereoFrame frame, float pan)
{
    const StereoFrame out = ApplyPanGains(frame, PanLaw(pan));
    return {out.left, out.right};
}

std::int16_t SquareWave(const Voice& voice, float level)
{
    return SquareValue(SquareIsLow(WholeHertz(voice.frequency), voice.position), level);
}

Voice Square(std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
             std::uint32_t delay)
{
    return {0, delay, attack, sustain, release, 441.0f, 1.0f, 0.0f, 0.0f, SoundSquare, 1};
}
} // namespace

// A sample plays at one level for its length; a number past the bank has no length.
TEST(Voices, SampleLastsItsBankLengthAndANumberPastTheBankNothing)
{
    InitAudio();
    SampleBank[0] = {3, static_cast<StereoFrame*>(std::calloc(3, sizeof(StereoFrame)))};
    Voice voice = Square(0, 0, 0, 0);
    StartVoice(voice, FirstSampleSound, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(voice.attack * 1000 + voice.sustain * 10 + voice.release, 30u);
    StartVoice(voice, FirstSampleSound + SampleCount, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(VoiceLength(voice), 0u);
}

TEST(Voices, AlignVoiceStartMovesOffGridStartsToTheNextGridPoint)
{
    // clock, delay, then the delay and volume after alignment.
    for (auto [clock, delay, alignedDelay, volume] : {
             std::tuple{3307u * 5, 3307u, 3307u, 1.0f}, // on the grid at index 6: untouched
             {1u, 0u, 3306u, 0.75f},                    // next point has index 1: softened
             {3307u * 3 + 5, 0u, 3302u, 1.0f},          // next point has index 4: full volume
         })
    {
        SampleClock = clock;
        Voice voice = Square(0, 10, 0, delay);
        AlignVoiceStart(voice);
        EXPECT_EQ(std::pair(voice.delay, voice.volume), std::pair(alignedDelay, volume)) << clock;
    }
}

TEST(Voices, PanKeepsTheCentreAndScalesBothSidesOutsideIt)
{
    EXPECT_EQ(Panned({10001, -9999}, 0.049f), LeftRight(10001, -9999));
    EXPECT_EQ(Panned({10001, -9999}, -0.049f), LeftRight(10001, -9999));
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
