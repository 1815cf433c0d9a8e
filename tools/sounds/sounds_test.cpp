// Tests of the sound generator and of the sample files it wrote into dat/samples.
#include "tools/sounds/sample_file.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
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
    std::ifstream file(std::string(SAMPLE_FOLDER) + "/" + BankNames[index] + ".ogg",
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
} // namespace

TEST(Synth, LayersFadesAndFiltersStayInsideTheBufferAndFinite)
{
    SoundBuffer sound = MakeSilence(0.25f);
    AddLayer(sound, Layer{.start = 0.125f, .length = 0.0625f, .freq = 1000}, 1);
    AddLayer(sound, Layer{.start = 0.5f, .freq = 1000}, 2); // after the end: nothing
    const size_t start = static_cast<size_t>(0.125f * SynthRate);
    const size_t end = start + static_cast<size_t>(0.0625f * SynthRate);
    for (size_t i = 0; i < sound.left.size(); ++i)
    {
        ASSERT_TRUE((i >= start && i < end) || sound.left[i] == 0.0f) << "frame " << i;
    }
    EXPECT_NEAR(PeakOf(sound), 1.0f, 0.01f);

    // Fades longer than the sound are cut to it rather than running off either end.
    SoundBuffer shortSound = MakeSilence(0.0f);
    shortSound.left[0] = 1.0f;
    FadeEdges(shortSound, 1.0f, 1.0f);
    EXPECT_TRUE(shortSound.left.size() == 1u && PeakOf(shortSound) == 0.0f);

    // A resonant sweep far past the top of the band must not blow up.
    SoundBuffer sweep = MakeSilence(0.3f);
    AddLayer(sweep,
             Layer{.wave = Wave::Noise,
                   .freq = 100,
                   .freqEnd = 60000,
                   .filter = Filter::BandPass,
                   .resonance = 10},
             6);
    EXPECT_TRUE(PeakOf(sweep) < 4.0f && std::isfinite(PeakOf(sweep)));

    // Noise from seed 0 stays within -1..1 and is not stuck on -1, as a zero state would be.
    NoiseSource noise = MakeNoise(0);
    int stuck = 0;
    for (int i = 0; i < 10000; ++i)
    {
        const float value = NextNoise(noise);
        ASSERT_TRUE(value >= -1.0f && value <= 1.0f) << i;
        stuck += value == -1.0f;
    }
    EXPECT_LT(stuck, 10);
}

TEST(OggCodec, DamagedStreamsDecodeToNothing)
{
    DecodedSound decoded;
    decoded.frames = 5;
    EXPECT_FALSE(DecodeOgg({}, decoded));
    EXPECT_TRUE(decoded.frames == 0 && decoded.samples.empty());

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

TEST(SampleFile, EachBankNameHasItsOwnRepeatableRecipe)
{
    std::vector<std::vector<float>> rendered;
    for (int index = 0; index < SampleCount; ++index)
    {
        ASSERT_NE(FindRecipe(index), nullptr);
        EXPECT_STREQ(FindRecipe(index)->name, BankNames[index]);
        rendered.push_back(RenderSample(index).left);
        EXPECT_EQ(rendered.back(), RenderSample(index).left) << BankNames[index];
        for (int other = 0; other < index; ++other)
        {
            EXPECT_NE(rendered[other], rendered.back()) << BankNames[other] << BankNames[index];
        }
    }
    EXPECT_TRUE(FindRecipe(-1) == nullptr && FindRecipe(SampleCount) == nullptr);
    SampleFile file;
    EXPECT_FALSE(MakeSampleFile(SampleCount, file));
    EXPECT_TRUE(file.bytes.empty());
}

// The committed files must be what the recipes make today, every frame of the sound kept;
// after changing a recipe, run sound_generator dat/samples and commit the files with it.
TEST(SampleFiles, CommittedFilesMatchTheRecipes)
{
    for (int index = 0; index < SampleCount; ++index)
    {
        SampleFile file;
        ASSERT_TRUE(MakeSampleFile(index, file)) << BankNames[index];
        EXPECT_EQ(RenderSample(index).left.size(), static_cast<size_t>(file.decoded.frames));
        EXPECT_TRUE(ReadCommittedFile(index) == file.bytes) << BankNames[index] << " is stale";
    }
}

// Short enough, levelled, on both sides, without an offset and without a click at either end.
TEST(SampleFiles, DecodeAsTheGamePlaysThem)
{
    constexpr int EdgeFrames = SynthRate / 1000; // 1 ms
    constexpr int QuietEdge = 328;               // -40 dBFS
    for (int index = 0; index < SampleCount; ++index)
    {
        SCOPED_TRACE(BankNames[index]);
        DecodedSound sound;
        ASSERT_TRUE(DecodeOgg(ReadCommittedFile(index), sound));
        EXPECT_TRUE(sound.channels == 2 && sound.rate == SynthRate);
        EXPECT_LT(sound.frames, index < DrumCount ? SynthRate : SynthRate * 6 / 10);
        EXPECT_TRUE(DecodedPeak(sound) >= LowestPeak && DecodedPeak(sound) <= TargetPeak);
        int peaks[2] = {0, 0};
        double sums[2] = {0.0, 0.0};
        for (int n = 0; n < 2 * sound.frames; ++n)
        {
            const int value = sound.samples[n];
            peaks[n % 2] = std::max(peaks[n % 2], std::abs(value));
            sums[n % 2] += value;
            const bool atEdge = n < 2 * EdgeFrames || n >= 2 * (sound.frames - EdgeFrames);
            EXPECT_TRUE(!atEdge || std::abs(value) < QuietEdge) << "frame " << n / 2;
        }
        for (int channel = 0; channel < 2; ++channel)
        {
            EXPECT_GT(peaks[channel], peaks[1 - channel] / 2);
            EXPECT_LT(std::fabs(sums[channel] / sound.frames), 0.002 * 32768.0); // offset
        }
    }
}
