// Tests of the sound generator and of the sample files it wrote into dat/samples.
#include "tools/sounds/sample_file.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace
{

// The names the game's loader asks for, in bank order.
const char* const BankNames[SampleCount] = {
    "drum0", "drum1", "drum2", "drum3", "drum4", "drum5", "drum6",  "drum7",
    "drum8", "drum9", "drumA", "drumB", "drumC", "drumD", "drumE",  "drumF",
    "ball",  "end",   "push",  "score", "start", "step",  "rotate", "swap",
};

std::vector<unsigned char> ReadCommittedFile(int index)
{
    const std::string path = std::string(SAMPLE_FOLDER) + "/" + BankNames[index] + ".ogg";
    std::vector<unsigned char> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb"))
    {
        unsigned char chunk[4096];
        size_t count;
        while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        {
            bytes.insert(bytes.end(), chunk, chunk + count);
        }
        std::fclose(file);
    }
    return bytes;
}

// Frequency of a channel from its upward zero crossings between two frames.
float MeasurePitch(const std::vector<float>& channel, size_t first, size_t last)
{
    int crossings = 0;
    for (size_t i = first + 1; i < last; ++i)
    {
        crossings += channel[i - 1] < 0.0f && channel[i] >= 0.0f;
    }
    return crossings * static_cast<float>(SynthRate) / static_cast<float>(last - first);
}

// Energy of a channel's frame-to-frame changes over its own energy: near 0 for a dull
// sound, 2 for white noise, up to 4 for the highest frequencies alone.
float Brightness(const std::vector<float>& channel)
{
    double energy = 0.0;
    double changes = 0.0;
    for (size_t i = 1; i < channel.size(); ++i)
    {
        energy += channel[i] * channel[i];
        changes += (channel[i] - channel[i - 1]) * (channel[i] - channel[i - 1]);
    }
    return static_cast<float>(changes / energy);
}

} // namespace

TEST(Synth, NoiseIsReproducibleBoundedAndNeverStuck)
{
    for (uint32_t seed : {0u, 1u, 0xdeadbeefu})
    {
        NoiseSource first = MakeNoise(seed);
        NoiseSource second = MakeNoise(seed);
        double sum = 0.0;
        int zeros = 0;
        for (int i = 0; i < 10000; ++i)
        {
            const float value = NextNoise(first);
            ASSERT_EQ(value, NextNoise(second));
            ASSERT_GE(value, -1.0f);
            ASSERT_LE(value, 1.0f);
            sum += value;
            zeros += value == -1.0f;
        }
        EXPECT_NEAR(sum / 10000.0, 0.0, 0.05) << "seed " << seed;
        EXPECT_LT(zeros, 10) << "seed " << seed; // a zero state would repeat one value
    }
}

TEST(Synth, FinishingCentresAndEndsOnZero)
{
    SoundBuffer sound = MakeSilence(0.5f);
    for (size_t i = 0; i < sound.left.size(); ++i)
    {
        sound.left[i] = 0.5f;
        sound.right[i] = -0.25f;
    }
    RemoveDc(sound);
    const size_t frames = sound.left.size();
    EXPECT_NEAR(sound.left[frames - 1], 0.0f, 0.01f);
    EXPECT_NEAR(sound.right[frames - 1], 0.0f, 0.01f);

    ScaleSound(sound, -2.0f);
    FadeEdges(sound, 0.001f, 0.03f);
    EXPECT_EQ(sound.left.front(), 0.0f);
    EXPECT_EQ(sound.right.back(), 0.0f);

    // Fades longer than the sound are cut to it rather than running off either end.
    SoundBuffer shortSound = MakeSilence(0.0f);
    shortSound.left[0] = 1.0f;
    FadeEdges(shortSound, 1.0f, 1.0f);
    EXPECT_EQ(shortSound.left.size(), 1u);
    EXPECT_EQ(PeakOf(shortSound), 0.0f);
}

