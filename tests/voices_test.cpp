// Tests of the voices: start draws, grid alignment, envelope, pan, square wave and rendering.
#include "audio/voices.h"

#include "audio/sample_bank.h"
#include "platform/rand.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace
{
void ResetAudio()
{
    InitVoices();
    InitSampleBank();
    SeedRand(11);
}

// Puts count frames of the given values into bank entry index; the bank frees them.
void FillSample(int index, std::initializer_list<StereoFrame> frames)
{
    auto* data = static_cast<StereoFrame*>(std::calloc(frames.size(), sizeof(StereoFrame)));
    int k = 0;
    for (StereoFrame frame : frames)
    {
        data[k++] = frame;
    }
    SampleBank[index] = {k, data};
}

Voice PlainVoice(int sound, std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
                 std::uint32_t delay)
{
    Voice voice{};
    voice.sound = sound;
    voice.attack = attack;
    voice.sustain = sustain;
    voice.release = release;
    voice.delay = delay;
    voice.volume = 1.0f;
    voice.frequency = 441.0f;
    return voice;
}
} // namespace

TEST(Voices, StartVoiceDrawsPanThenVolume)
{
    ResetAudio();
    FillSample(2, {{1, 1}, {2, 2}, {3, 3}});
    SeedRand(5);
    const int panDraw = Rand();
    const int volumeDraw = Rand();
    SeedRand(5);
    Voice voice{};
    voice.position = 77;
    StartVoice(voice, SoundSquare, 440.0f, 0.5f, 1.6f, 0.3f, 100, 200, 300, 40);
    EXPECT_EQ(voice.position, 0u);
    EXPECT_EQ(voice.delay, 40u);
    EXPECT_EQ(voice.attack, 100u);
    EXPECT_EQ(voice.sustain, 200u);
    EXPECT_EQ(voice.release, 300u);
    EXPECT_EQ(voice.align, 1);
    EXPECT_FLOAT_EQ(voice.send, 1.6f);
    EXPECT_EQ(voice.pan, static_cast<float>(panDraw % 16) / 128.0f - 0.3f);
    EXPECT_EQ(voice.volume, 0.5f * (1.5f + static_cast<float>(volumeDraw % 1024) * 0.0001f));

    // A sample takes its envelope from the bank; a number past the bank has no length.
    StartVoice(voice, FirstSampleSound + 2, 0.0f, 1.0f, 0.5f, 0.0f, 100, 200, 300, 0);
    EXPECT_EQ(voice.attack, 0u);
    EXPECT_EQ(voice.sustain, 3u);
    EXPECT_EQ(voice.release, 0u);
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
    const Case cases[] = {
        {0, 0, 1, 0, 1.0f},                       // on the grid at clock 0
        {3307 * 5, 3307, 1, 3307, 1.0f},          // on the grid, index 6: untouched anyway
        {1, 0, 1, 3306, 0.75f},                   // next point index 1: softened
        {3307 * 3 + 5, 0, 1, 3302, 1.0f},         // next point index 4: full volume
        {13230, 6615, 1, 6615 + 3307 - 3, 0.75f}, // half a beat late lands on index 3 mod 4
        {1, 0, 0, 0, 1.0f},                       // alignment off
    };
    for (const Case& c : cases)
    {
        SampleClock = c.clock;
        Voice voice = PlainVoice(SoundSquare, 0, 10, 0, c.delay);
        voice.align = c.align;
        AlignVoiceStart(voice);
        EXPECT_EQ(voice.delay, c.alignedDelay) << "clock " << c.clock << " delay " << c.delay;
        EXPECT_EQ(voice.volume, c.volume) << "clock " << c.clock << " delay " << c.delay;
    }
}

TEST(Voices, EnvelopeRampsUpHoldsAndRampsDown)
{
    Voice voice = PlainVoice(SoundSquare, 100, 50, 200, 10);
    const std::pair<std::uint32_t, float> levels[] = {
        {10, 0.0f},  {60, 0.5f},  {110, 1.0f}, {159, 1.0f},
        {160, 1.0f}, {260, 0.5f}, {360, 0.0f}, {5000, 0.0f},
    };
    for (auto [position, level] : levels)
    {
        voice.position = position;
        EXPECT_FLOAT_EQ(VoiceEnvelope(voice), level) << "position " << position;
    }
    Voice sample = PlainVoice(FirstSampleSound, 0, 3, 0, 0);
    EXPECT_EQ(VoiceEnvelope(sample), 1.0f); // no attack: full level from the first frame
}

