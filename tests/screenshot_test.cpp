// Tests of screenshot files: their names, their contents and failed writes.
#include "display/screenshot.h"

#include "platform/numbered_file.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <string>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// A 3 x 2 image, bottom row first: bottom row red, top row blue.
const unsigned char Pixels[] = {255, 0, 0,   255, 255, 0, 0,   255, 255, 0, 0,   255,
                                0,   0, 255, 255, 0,   0, 255, 255, 0,   0, 255, 255};

// Runs each test in a fresh empty working folder.
class Screenshot : public ::testing::Test
{
protected:
    void SetUp() override
    {
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

    const fs::path previous = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / ("tq_shots_" + std::to_string(getpid()));
};

std::string Contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
} // namespace

// Numbers whose file or temporary name is taken are skipped: an earlier screenshot is never
// replaced, and a link under a temporary name is never followed.
TEST_F(Screenshot, FilesAreNumberedTopRowFirstAndNeverReplaceOrFollowAPlayersFile)
{
    std::ofstream("screen0.png") << "earlier";
    std::ofstream(folder / "elsewhere") << "the player's";
    fs::create_symlink(folder / "elsewhere", "screen1.png.tmp");
    EXPECT_TRUE(SaveScreenshot(3, 2, Pixels) && SaveScreenshot(3, 2, Pixels));
    EXPECT_TRUE(fs::exists("screen2.png") && fs::exists("screen3.png") && ScreenshotCounter == 4);
    EXPECT_EQ(Contents("screen0.png") + ", " + Contents("elsewhere"), "earlier, the player's");
    EXPECT_TRUE(fs::is_symlink("screen1.png.tmp"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 5);

    int width = 0, height = 0, channels = 0;
    unsigned char* image = stbi_load("screen3.png", &width, &height, &channels, 4);
    ASSERT_NE(image, nullptr);
    // The first row in the file is the top of the screen: blue, then red.
    EXPECT_EQ(std::tuple(width, height, int{image[2]}, int{image[3 * 4 + 0]}),
              std::tuple(3, 2, 255, 255));
    stbi_image_free(image);
}

// A numbered file's contents are written whole or reported as not written.
TEST_F(Screenshot, FailedWriteLeavesNoFileAndMovesToTheNextNumber)
{
    // Files may grow to 10 bytes only: no PNG can be written whole, nor 12 bytes.
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = 10;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(SaveScreenshot(3, 2, Pixels));
    const int file = open("bytes", O_WRONLY | O_CREAT, 0600);
    EXPECT_FALSE(WriteAll(file, "twelve bytes", 12));
    limit.rlim_cur = before;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_TRUE(WriteAll(file, "twelve bytes", 12) && close(file) == 0);
    EXPECT_EQ(Contents("bytes"), "twelve byttwelve bytes");
    fs::remove("bytes");
    EXPECT_TRUE(fs::is_empty(folder) && ScreenshotCounter == 1);
    EXPECT_TRUE(SaveScreenshot(3, 2, Pixels) && fs::exists("screen1.png"));
    EXPECT_FALSE(SaveScreenshot(0, 0, Pixels));
}
