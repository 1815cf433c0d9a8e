// Tests of the sprite drawing: quarter turns, team colours and clipping.
#include "display/canvas.h"
#include "scene/sprites.h"

#include <gtest/gtest.h>

namespace
{
constexpr int N = 12; // side of every unit sprite

// The sprite's square as drawn centred on (64, 48): [y][x] from its lower-left corner.
struct Square
{
    unsigned char cells[N][N];
};

Square DrawSquare(int sprite, int orientation, int team)
{
    ClearCanvas();
    DrawSprite(sprite, 64, 48, orientation, team);
    Square square{};
    for (int a = 0; a < N; ++a)
    {
        for (int b = 0; b < N; ++b)
        {
            square.cells[b][a] = ScreenCells[(64 - N / 2 + a) * CanvasHeight + 48 - N / 2 + b];
        }
    }
    return square;
}
} // namespace

TEST(Sprites, EachOrientationIsOneMoreQuarterTurnCounterClockwise)
{
    for (int sprite = 0; sprite < SpriteCount; ++sprite)
    {
        Square turned = DrawSquare(sprite, 0, 0);
        for (int orientation = 1; orientation < 4; ++orientation)
        {
            // A quarter turn counter-clockwise takes (x, y) to (n - 1 - y, x).
            Square next{};
            for (int x = 0; x < N; ++x)
            {
                for (int y = 0; y < N; ++y)
                {
                    next.cells[x][N - 1 - y] = turned.cells[y][x];
                }
            }
            turned = next;
            const Square drawn = DrawSquare(sprite, orientation, 0);
            for (int y = 0; y < N; ++y)
            {
                for (int x = 0; x < N; ++x)
                {
                    ASSERT_EQ(drawn.cells[y][x], turned.cells[y][x])
                        << "sprite " << sprite << " orientation " << orientation;
                }
            }
        }
    }
}

TEST(Sprites, OnlyTeamOneSwapsColoursOneToFour)
{
    const unsigned char same[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const unsigned char swapped[10] = {0, 3, 4, 1, 2, 5, 6, 7, 8, 9};
    const struct
    {
        int sprite, team;
        const unsigned char* colours;
    } cases[] = {{SpriteBall, -1, same}, {SpriteTeam0, 0, same}, {SpriteTeam1, 1, swapped}};
    for (const auto& c : cases)
    {
        const Square drawn = DrawSquare(c.sprite, 0, c.team);
        int inked = 0;
        for (int y = 0; y < N; ++y)
        {
            for (int x = 0; x < N; ++x)
            {
                const int stored = Sprites[c.sprite].pixels[y][x];
                EXPECT_EQ(c.colours[stored], drawn.cells[y][x]) << "sprite " << c.sprite;
                inked += stored != 0;
            }
        }
        EXPECT_GT(inked, 0);
    }
}

TEST(Sprites, CellsOffTheCanvasAreSkippedWithoutWrapping)
{
    ClearCanvas();
    DrawSprite(SpriteBall, 2, 1, 0, -1);
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            if (ScreenCells[x * CanvasHeight + y] != 0)
            {
                EXPECT_LE(x, 7);
                EXPECT_LE(y, 6);
            }
        }
    }
    // The sprite's column 6 lands on canvas column 2, its row 5 on canvas row 0.
    EXPECT_EQ(Sprites[SpriteBall].pixels[5][6], ScreenCells[2 * CanvasHeight + 0]);
    ClearCanvas();
    DrawSprite(SpriteCount, 64, 48, 0, 0);
    DrawSprite(-1, 64, 48, 0, 0);
    for (unsigned char cell : ScreenCells)
    {
        ASSERT_EQ(0, cell);
    }
}
