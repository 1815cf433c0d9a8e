// Tests of the screen modes' sizes: the desktop's in full screen, whole multiples of the
// canvas in a window.
#include "display/screen_mode.h"

#include <climits>
#include <gtest/gtest.h>

TEST(ScreenMode, FullScreenIsTheDesktopAndAWindowTheLargestMultipleThatLeavesATenth)
{
    const struct
    {
        bool fullScreen;
        DesktopSize desktop;
        int width;
        int height;
    } cases[] = {
        {true, {1280, 720}, 1280, 720},
        {true, {-1, 0}, 0, 0},            // unknown: SDL chooses
        {false, {1280, 720}, 768, 576},   // 648 rows of room: six times
        {false, {1280, 1024}, 1152, 864}, // the width decides
        {false, {100, 50}, 128, 96},      // too small for any: the canvas once
        {false, {1, 1}, 128, 96},         // the smallest desktop there is
        {false, {-1280, 720}, 640, 480},  // unknown: nothing positive
        {false, {INT_MAX, INT_MAX}, 128 * 15099494, 96 * 15099494}, // no overflow
    };
    for (const auto& c : cases)
    {
        const ScreenMode mode = ChooseScreenMode(c.fullScreen, c.desktop);
        EXPECT_EQ(mode.fullScreen, c.fullScreen);
        EXPECT_EQ(mode.width, c.width) << c.desktop.width << " x " << c.desktop.height;
        EXPECT_EQ(mode.height, c.height) << c.desktop.width << " x " << c.desktop.height;
    }
}
