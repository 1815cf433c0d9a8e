// Tests of the sample bank: decoding files of every channel count, the quiet failures, and
// the loader thread from start to stop.
#include "audio/sample_bank.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
// The small Ogg files beside this test's source.
const std::string FixtureFolder =
    std::filesystem::path(__FILE__).parent_path().string() + "/data/audio";

// The decoder's own view of a fixture, to compare the bank's frames with.
struct Decoded
{
    int length = 0;
    int channels = 0;
    short* values = nullptr;
    explicit Decoded(const std::string& name)
    {
        int rate = 0;
        const std::string path = FixtureFolder + "/" + name + ".ogg";
        length = stb_vorbis_decode_filename(path.c_str(), &channels, &rate, &values);
    }
    ~Decoded()
    {
        std::free(values);
    }
};

void WaitForLoader()
{
    for (int tries = 0; tries < 10000 && !SamplesLoaded.load(); ++tries)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(SamplesLoaded.load());
}

// A fresh folder under the system's temporary folder, removed at the end of the test.
struct TempFolder
{
    std::filesystem::path path;
    explicit TempFolder(const char* name)
        : path(std::filesystem::temp_directory_path() /
               (std::string("tq_samples_") + name + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder()
    {
        std::filesystem::remove_all(path);
    }
    void Add(const char* fixture, const char* name) const
    {
        std::filesystem::copy_file(FixtureFolder + "/" + fixture + ".ogg",
                                   path / (std::string(name) + ".ogg"));
    }
};
} // namespace

TEST(SampleBank, LoadSampleKeepsTwoChannelsOfAnyFile)
{
    for (const char* name : {"stereo", "mono", "three"})
    {
        const Decoded raw(name);
        ASSERT_GT(raw.length, 2000) << name;
        Sample sample = LoadSample(FixtureFolder.c_str(), name);
        ASSERT_EQ(sample.length, raw.length) << name;
        bool distinctSides = false;
        for (int k = 0; k < raw.length; ++k)
        {
            const short* values = raw.values + k * raw.channels;
            const short right = raw.channels == 1 ? values[0] : values[1];
            ASSERT_EQ(sample.frames[k].left, values[0]) << name << " frame " << k;
            ASSERT_EQ(sample.frames[k].right, right) << name << " frame " << k;
            distinctSides = distinctSides || values[0] != right;
        }
        EXPECT_EQ(distinctSides, raw.channels != 1) << name;
        std::free(sample.frames);
    }
}

TEST(SampleBank, LoadSampleFailsQuietly)
{
    const std::string longName(1100, 'x');
    const std::pair<std::string, std::string> failures[] = {
        {FixtureFolder, "absent"}, {FixtureFolder + "/no_such_folder", "stereo"},
        {FixtureFolder, "empty"},  {FixtureFolder, "corrupt"},
        {FixtureFolder, longName},
    };
    for (const auto& [folder, name] : failures)
    {
        const Sample sample = LoadSample(folder.c_str(), name.c_str());
        EXPECT_EQ(sample.length, 0) << name.substr(0, 20);
        EXPECT_EQ(sample.frames, nullptr) << name.substr(0, 20);
    }
}

TEST(SampleBank, LoaderFillsWhatItFindsThenReportsLoaded)
{
    const TempFolder folder("fills");
    folder.Add("stereo", "drum0");
    folder.Add("mono", "ball");
    folder.Add("corrupt", "swap");
    InitSampleBank();
    StartSampleLoader(folder.path.c_str());
    WaitForLoader();
    EXPECT_EQ(SampleBank[0].length, Decoded("stereo").length);
    EXPECT_EQ(SampleBank[16].length, Decoded("mono").length);
    EXPECT_EQ(SampleLength(23), 0);
    EXPECT_EQ(SampleLength(1), 0);
    EXPECT_EQ(SampleLength(SampleCount), 0);
    ReleaseAudio();
    EXPECT_EQ(SampleBank[0].frames, nullptr);
    EXPECT_EQ(SampleLength(0), 0);

    // Without the folder the loader still finishes, with an empty bank.
    InitSampleBank();
    StartSampleLoader("/nonexistent/tq/samples");
    WaitForLoader();
    for (int i = 0; i < SampleCount; ++i)
    {
        EXPECT_EQ(SampleLength(i), 0) << i;
    }
    ReleaseAudio();
}

TEST(SampleBank, StopRequestEndsTheLoaderBeforeItsNextFile)
{
    const TempFolder folder("stops");
    for (const char* name : SampleNames)
    {
        folder.Add("stereo", name);
    }
    InitSampleBank();
    LoaderLock.Enter(); // the loader waits at its first check
    StartSampleLoader(folder.path.c_str());
    LoaderStopRequest = true;
    LoaderLock.Leave();
    WaitForLoader();
    for (int i = 0; i < SampleCount; ++i)
    {
        EXPECT_EQ(SampleLength(i), 0) << i;
    }
    ReleaseAudio();

    // Shutdown while the loader is busy waits for the file in hand and frees everything.
    InitSampleBank();
    StartSampleLoader(folder.path.c_str());
    ReleaseAudio();
    EXPECT_TRUE(SamplesLoaded.load());
    for (const Sample& sample : SampleBank)
    {
        EXPECT_EQ(sample.frames, nullptr);
    }
}
