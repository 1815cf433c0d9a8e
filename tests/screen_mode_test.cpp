// Tests of the screen modes' sizes: the desktop's in full screen, whole multiples of the
// canvas in a window.
#include "display/screen_mode.h"

#include <climits>
#include <gtest/gtest.h>

TEST(ScreenMode, AWindowIsTheLargestMultipleThatLeavesATenthFree)
{
    const struct
    {
        DesktopSize desktop;
        int width;
        int height;
    } cases[] = {
        {{1280, 720}, 768, 576},   // 648 rows of room: six times
        {{1920, 1080}, 1280, 960}, // 972 rows of room: ten times
        {{1366, 768}, 896, 672},   {{2560, 1440}, 1664, 1248},
        {{1280, 1024}, 1152, 864},                       // the width decides: 1152 columns of room
        {{800, 600}, 640, 480},    {{100, 50}, 128, 96}, // too small for any: the canvas once
        {{0, 0}, 640, 480},                              // unknown
        {{-1280, 720}, 640, 480},                        // nonsense counts as unknown
    };
    for (const auto& c : cases)
    {
        const ScreenMode mode = ChooseScreenMode(false, c.desktop);
        EXPECT_FALSE(mode.fullScreen);
        EXPECT_EQ(mode.width, c.width) << c.desktop.width << " x " << c.desktop.height;
        EXPECT_EQ(mode.height, c.height) << c.desktop.width << " x " << c.desktop.height;
    }
    const ScreenMode absurd = ChooseScreenMode(false, {INT_MAX, INT_MAX});
    EXPECT_GT(absurd.width, 0); // no overflow
    EXPECT_EQ(absurd.width / 128, absurd.height / 96);
}

TEST(ScreenMode, FullScreenTakesTheDesktopAsReported)
{
    const ScreenMode known = ChooseScreenMode(true, {1280, 720});
    EXPECT_TRUE(known.fullScreen);
    EXPECT_EQ(known.width, 1280);
    EXPECT_EQ(known.height, 720);
    const ScreenMode unknown = ChooseScreenMode(true, {-1, 0});
    EXPECT_EQ(unknown.width, 0); // SDL then chooses
    EXPECT_EQ(unknown.height, 0);
}
