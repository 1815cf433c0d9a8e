// Tests of the sample bank: decoding files of every channel count, the quiet failures, the
// loader thread from start to stop, and the bank filled one file per call, as the browser's page
// fills it between frames.
#include "audio/sample_bank.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace
{
// Small Ogg files beside this source, under bank names: drum0 has two channels, drum1 one,
// drum2 three; drum3 is empty and drum4 corrupt; long lasts 31 seconds, in one channel. The
// other names are missing.
const std::string Fixtures =
    std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/data/audio";

void WaitForLoader()
{
    for (int tries = 0; tries < 10000 && !SamplesLoaded; ++tries)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(SamplesLoaded);
}
} // namespace

// A single channel plays on both sides, of three channels the first two are kept, and a
// sound longer than the limit is cut there; every value is the decoder's own.
TEST(SampleBank, LoadSampleKeepsTwoChannelsOfAnyFileUpToTheLimit)
{
    for (const char* name : {"drum0", "drum1", "drum2", "long"})
    {
        int channels = 0, rate = 0;
        short* raw = nullptr;
        const int length = stb_vorbis_decode_filename((Fixtures + "/" + name + ".ogg").c_str(),
                                                      &channels, &rate, &raw);
        const Sample sample = LoadSample(Fixtures.c_str(), name);
        ASSERT_TRUE(length > 2000 && sample.length == std::min(length, MaxSampleFrames)) << name;
        for (int k = 0; k < sample.length; ++k)
        {
            const short* values = raw + k * channels;
            ASSERT_TRUE(sample.frames[k].left == values[0] &&
                        sample.frames[k].right == values[channels == 1 ? 0 : 1])
                << name << " " << k;
        }
        std::free(raw);
        std::free(sample.frames);
    }
}

// Missing, empty and corrupt files and an over-long path give no sample; damage in the sound
// pages, or a file cut there, keeps the sound up to the damage.
TEST(SampleBank, BrokenFilesFailQuietlyOrKeepWhatDecodes)
{
    for (const std::string& name :
         {std::string("ball"), std::string("drum3"), std::string("drum4"), std::string(1100, 'x')})
    {
        const Sample sample = LoadSample(Fixtures.c_str(), name.c_str());
        EXPECT_TRUE(sample.length == 0 && sample.frames == nullptr) << name.substr(0, 9);
    }
    std::ifstream file(Fixtures + "/drum0.ogg", std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), {}};
    const Sample full = DecodeSample(bytes.data(), static_cast<int>(bytes.size()));
    // The headers fill the first pages; the sound starts on the last one.
    const std::size_t sound = std::string(bytes.begin(), bytes.end()).rfind("OggS") + 100;
    for (std::size_t i = sound; i < bytes.size(); i += 7)
    {
        bytes[i] ^= 0x5a;
    }
    for (const std::size_t size : {sound, bytes.size()})
    {
        const Sample part = DecodeSample(bytes.data(), static_cast<int>(size));
        EXPECT_TRUE(part.length > 0 && part.length <= full.length) << size << " " << part.length;
        std::free(part.frames);
    }
    std::free(full.frames);
}

// The loader thread fills what it finds, then reports the bank loaded. The page fills it one
// file per call instead: each call the next entry, loaded only after the last file, and calls
// after that change nothing.
TEST(SampleBank, LoaderAndCallsFillWhatTheyFindThenReportLoaded)
{
    for (const std::string& folder : {Fixtures, Fixtures + "/absent"})
    {
        InitSampleBank();
        ASSERT_TRUE(StartSampleLoader(folder.c_str()));
        WaitForLoader();
        for (int i = 0; i < SampleCount; ++i)
        {
            EXPECT_EQ(SampleLength(i) > 2000, folder == Fixtures && i < 3) << i;
        }
        ReleaseAudio();
        EXPECT_TRUE(SampleBank[0].frames == nullptr && SampleLength(0) == 0);
    }
    InitSampleBank();
    for (int i = 0; i < SampleCount; ++i)
    {
        EXPECT_FALSE(SamplesLoaded) << i;
        LoadNextSample(Fixtures.c_str());
        EXPECT_EQ(SampleLength(i) > 2000, i < 3) << i;
        EXPECT_EQ(i + 1 < SampleCount ? SampleLength(i + 1) : 0, 0) << i;
    }
    EXPECT_TRUE(SamplesLoaded);
    const StereoFrame* first = SampleBank[0].frames;
    LoadNextSample(Fixtures.c_str());
    EXPECT_EQ(SampleBank[0].frames, first);
    ReleaseAudio();
}

TEST(SampleBank, StopRequestEndsTheLoaderBeforeItsNextFile)
{
    InitSampleBank();
    LoaderLock.Enter(); // the loader waits at its first check
    StartSampleLoader(Fixtures.c_str());
    LoaderStopRequest = true;
    LoaderLock.Leave();
    WaitForLoader();
    EXPECT_EQ(SampleLength(0), 0);
    ReleaseAudio();

    InitSampleBank(); // shutdown while the loader is busy: the file in hand, then no more
    StartSampleLoader(Fixtures.c_str());
    ReleaseAudio();
    EXPECT_TRUE(SamplesLoaded && SampleBank[0].frames == nullptr);
}
