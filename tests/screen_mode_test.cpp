// Tests of the screen modes' sizes: the desktop's in full screen, whole multiples of the
// canvas in a window.
#include "display/screen_mode.h"

#include <climits>
#include <gtest/gtest.h>
#include <tuple>

TEST(ScreenMode, FullScreenIsTheDesktopAndAWindowTheLargestMultipleThatLeavesATenth)
{
    for (const auto& [fullScreen, desktop, width, height] : {
             std::tuple{true, DesktopSize{1280, 720}, 1280, 720},
             {true, {-1, 0}, 0, 0},            // unknown: SDL chooses
             {false, {1280, 720}, 768, 576},   // 648 rows of room: six times
             {false, {1280, 1024}, 1152, 864}, // the width decides
             {false, {100, 50}, 128, 96},      // too small for any: the canvas once
             {false, {1, 1}, 128, 96},         // the smallest desktop there is
             {false, {-1280, 720}, 640, 480},  // unknown: nothing positive
             {false, {INT_MAX, INT_MAX}, 128 * 15099494, 96 * 15099494}, // no overflow
         })
    {
        const ScreenMode mode = ChooseScreenMode(fullScreen, desktop);
        EXPECT_EQ(std::tuple(mode.fullScreen, mode.width, mode.height),
                  std::tuple(fullScreen, width, height))
            << desktop.width << " x " << desktop.height;
    }
}
