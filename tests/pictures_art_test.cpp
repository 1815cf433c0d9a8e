// Tests of the shipped pictures as the game reads and draws them: complete files, drawable
// colours, and nothing drawn where the title texts, the board or the turn banner show.
#include "app/title_screen.h"
#include "display/canvas.h"
#include "display/pictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// The repository's dat folder, found from this file's own path.
std::string DataPath(int picture)
{
    const std::string source = __FILE__;
    const std::string root = source.substr(0, source.rfind("/tests/"));
    return root + "/dat/ms" + std::to_string(picture) + ".txt";
}

// Reads the shipped picture into Pictures; fails the test unless the file holds exactly
// 4096 numbers.
void LoadShippedPicture(int picture)
{
    std::FILE* file = std::fopen(DataPath(picture).c_str(), "r");
    ASSERT_NE(file, nullptr) << DataPath(picture);
    int numbers = 0;
    int value = 0;
    while (std::fscanf(file, "%d", &value) == 1)
    {
        ++numbers;
    }
    EXPECT_TRUE(std::feof(file)) << "a token that is not a number";
    EXPECT_EQ(numbers, PictureCells);
    std::rewind(file);
    ReadPicture(file, Pictures[picture]);
    std::fclose(file);
}

// Non-zero cells the picture leaves on a cleared canvas when drawn at the given centre.
int CountDrawnCells(int picture, int centreX, int centreY)
{
    ClearCanvas();
    DrawPicture(picture, centreX, centreY);
    int drawn = 0;
    for (unsigned char cell : ScreenCells)
    {
        drawn += cell != 0 ? 1 : 0;
    }
    return drawn;
}
} // namespace

TEST(PicturesArt, ShippedFilesAreCompleteAndUseDrawableColours)
{
    for (int picture = 0; picture < PictureCount; ++picture)
    {
        LoadShippedPicture(picture);
        int coloured = 0;
        for (std::int32_t value : Pictures[picture])
        {
            EXPECT_TRUE((value >= 0 && value <= 9) || value == 255) << value;
            coloured += value != 0 ? 1 : 0;
        }
        EXPECT_GT(coloured, 200) << "picture " << picture << " is all but empty";
    }
}

TEST(PicturesArt, TitlePictureKeepsClearOfTitleAndHelpLines)
{
    std::memset(Pictures, 0, sizeof Pictures);
    ClearCanvas();
    DrawTitleScreen();
    static unsigned char textOnly[CanvasCells];
    std::memcpy(textOnly, ScreenCells, sizeof textOnly);

    LoadShippedPicture(0);
    ClearCanvas();
    DrawTitleScreen();
    // The picture may only add to the rows between the help lines (up to y 21) and the
    // game title (from y 71), and must not cover a cell of text there.
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            const int i = x * CanvasHeight + y;
            if (y < 22 || y > 70 || textOnly[i] != 0)
            {
                EXPECT_EQ(ScreenCells[i], textOnly[i]) << "x " << x << " y " << y;
            }
        }
    }
}

TEST(PicturesArt, EmblemsStayOnTheirPanelsAndOffTheTurnBanner)
{
    struct Emblem
    {
        int picture, centreX;
        int panelLeft, panelRight; // canvas columns of the team's side panel
        int bannerLeft;            // first column of the team's turn banner box
    };
    const Emblem emblems[] = {{1, 32, 0, 26, 12}, {2, 96, 101, 127, 54}};
    for (const Emblem& e : emblems)
    {
        LoadShippedPicture(e.picture);
        EXPECT_GT(CountDrawnCells(e.picture, e.centreX, 64), 200);
        for (int x = 0; x < CanvasWidth; ++x)
        {
            for (int y = 0; y < CanvasHeight; ++y)
            {
                const bool onPanel = x >= e.panelLeft && x <= e.panelRight;
                const bool onBanner =
                    x >= e.bannerLeft && x <= e.bannerLeft + 59 && y >= 40 && y <= 55;
                if (!onPanel || onBanner)
                {
                    EXPECT_EQ(ScreenCells[x * CanvasHeight + y], 0)
                        << "picture " << e.picture << " x " << x << " y " << y;
                }
            }
        }
    }
}