TEST(Synth, LayerSoundsOnlyInsideItsTime)
{
    SoundBuffer sound = MakeSilence(0.25f);
    AddLayer(sound, Layer{.start = 0.125f, .length = 0.0625f, .freq = 1000}, 1);
    AddLayer(sound, Layer{.start = 0.5f, .freq = 1000}, 2); // after the end: nothing
    const size_t start = static_cast<size_t>(0.125f * SynthRate);
    const size_t end = start + static_cast<size_t>(0.0625f * SynthRate);
    for (size_t i = 0; i < sound.left.size(); ++i)
    {
        if (i < start || i >= end)
        {
            ASSERT_EQ(sound.left[i], 0.0f) << "frame " << i;
        }
    }
    // The layer's own ramps keep its first and last frames near silence.
    EXPECT_LT(std::fabs(sound.left[start]), 0.01f);
    EXPECT_LT(std::fabs(sound.left[end - 1]), 0.01f);
    EXPECT_NEAR(PeakOf(sound), 1.0f, 0.01f);
}

TEST(Synth, PanLeansWithoutLosingEitherSide)
{
    SoundBuffer sound = MakeSilence(0.1f);
    AddLayer(sound, Layer{.wave = Wave::Noise, .pan = 0.4f, .width = 0.5f}, 3);
    float leftPeak = 0.0f;
    float rightPeak = 0.0f;
    int differing = 0;
    for (size_t i = 0; i < sound.left.size(); ++i)
    {
        leftPeak = std::max(leftPeak, std::fabs(sound.left[i]));
        rightPeak = std::max(rightPeak, std::fabs(sound.right[i]));
        differing += sound.left[i] != sound.right[i];
    }
    EXPECT_GT(rightPeak, leftPeak);
    EXPECT_GT(leftPeak, 0.4f * rightPeak);
    EXPECT_GT(differing, static_cast<int>(sound.left.size()) / 2); // width decorrelates
}

TEST(Synth, GlideSettlesOnItsTargetPitch)
{
    struct Case
    {
        Wave wave;
        float from;
        float to;
    };
    for (const Case& glide :
         {Case{Wave::Sine, 200, 800}, Case{Wave::Triangle, 900, 300}, Case{Wave::Square, 110, 440}})
    {
        SoundBuffer sound = MakeSilence(0.5f);
        AddLayer(sound,
                 Layer{.wave = glide.wave, .freq = glide.from, .freqEnd = glide.to, .glide = 0.01f},
                 4);
        const size_t frames = sound.left.size();
        EXPECT_NEAR(MeasurePitch(sound.left, frames / 2, frames), glide.to, 0.03f * glide.to);
    }
}

TEST(Synth, FiltersShapeNoiseAndStayStable)
{
    SoundBuffer dull = MakeSilence(0.2f);
    SoundBuffer bright = MakeSilence(0.2f);
    AddLayer(dull, Layer{.wave = Wave::Noise, .filter = Filter::LowPass, .cutoff = 500}, 5);
    AddLayer(bright, Layer{.wave = Wave::Noise, .filter = Filter::HighPass, .cutoff = 8000}, 5);
    EXPECT_LT(Brightness(dull.left), 0.05f);
    EXPECT_GT(Brightness(bright.left), 1.0f);

    // A resonant sweep far past the top of the band must not blow up.
    SoundBuffer sweep = MakeSilence(0.3f);
    AddLayer(sweep,
             Layer{.wave = Wave::Noise,
                   .freq = 100,
                   .freqEnd = 60000,
                   .filter = Filter::BandPass,
                   .resonance = 10},
             6);
    EXPECT_LT(PeakOf(sweep), 4.0f);
    EXPECT_TRUE(std::isfinite(PeakOf(sweep)));
}

TEST(OggCodec, RoundTripKeepsLengthChannelsRateAndLevel)
{
    SoundBuffer sound = MakeSilence(0.3f);
    AddLayer(sound, Layer{.freq = 440, .level = 0.5f}, 7);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(EncodeOgg(sound, SampleQuality, 1, bytes));
    DecodedSound decoded;
    ASSERT_TRUE(DecodeOgg(bytes, decoded));
    EXPECT_EQ(decoded.frames, static_cast<int>(sound.left.size()));
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_EQ(decoded.rate, SynthRate);
    EXPECT_EQ(decoded.samples.size(), sound.left.size() * 2);
    EXPECT_NEAR(DecodedPeak(decoded), 0.5f, 0.05f);
}

