// Tests of effects: the debris burst, expiry, the area's edges and drawing.
#include "display/canvas.h"
#include "platform/rand.h"
#include "scene/game_state.h"
#include "scene/sprites.h"
#include "scene/unit_types.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(Effects, BurstStartsOnTheBallsCellInItsOwnColours)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        SeedRand(seed);
        GameState scene;
        Unit& ball = scene.AddUnit(UnitBall, -1, 2, 0);
        ball.slideX = 2; // 1.5 cells right of the centre after the slide step: cell 31
        PlaceUnit(ball);
        ball.life = -1;
        scene.RemoveDeadUnits();
        ASSERT_EQ(32u, scene.effects.size());
        int moving = 0;
        for (const Effect& effect : scene.effects)
        {
            bool inSprite = false;
            for (const auto& row : Sprites[SpriteBall].pixels)
            {
                for (signed char pixel : row)
                {
                    inSprite = inSprite || pixel == effect.colour;
                }
            }
            EXPECT_TRUE(inSprite && effect.colour != 0);
            EXPECT_EQ(64 * 31, effect.x);
            EXPECT_EQ(64 * 6, effect.y);
            EXPECT_TRUE(std::abs(effect.dx) <= 16 && std::abs(effect.dy) <= 16);
            moving += effect.dx != 0 || effect.dy != 0;
        }
        EXPECT_GT(moving, 16);
    }
}

TEST(Effects, FragmentDiesAtTheAreasEdgeOrInItsHundredthUpdate)
{
    const struct
    {
        int x, y, dx, dy, updates, heldX, heldY;
    } cases[] = {
        {640, 640, 0, 0, 100, 640, 640}, {5, 640, -6, 0, 1, 0, 640},
        {8190, 640, 3, 0, 1, 8192, 640}, {640, 2, 0, -3, 1, 640, 0},
        {640, 6143, 0, 2, 1, 640, 6144}, {8192, 6144, 0, 0, 100, 8192, 6144},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.x);
        GameState scene;
        scene.effects.push_back({EffectDebris, c.x, c.y, c.dx, c.dy, 5, 1.0f, false});
        for (int update = 0; update < c.updates; ++update)
        {
            ASSERT_FALSE(scene.effects.front().dead) << update;
            scene.Step();
        }
        const Effect& effect = scene.effects.front();
        EXPECT_TRUE(effect.dead);
        EXPECT_EQ(c.heldX, effect.x);
        EXPECT_EQ(c.heldY, effect.y);
        ClearCanvas();
        scene.DrawEffects(); // drawn once more where it died, if that is on the canvas
        int inked = 0;
        for (unsigned char cell : ScreenCells)
        {
            inked += cell == 5;
        }
        EXPECT_EQ(OnCanvas(c.heldX / 64 + 28, c.heldY / 64) ? 1 : 0, inked);
        scene.Step();
        EXPECT_TRUE(scene.effects.empty());
    }
}
