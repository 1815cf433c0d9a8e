// Tests of the icon: scaling that keeps colours and coverage, and the picture centred in it.
#include "tools/pictures/picture_icon.h"

#include "display/pictures.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
using Rgba = std::vector<unsigned char>;

// A side x side image, top row first, whose pixel (x, y) is pixelAt(x, y).
Rgba Square(int side, auto pixelAt)
{
    Rgba rgba;
    for (int i = 0; i < side * side; ++i)
    {
        const Rgba pixel = pixelAt(i % side, i / side);
        rgba.insert(rgba.end(), pixel.begin(), pixel.end());
    }
    return rgba;
}

Rgba Pixel(const Rgba& rgba, int side, int x, int y)
{
    const auto at = rgba.begin() + (y * side + x) * 4;
    return {at, at + 4};
}
} // namespace

TEST(PictureIcon, ScalingKeepsColourAndCoverage)
{
    // Shrinking a red cell beside transparent ones thins it out but keeps it red.
    const Rgba red = {255, 0, 0, 255}, clear = {0, 0, 0, 0}, green = {10, 200, 30, 255};
    const Rgba checks = Square(64, [&](int x, int y) { return (x + y) % 2 == 0 ? red : clear; });
    EXPECT_EQ(Pixel(ScaleSquare(checks, 64, 32), 32, 5, 9), (Rgba{255, 0, 0, 128}));

    // Whatever the ratio, a solid image stays solid: the weights always cover the pixel.
    const auto solid = [&](int, int) { return green; };
    for (int size : {16, 24, 48, 100, 256})
    {
        EXPECT_EQ(ScaleSquare(Square(64, solid), 64, size), Square(size, solid)) << size;
    }
}

TEST(PictureIcon, PictureSitsInTheMiddleOnATransparentGround)
{
    // One coloured cell in the bottom left corner: the icon shows it in the middle.
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
    Pictures[0][0] = 4;
    const std::string path = "tq_icon_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(WritePictureIcon(0, 128, path.c_str()));
    int width = 0, height = 0, channels = 0;
    unsigned char* image = stbi_load(path.c_str(), &width, &height, &channels, 4);
    std::remove(path.c_str());
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(width, 128);
    ASSERT_EQ(height, 128);
    const Rgba icon(image, image + 128 * 128 * 4);
    stbi_image_free(image);
    int opaque = 0;
    for (int i = 0; i < 128 * 128; ++i)
    {
        opaque += icon[i * 4 + 3] == 255;
        EXPECT_TRUE(icon[i * 4 + 3] == 0 || icon[i * 4 + 3] == 255) << i;
    }
    EXPECT_EQ(opaque, 4);
    // The cell moves to column 31 and row 31 from the bottom: pixels 62..63 across and,
    // counted from the top of the image, 64..65 down.
    const Rgba orange = Pixel(icon, 128, 62, 64);
    EXPECT_EQ(orange[3], 255);
    EXPECT_GT(orange[0], 200);
    EXPECT_LT(orange[2], 60);
    EXPECT_EQ(Pixel(icon, 128, 63, 65), orange);

    EXPECT_FALSE(WritePictureIcon(3, 16, path.c_str()));
    EXPECT_FALSE(WritePictureIcon(0, 0, path.c_str()));
}
