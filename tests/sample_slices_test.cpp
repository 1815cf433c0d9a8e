// Tests of the sample bank filled one file per call, as the browser's page fills it between
// frames.
#include "audio/sample_bank.h"

#include <gtest/gtest.h>
#include <string>

// Each call fills the next entry (of the fixtures of sample_bank_test.cpp, the first three
// bank names decode); the bank reports itself loaded only after the last file, and calls
// after that change nothing.
TEST(SampleBank, LoadNextSampleFillsTheBankInOrderThenReportsLoaded)
{
    const std::string fixtures =
        std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/data/audio";
    InitSampleBank();
    for (int i = 0; i < SampleCount; ++i)
    {
        EXPECT_FALSE(SamplesLoaded) << i;
        LoadNextSample(fixtures.c_str());
        EXPECT_EQ(SampleLength(i) > 2000, i < 3) << i;
        EXPECT_EQ(i + 1 < SampleCount ? SampleLength(i + 1) : 0, 0) << i;
    }
    EXPECT_TRUE(SamplesLoaded);
    const StereoFrame* first = SampleBank[0].frames;
    LoadNextSample(fixtures.c_str());
    EXPECT_EQ(SampleBank[0].frames, first);
    InitSampleBank();
}
