// Tests of the voices: how long they sound and their last frame, pan and square wave. Starts
// moved onto the grid are held by the music's digest.
#include "audio/voices.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
using LeftRight = std::pair<int, int>;

// A 441 Hz voice with half its level sent to the echo.
Voice Square(std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
             std::uint32_t delay, float volume = 1.0f, float pan = 0.0f, int sound = SoundSquare)
{
    return {0, delay, attack, sustain, release, 441.0f, volume, 0.5f, pan, sound, 1};
}

// The voice mixed in blocks of block frames until it ends (or 5000 blocks have passed): the
// left channel of each frame and the right channel of its send share.
std::vector<LeftRight> MixToEnd(Voice voice, int block)
{
    std::vector<LeftRight> mixed;
    for (int blocks = 0; blocks < 5000 && voice.position < VoiceLength(voice); ++blocks)
    {
        WideFrame dry[MaxBlockLength] = {}, send[MaxBlockLength] = {};
        const int rendered = MixVoiceBlock(voice, block, dry, send);
        for (int i = 0; i < rendered; ++i)
        {
            mixed.push_back({dry[i].left, send[i].right});
        }
    }
    return mixed;
}
} // namespace

// A voice sounds for exactly its length, and the same however its frames are split into blocks:
// a sample to its last frame (a number past the bank for its delay only), a square wave to the
// last frame of its release, at a quarter of its level. With no attack a wave starts at full
// level; its release falls in a straight line, also over whole blocks of 512 frames (which
// AddressSanitizer watches for a level written past the block).
TEST(Voices, VoiceSoundsToItsLastFrameThenEnds)
{
    InitAudio();
    auto* frames = static_cast<StereoFrame*>(std::calloc(3, sizeof(StereoFrame)));
    frames[0] = {1000, -1000}, frames[1] = {2000, -2000}, frames[2] = {3000, -3000};
    SampleBank[0] = {3, frames};
    Voice sample = Square(0, 0, 0, 0), pastBank = sample;
    sample.position = 40; // a voice that sounded before starts again from its first frame
    StartVoice(sample, FirstSampleSound, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 2);
    sample.volume = 1.0f, sample.pan = 0.0f; // no random boost or pan
    StartVoice(pastBank, FirstSampleSound + SampleCount, 0.0f, 1.0f, 0.5f, 0.0f, 10, 20, 30, 2);
    const std::vector<LeftRight> fade = MixToEnd(Square(0, 4, 2000, 0), 1);
    ASSERT_EQ(fade.size(), 2004u);
    // The phase is low at these positions; half way through the release the level is a half.
    EXPECT_EQ(std::tuple(fade[0], fade[4], fade[1004], fade[2003]),
              std::tuple(LeftRight(-16383, -8191), LeftRight(-16383, -8191),
                         LeftRight(-8191, -4095), LeftRight(-8, -4)));
    for (int block : {1, 4, 64, 512})
    {
        EXPECT_EQ(
            MixToEnd(sample, block),
            (std::vector<LeftRight>{{0, 0}, {0, 0}, {1000, -500}, {2000, -1000}, {3000, -1500}}));
        EXPECT_EQ(MixToEnd(pastBank, block).size(), 2u);
        // The square wave's phase counts the delay: its last frame, 61, is in a high half.
        const std::vector<LeftRight> square = MixToEnd(Square(4, 4, 4, 50), block);
        EXPECT_EQ(square.size(), 62u);
        EXPECT_EQ(square.back(), LeftRight(4095, 2047)); // trunc(0.25 * 16383), half of it
        EXPECT_EQ(MixToEnd(Square(0, 4, 2000, 0), block), fade) << block;
    }
}

// Silent throughout: a synthesized number other than the square wave, a square wave below
// level 0, and a square wave whose volume or pan is not a number.
TEST(Voices, BrokenVoicesAreSilent)
{
    for (const Voice& voice :
         {Square(4, 4, 4, 2, 1.0f, 0.0f, SoundSquare + 1), Square(4, 4, 4, 2, -0.3f),
          Square(4, 4, 4, 2, NAN), Square(4, 4, 4, 2, 1.0f, NAN)})
    {
        EXPECT_EQ(MixToEnd(voice, 64), std::vector<LeftRight>(14, {0, 0})) << voice.volume;
    }
}

// Inside -0.05..0.05 a frame is left as it is; outside, the pan (clamped to -1..1) scales both
// sides, and loud frames saturate instead of wrapping to the opposite sign.
TEST(Voices, PanKeepsTheCentreAndScalesBothSidesOutsideIt)
{
    for (auto [frame, pan, left, right] :
         {std::tuple{StereoFrame{10001, -9999}, 0.049f, 10001, -9999},
          {{10001, -9999}, -0.049f, 10001, -9999},
          {{1000, 1000}, 0.05f, 1020, 980},
          {{1000, -1000}, 1.5f, 1400, -600},
          {{30000, -30000}, -1.5f, 18000, -32768}})
    {
        const StereoFrame out = ApplyPanGains(frame, PanLaw(pan));
        EXPECT_EQ(LeftRight(out.left, out.right), LeftRight(left, right)) << pan;
    }
}

TEST(Voices, SquareWaveIsLowThenHighInEachPeriod)
{
    for (std::uint32_t position = 0; position < 200; ++position)
    {
        // 441 Hz: a period of 100 frames.
        EXPECT_EQ(SquareValue(SquareIsLow(441, position), 0.5f),
                  position % 100 < 50 ? -8191 : 8191);
    }
    EXPECT_EQ(SquareValue(true, 3.0f), -32768); // too loud: saturated, not wrapped
    // The phase counts whole hertz and its product wraps in 32 bits: 1000 * 4294968 is 704
    // after the wrap, early in a period; without the wrap it would be 24900 of 44100, late.
    EXPECT_TRUE(SquareIsLow(WholeHertz(1000.9f), 4294968));
}