TEST(OggCodec, BadStreamsDecodeToNothing)
{
    DecodedSound decoded;
    decoded.frames = 5;
    EXPECT_FALSE(DecodeOgg({}, decoded));
    EXPECT_EQ(decoded.frames, 0);
    EXPECT_TRUE(decoded.samples.empty());

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(EncodeOgg(MakeSilence(0.1f), SampleQuality, 1, bytes));
    bytes.resize(bytes.size() / 3); // cut inside the set-up headers
    EXPECT_FALSE(DecodeOgg(bytes, decoded));

    std::vector<unsigned char> noise(2000);
    NoiseSource source = MakeNoise(8);
    for (unsigned char& byte : noise)
    {
        byte = static_cast<unsigned char>(NextNoise(source) * 127.0f + 128.0f);
    }
    EXPECT_FALSE(DecodeOgg(noise, decoded));
}

TEST(SampleFile, RecipesFollowTheBankOrder)
{
    for (int index = 0; index < SampleCount; ++index)
    {
        ASSERT_NE(FindRecipe(index), nullptr);
        EXPECT_STREQ(FindRecipe(index)->name, BankNames[index]);
    }
    EXPECT_EQ(FindRecipe(-1), nullptr);
    EXPECT_EQ(FindRecipe(SampleCount), nullptr);
    SampleFile file;
    EXPECT_FALSE(MakeSampleFile(SampleCount, file));
    EXPECT_TRUE(file.bytes.empty());
}

TEST(SampleFile, EveryRecipeRendersTheSameTwiceAndUnlikeTheOthers)
{
    std::vector<SoundBuffer> sounds;
    for (int index = 0; index < SampleCount; ++index)
    {
        sounds.push_back(RenderSample(index));
        const SoundBuffer again = RenderSample(index);
        EXPECT_EQ(sounds.back().left, again.left) << BankNames[index];
        EXPECT_EQ(sounds.back().right, again.right) << BankNames[index];
        EXPECT_GT(PeakOf(sounds.back()), 0.0f) << BankNames[index];
    }
    for (int a = 0; a < SampleCount; ++a)
    {
        for (int b = a + 1; b < SampleCount; ++b)
        {
            EXPECT_NE(sounds[a].left, sounds[b].left) << BankNames[a] << " " << BankNames[b];
        }
    }
}

// The committed files must be what the recipes make today; after changing a recipe,
// run sound_generator dat/samples and commit the files with it.
TEST(SampleFiles, CommittedFilesMatchTheRecipes)
{
    for (int index = 0; index < SampleCount; ++index)
    {
        SampleFile file;
        ASSERT_TRUE(MakeSampleFile(index, file)) << BankNames[index];
        EXPECT_TRUE(ReadCommittedFile(index) == file.bytes) << BankNames[index] << " is stale";
    }
}

TEST(SampleFiles, DecodeAsTheGamePlaysThem)
{
    constexpr int EdgeFrames = SynthRate / 1000; // 1 ms
    constexpr int QuietEdge = 328;               // -40 dBFS
    for (int index = 0; index < SampleCount; ++index)
    {
        SCOPED_TRACE(BankNames[index]);
        DecodedSound sound;
        ASSERT_TRUE(DecodeOgg(ReadCommittedFile(index), sound));
        EXPECT_EQ(sound.channels, 2);
        EXPECT_EQ(sound.rate, SynthRate);
        const int longest = index < DrumCount ? SynthRate : SynthRate * 6 / 10;
        EXPECT_LT(sound.frames, longest);

        const float peak = DecodedPeak(sound);
        EXPECT_GE(peak, LowestPeak);
        EXPECT_LE(peak, TargetPeak);

        int channelPeaks[2] = {0, 0};
        double sums[2] = {0.0, 0.0};
        for (int frame = 0; frame < sound.frames; ++frame)
        {
            for (int channel = 0; channel < 2; ++channel)
            {
                const int value = sound.samples[frame * 2 + channel];
                channelPeaks[channel] = std::max(channelPeaks[channel], std::abs(value));
                sums[channel] += value;
                const bool atEdge = frame < EdgeFrames || frame >= sound.frames - EdgeFrames;
                if (atEdge)
                {
                    EXPECT_LT(std::abs(value), QuietEdge) << "frame " << frame;
                }
            }
        }
        for (int channel = 0; channel < 2; ++channel)
        {
            EXPECT_GT(channelPeaks[channel], channelPeaks[1 - channel] / 2);
            EXPECT_LT(std::fabs(sums[channel] / sound.frames), 0.002 * 32768.0); // DC offset
        }
    }
}