TEST(Voices, PanKeepsTheCentreAndScalesBothSidesOutsideIt)
{
    const StereoFrame odd = {10001, -9999};
    for (float pan : {0.0f, 0.049f, -0.049f})
    {
        const StereoFrame same = ApplyPan(odd, pan);
        EXPECT_EQ(same.left, odd.left) << pan;
        EXPECT_EQ(same.right, odd.right) << pan;
    }
    const StereoFrame edge = ApplyPan({1000, 1000}, 0.05f);
    EXPECT_EQ(edge.left, 1020);
    EXPECT_EQ(edge.right, 980);
    for (float pan : {1.0f, 7.0f})
    {
        const StereoFrame full = ApplyPan({1000, -1000}, pan);
        EXPECT_EQ(full.left, 1400) << pan;
        EXPECT_EQ(full.right, -600) << pan;
    }
    const StereoFrame right = ApplyPan({1000, 1000}, -3.0f);
    EXPECT_EQ(right.left, 600);
    EXPECT_EQ(right.right, 1400);
    // Loud frames saturate instead of wrapping to the opposite sign.
    const StereoFrame loud = ApplyPan({30000, -30000}, -1.0f);
    EXPECT_EQ(loud.left, 18000);
    EXPECT_EQ(loud.right, -32768);
    EXPECT_EQ(ApplyPan({30000, 0}, 1.0f).left, 32767);
}

TEST(Voices, SquareWaveIsLowThenHighInEachPeriod)
{
    Voice voice = PlainVoice(SoundSquare, 0, 1000, 0, 0);
    for (std::uint32_t position = 0; position < 200; ++position)
    {
        voice.position = position;
        const std::int16_t expected = position % 100 < 50 ? -16383 : 16383; // 441 Hz: 100 frames
        EXPECT_EQ(SquareWave(voice, 1.0f), expected) << position;
    }
    voice.position = 70;
    EXPECT_EQ(SquareWave(voice, 0.5f), 8191);
    EXPECT_EQ(SquareWave(voice, 3.0f), 32767); // too loud: saturated, not wrapped
    voice.position = 10;
    EXPECT_EQ(SquareWave(voice, 3.0f), -32768);
    // The phase product wraps in 32 bits: 1000 * 4294968 is 704 after the wrap, early in a
    // period, while without the wrap it would fall late in one.
    voice.frequency = 1000.9f;
    voice.position = 4294968;
    EXPECT_EQ(SquareWave(voice, 1.0f), -16383);
}

TEST(Voices, RenderVoicePlaysDelayThenSampleThenEnds)
{
    ResetAudio();
    FillSample(0, {{100, -200}, {30000, -30000}, {-7, 7}});
    Voice voice = PlainVoice(FirstSampleSound, 0, 3, 0, 2);
    voice.pan = 0.9f; // silent frames stay exactly silent: no pan is applied to the delay
    EXPECT_EQ(RenderVoice(voice).left, 0);
    EXPECT_EQ(RenderVoice(voice).right, 0);
    voice.pan = 0.0f;
    voice.volume = 2.0f;
    const StereoFrame first = RenderVoice(voice);
    EXPECT_EQ(first.left, 200);
    EXPECT_EQ(first.right, -400);
    const StereoFrame loud = RenderVoice(voice);
    EXPECT_EQ(loud.left, 32767);
    EXPECT_EQ(loud.right, -32768);
    voice.volume = -1.0f; // a negative volume inverts the sample
    const StereoFrame inverted = RenderVoice(voice);
    EXPECT_EQ(inverted.left, 7);
    EXPECT_EQ(inverted.right, -7);
    EXPECT_EQ(voice.position, VoiceLength(voice));

    // A sample that failed to load is silent and reads nothing.
    Voice missing = PlainVoice(FirstSampleSound + 5, 0, 0, 0, 0);
    const StereoFrame none = RenderVoice(missing);
    EXPECT_EQ(none.left, 0);
    EXPECT_EQ(missing.position, 1u);
}

TEST(Voices, RenderVoiceScalesTheSquareWaveByEnvelopeAndPan)
{
    ResetAudio();
    Voice voice = PlainVoice(SoundSquare, 50, 0, 0, 0);
    voice.position = 25; // halfway up the ramp, in the low half of the period
    voice.pan = 1.0f;
    const StereoFrame frame = RenderVoice(voice);
    EXPECT_EQ(frame.left, -11467); // -8191 * 1.4
    EXPECT_EQ(frame.right, -4914); // -8191 * 0.6
    voice.volume = std::nanf("");
    EXPECT_EQ(RenderVoice(voice).left, 0); // a broken gain is silence, not noise
    Voice other = PlainVoice(3, 0, 10, 0, 0);
    EXPECT_EQ(RenderVoice(other).left, 0); // only the square wave is synthesized
}

TEST(Voices, NoteFrequenciesSpanTwoOctavesFrom220)
{
    BuildNoteFrequencies();
    EXPECT_EQ(NoteFrequencies[12], 440.0f);
    EXPECT_NEAR(NoteFrequencies[0], 220.0f, 0.001f);
    EXPECT_NEAR(NoteFrequencies[23], 830.609f, 0.01f);
    for (int k = 1; k < NoteCount; ++k)
    {
        EXPECT_NEAR(NoteFrequencies[k] / NoteFrequencies[k - 1], 1.059463f, 1e-5f) << k;
    }
    EXPECT_EQ(IntegerPower(2.0f, -3), 0.125f);
    EXPECT_EQ(IntegerPower(3.0f, 0), 1.0f);
    EXPECT_EQ(IntegerPower(3.0f, 5), 243.0f);
}
