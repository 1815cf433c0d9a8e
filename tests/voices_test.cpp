// Tests of the voices: start draws, grid alignment, envelope, pan, square wave and rendering.
#include "audio/voices.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "platform/rand.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>

namespace
{
using LeftRight = std::pair<int, int>;

LeftRight Of(StereoFrame frame)
{
    return {frame.left, frame.right};
}

// A clean start whose bank entry 0 holds three frames.
void ResetWithSample()
{
    InitAudio();
    auto* frames = static_cast<StereoFrame*>(std::calloc(3, sizeof(StereoFrame)));
    frames[0] = {100, -200};
    frames[1] = {30000, -30000};
    frames[2] = {-7, 7};
    SampleBank[0] = {3, frames};
}

Voice Square(std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
             std::uint32_t delay)
{
    return {0, delay, attack, sustain, release, 441.0f, 1.0f, 0.0f, 0.0f, SoundSquare, 1};
}
} // namespace

TEST(Voices, StartVoiceDrawsPanThenVolume)
{
    ResetWithSample();
    SeedRand(5);
    const int panDraw = Rand();
    const int volumeDraw = Rand();
    SeedRand(5);
    Voice voice = Square(0, 0, 0, 77);
    StartVoice(voice, SoundSquare, 440.0f, 0.5f, 1.6f, 0.3f, 100, 200, 300, 40);
    EXPECT_EQ(voice.position, 0u);
    EXPECT_EQ(VoiceLength(voice), 640u);
    EXPECT_EQ(voice.pan, static_cast<float>(panDraw % 16) / 128.0f - 0.3f);
    EXPECT_EQ(voice.volume, 0.5f * (1.5f + static_cast<float>(volumeDraw % 1024) * 0.0001f));
    // A sample plays at one level for its length; a number past the bank has no length.
    StartVoice(voice, FirstSampleSound, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(voice.attack + voice.release, 0u);
    EXPECT_EQ(voice.sustain, 3u);
    StartVoice(voice, FirstSampleSound + SampleCount, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(VoiceLength(voice), 0u);
}

TEST(Voices, AlignVoiceStartMovesOffGridStartsToTheNextGridPoint)
{
    struct Case
    {
        std::uint32_t clock, delay;
        std::uint8_t align;
        std::uint32_t alignedDelay;
        float volume;
    };
    for (const Case& c : {
             Case{0, 0, 1, 0, 1.0f},                   // on the grid at clock 0
             Case{3307 * 5, 3307, 1, 3307, 1.0f},      // on the grid at index 6: untouched
             Case{1, 0, 1, 3306, 0.75f},               // next point has index 1: softened
             Case{3307 * 3 + 5, 0, 1, 3302, 1.0f},     // next point has index 4: full volume
             Case{13230, 6615, 1, 6615 + 3304, 0.75f}, // half a beat late: index 7
             Case{1, 0, 0, 0, 1.0f},                   // alignment off
         })
    {
        SampleClock = c.clock;
        Voice voice = Square(0, 10, 0, c.delay);
        voice.align = c.align;
        AlignVoiceStart(voice);
        EXPECT_EQ(voice.delay, c.alignedDelay) << c.clock << " " << c.delay;
        EXPECT_EQ(voice.volume, c.volume) << c.clock << " " << c.delay;
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
        EXPECT_EQ(Of(ApplyPan({10001, -9999}, pan)), LeftRight(10001, -9999)) << pan;
    }
    EXPECT_EQ(Of(ApplyPan({1000, 1000}, 0.05f)), LeftRight(1020, 980));
    EXPECT_EQ(Of(ApplyPan({1000, -1000}, 7.0f)), LeftRight(1400, -600)); // clamped to 1
    // Loud frames saturate instead of wrapping to the opposite sign.
    EXPECT_EQ(Of(ApplyPan({30000, -30000}, -1.0f)), LeftRight(18000, -32768));
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

TEST(Voices, RenderVoicePlaysDelayThenSampleThenEnds)
{
    ResetWithSample();
    Voice voice = {0, 2, 0, 3, 0, 0.0f, 2.0f, 0.0f, 0.9f, FirstSampleSound, 1};
    EXPECT_EQ(Of(RenderVoice(voice)), LeftRight(0, 0)); // no pan on the silent delay
    EXPECT_EQ(Of(RenderVoice(voice)), LeftRight(0, 0));
    voice.pan = 0.0f;
    EXPECT_EQ(Of(RenderVoice(voice)), LeftRight(200, -400));
    EXPECT_EQ(Of(RenderVoice(voice)), LeftRight(32767, -32768));
    voice.volume = -1.0f; // a negative volume inverts the sample
    EXPECT_EQ(Of(RenderVoice(voice)), LeftRight(7, -7));
    EXPECT_EQ(voice.position, VoiceLength(voice));

    Voice missing = {0, 0, 0, 0, 0, 0.0f, 1.0f, 0.0f, 0.0f, FirstSampleSound + 5, 1};
    EXPECT_EQ(Of(RenderVoice(missing)), LeftRight(0, 0)); // not loaded: reads nothing
    Voice note = Square(50, 0, 0, 0);
    note.position = 25; // halfway up the ramp, in the low half of the period
    note.pan = 1.0f;
    EXPECT_EQ(Of(RenderVoice(note)), LeftRight(-11467, -4914)); // -8191 * 1.4 and * 0.6
    note.volume = std::nanf("");
    EXPECT_EQ(Of(RenderVoice(note)), LeftRight(0, 0)); // a broken gain is silence
}
