// Tests of the scene: held keys, units leaving in a burst of debris, the debris's expiry
// and the sprites' quarter turns and team colours.
#include "display/canvas.h"
#include "platform/rand.h"
#include "scene/effects.h"
#include "scene/game_state.h"
#include "scene/sprites.h"
#include "scene/unit_types.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <list>
#include <vector>

// Held actions keep their press order, a release lets go of every copy of its action, and
// presses beyond the table's room are lost. A unit leaves in a burst of its colours from its
// cell, and its id is never given again; each fragment dies at the area's edge or in its
// hundredth update.
TEST(GameState, HeldKeysAndUnitsLeavingInABurstOfFragmentsThatDieAtTheEdgeOrInTheirHundredthUpdate)
{
    SeedRand(3);
    GameState scene;
    for (int press = 0; press < 20; ++press)
    {
        scene.KeyDown(press % 3);
    }
    scene.KeyUp(1);
    EXPECT_EQ((std::vector<int>{0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0}),
              std::vector<int>(scene.heldActions, scene.heldActions + scene.heldCount));
    Unit& lingering = scene.AddUnit(UnitPlayer, 1, 1, 1);
    lingering.life = 0;
    lingering.slideX = 8;
    lingering.slideY = -8;
    Unit& ball = scene.AddUnit(UnitBall, -1, 2, 0);
    ball.slideX = 2; // 1.5 cells right of the centre after the slide step: canvas cell 31
    PlaceUnit(ball);
    ball.life = -1;
    scene.Step(); // the ball leaves now with its debris, updated once; the player stays
    EXPECT_TRUE(scene.units.size() == 1u && lingering.life == -1);
    EXPECT_TRUE(lingering.x == 768 + 384 + 96 * 7 && lingering.y == 768 + 384 - 96 * 7);
    ASSERT_EQ(32u, scene.effects.size());
    for (const Effect& e : scene.effects)
    {
        EXPECT_TRUE(e.x - e.dx == 64 * 31 && e.y - e.dy == 64 * 6);
    }
    scene.Step();
    EXPECT_TRUE(scene.units.empty() && scene.effects.size() == 32u + 16u);
    EXPECT_EQ(3u, scene.AddUnit(UnitBall, -1, 0, 0).id); // ids are never reused
    for (const signed char size : {12, 0}) // a sprite all transparent, or with no square at all
    {
        Sprite empty{};
        empty.size = size;
        SpawnDebris(scene.effects, EffectDebris, 16, empty, 640, 640);
        EXPECT_EQ(48u, scene.effects.size()) << "bursts into nothing";
    }
    // A fragment dies at the area's edge or in its hundredth update, and is drawn once more.
    const int cases[][7] = {
        // x, y, dx, dy, updates until it dies, where it is held
        {5, 640, -6, 0, 1, 0, 640},          {8190, 640, 3, 0, 1, 8192, 640},
        {640, 2, 0, -3, 1, 640, 0},          {640, 6143, 0, 2, 1, 640, 6144},
        {8192, 6144, 0, 0, 100, 8192, 6144},
    };
    for (const auto& [x, y, dx, dy, updates, heldX, heldY] : cases)
    {
        scene.effects.assign(1, {EffectDebris, x, y, dx, dy, 5, 1.0f, false});
        for (int update = 0; update < updates; ++update)
        {
            ASSERT_FALSE(scene.effects.front().dead) << x << " " << update;
            scene.Step();
        }
        const Effect& effect = scene.effects.front();
        EXPECT_TRUE(effect.dead && effect.x == heldX && effect.y == heldY) << x;
        ClearCanvas();
        scene.DrawEffects(); // drawn once more where it died, if that is on the canvas
        EXPECT_EQ(OnCanvas(heldX / 64 + 28, heldY / 64) ? 1 : 0,
                  std::count(ScreenCells, ScreenCells + CanvasCells, 5));
        scene.Step();
        EXPECT_TRUE(scene.effects.empty());
    }
}

// Each fragment of a burst takes the colour of the first opaque pixel drawn (row, then column),
// then flies at an angle of 0..359 degrees drawn next: the sine scaled by a first speed of
// 1..128 along x and the cosine by a second one along y, an eighth of a cell per step at most.
TEST(Effects, FragmentsTakeTheirColourAndDirectionFromTheirDraws)
{
    constexpr double Degree = 3.14159265358979 / 180;
    for (const int sprite : {SpriteBall, SpriteTeam1})
    {
        std::list<Effect> effects;
        SeedRand(11 + sprite);
        SpawnDebris(effects, EffectDebris, 40, Sprites[sprite], 700, 100);
        SeedRand(11 + sprite);
        for (const Effect& e : effects)
        {
            int colour = 0;
            while (colour == 0)
            {
                const int row = Rand() % 12;
                colour = Sprites[sprite].pixels[row][Rand() % 12];
            }
            const double angle = Rand() % 360 * Degree;
            const double dx = std::sin(angle) * ((Rand() & 127) + 1) / 8;
            const double dy = std::cos(angle) * ((Rand() & 127) + 1) / 8;
            EXPECT_TRUE(e.colour == colour && e.x == 640 && e.y == 64 && e.life == 1.0f);
            // Truncated toward zero: less than a whole unit off, never across 0.
            EXPECT_TRUE(std::abs(e.dx - dx) < 1 && e.dx * dx >= 0) << e.dx << " " << dx;
            EXPECT_TRUE(std::abs(e.dy - dy) < 1 && e.dy * dy >= 0) << e.dy << " " << dy;
        }
    }
}

TEST(Sprites, EachOrientationTurnsAQuarterMoreAndTeamOneSwapsColours)
{
    const int teamColour[10] = {0, 3, 4, 1, 2, 5, 6, 7, 8, 9};
    for (int turned = 0; turned < SpriteCount * 4; ++turned) // each sprite in each orientation
    {
        const int sprite = turned / 4, orientation = turned % 4;
        const int team = sprite - 1; // the ball, team 0's player, team 1's player
        ClearCanvas();
        DrawSprite(sprite, 64, 48, orientation, team);
        for (int pixel = 0; pixel < 144; ++pixel)
        {
            // Pixel (r, c) at (c, r) of the square, turned counter-clockwise.
            const int r = pixel / 12, c = pixel % 12;
            const int at[4][2] = {{c, r}, {11 - r, c}, {11 - c, 11 - r}, {r, 11 - c}};
            const auto [x, y] = at[orientation];
            const int stored = Sprites[sprite].pixels[r][c];
            ASSERT_EQ(team == 1 ? teamColour[stored] : stored,
                      ScreenCells[(58 + x) * CanvasHeight + 42 + y])
                << sprite << " " << orientation << " " << r << "," << c;
        }
    }
}
