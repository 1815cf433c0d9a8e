// Tests of what the core gives the browser's edge: the sample bank filled one file per frame,
// and the title screen's hint while the browser holds the sound back.
#include "app/title_screen.h"
#include "audio/sample_bank.h"
#include "display/canvas.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
// The sample fixtures of sample_bank_test.cpp: the first three bank names decode.
const std::string Fixtures =
    std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/data/audio";

std::vector<unsigned char> DrawTitle(bool soundWaits)
{
    SoundWaitsForPerson = soundWaits;
    ClearCanvas();
    DrawTitleScreen();
    SoundWaitsForPerson = false;
    return {std::begin(ScreenCells), std::end(ScreenCells)};
}
} // namespace

// Each call fills the next entry as LoadSample would; the bank reports itself loaded only
// after the last file, and calls after that change nothing.
TEST(BrowserSupport, LoadNextSampleFillsTheBankInOrderThenReportsLoaded)
{
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
    InitSampleBank();
    EXPECT_FALSE(SamplesLoaded);
    LoadNextSample(Fixtures.c_str()); // a new start begins at the first entry again
    EXPECT_GT(SampleLength(0), 2000);
    InitSampleBank();
}

// The hint stands in the free band left of the picture and nowhere else, and only while the
// sound waits.
TEST(BrowserSupport, SoundHintKeepsToTheLeftBand)
{
    const std::vector<unsigned char> plain = DrawTitle(false);
    const std::vector<unsigned char> hinted = DrawTitle(true);
    int changed = 0;
    for (int n = 0; n < CanvasCells; ++n)
    {
        const int x = n / CanvasHeight, y = n % CanvasHeight;
        changed += plain[n] != hinted[n];
        EXPECT_TRUE(plain[n] == hinted[n] || (x < 32 && y >= 21 && y <= 70)) << x << "," << y;
    }
    EXPECT_GT(changed, 40);
}
