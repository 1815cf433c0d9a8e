// Tests of the icon: scaling that keeps colours and coverage, and the picture centred in it.
#include "tools/pictures/picture_icon.h"

#include "display/pictures.h"

#include <gtest/gtest.h>
#include <stb_image.h>

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
    for (int y = 0; y < side; ++y)
    {
        for (int x = 0; x < side; ++x)
        {
            for (unsigned char value : pixelAt(x, y))
            {
                rgba.push_back(value);
            }
        }
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
    // Doubling repeats every pixel as a 2 x 2 block, exactly.
    const auto holesOnTheDiagonal = [](int x, int y)
    {
        const auto shade = [](int n) { return static_cast<unsigned char>(n * 80); };
        return x == y ? Rgba{0, 0, 0, 0} : Rgba{shade(x), shade(y), 7, 255};
    };
    const auto small = Square(3, holesOnTheDiagonal);
    const auto doubled = ScaleSquare(small, 3, 6);
    for (int y = 0; y < 6; ++y)
    {
        for (int x = 0; x < 6; ++x)
        {
            EXPECT_EQ(Pixel(doubled, 6, x, y), Pixel(small, 3, x / 2, y / 2)) << x << "," << y;
        }
    }

    // Shrinking a red cell beside transparent ones thins it out but keeps it red.
    const auto redChecks = [](int x, int y) {
        return (x + y) % 2 == 0 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 0, 0};
    };
    const auto checks = Square(64, redChecks);
    EXPECT_EQ(Pixel(ScaleSquare(checks, 64, 32), 32, 5, 9), (Rgba{255, 0, 0, 128}));

    // Whatever the ratio, a solid image stays solid: the weights always cover the pixel.
    const auto solid = Square(64, [](int, int) { return Rgba{10, 200, 30, 255}; });
    for (int size : {16, 24, 48, 100, 256})
    {
        const auto scaled = ScaleSquare(solid, 64, size);
        for (int i = 0; i < size * size; ++i)
        {
            ASSERT_EQ(Pixel(scaled, size, i % size, i / size), (Rgba{10, 200, 30, 255}))
                << "size " << size << " pixel " << i;
        }
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
