// Tests of the sprite drawing: quarter turns and team colours.
#include "display/canvas.h"
#include "scene/sprites.h"

#include <gtest/gtest.h>

TEST(Sprites, EachOrientationTurnsAQuarterMoreAndTeamOneSwapsColours)
{
    const int teamColour[10] = {0, 3, 4, 1, 2, 5, 6, 7, 8, 9};
    for (int sprite = 0; sprite < SpriteCount; ++sprite)
    {
        const int team = sprite - 1; // the ball, team 0's player, team 1's player
        for (int orientation = 0; orientation < 4; ++orientation)
        {
            ClearCanvas();
            DrawSprite(sprite, 64, 48, orientation, team);
            for (int r = 0; r < 12; ++r)
            {
                for (int c = 0; c < 12; ++c)
                {
                    int x = c; // pixel (r, c) at (c, r) of the square, turned counter-clockwise
                    int y = r;
                    for (int q = 0; q < orientation; ++q)
                    {
                        const int turned = 11 - y;
                        y = x;
                        x = turned;
                    }
                    const int stored = Sprites[sprite].pixels[r][c];
                    ASSERT_EQ(team == 1 ? teamColour[stored] : stored,
                              ScreenCells[(58 + x) * CanvasHeight + 42 + y])
                        << sprite << " " << orientation << " " << r << "," << c;
                }
            }
        }
    }
}
