// Tests of screenshot files: their names, their contents and failed writes.
#include "display/screenshot.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Runs each test in a fresh empty working folder.
class Screenshot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = fs::current_path();
        folder = fs::temp_directory_path() / ("tq_shots_" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::current_path(folder);
        ScreenshotCounter = 0;
    }
    void TearDown() override
    {
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    // A 3 x 2 image, bottom row first: bottom row red, top row blue.
    std::vector<unsigned char> Pixels() const
    {
        std::vector<unsigned char> pixels;
        for (int y = 0; y < 2; ++y)
        {
            for (int x = 0; x < 3; ++x)
            {
                pixels.insert(pixels.end(), {static_cast<unsigned char>(y == 0 ? 255 : 0), 0,
                                             static_cast<unsigned char>(y == 1 ? 255 : 0), 255});
            }
        }
        return pixels;
    }

    fs::path previous;
    fs::path folder;
};

std::string Contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
} // namespace

TEST_F(Screenshot, FilesAreNumberedFromZeroWithTheTopRowFirst)
{
    const std::vector<unsigned char> pixels = Pixels();
    EXPECT_TRUE(SaveScreenshot(3, 2, pixels.data()));
    EXPECT_TRUE(SaveScreenshot(3, 2, pixels.data()));
    EXPECT_TRUE(fs::exists("screen0.png"));
    EXPECT_TRUE(fs::exists("screen1.png"));
    EXPECT_EQ(ScreenshotCounter, 2u);

    int width = 0, height = 0, channels = 0;
    unsigned char* image = stbi_load("screen0.png", &width, &height, &channels, 4);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(image[2], 255); // the first row in the file is the top of the screen: blue
    EXPECT_EQ(image[3 * 4 + 0], 255);
    stbi_image_free(image);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(Screenshot, ExistingFilesAreSkippedNeverReplaced)
{
    std::ofstream("screen0.png") << "earlier";
    std::ofstream("screen2.png") << "earlier too";
    const std::vector<unsigned char> pixels = Pixels();
    EXPECT_TRUE(SaveScreenshot(3, 2, pixels.data()));
    EXPECT_TRUE(fs::exists("screen1.png"));
    EXPECT_TRUE(SaveScreenshot(3, 2, pixels.data()));
    EXPECT_TRUE(fs::exists("screen3.png"));
    EXPECT_EQ(Contents("screen0.png"), "earlier");
    EXPECT_EQ(Contents("screen2.png"), "earlier too");
}

TEST_F(Screenshot, FailedWriteLeavesNoFileAndMovesToTheNextNumber)
{
    fs::create_directory("screen0.png.tmp"); // the temporary file cannot be opened
    const std::vector<unsigned char> pixels = Pixels();
    EXPECT_FALSE(SaveScreenshot(3, 2, pixels.data()));
    EXPECT_FALSE(fs::exists("screen0.png"));
    EXPECT_EQ(ScreenshotCounter, 1u);
    EXPECT_TRUE(SaveScreenshot(3, 2, pixels.data()));
    EXPECT_TRUE(fs::exists("screen1.png"));
    EXPECT_FALSE(SaveScreenshot(0, 0, pixels.data()));
}
