// Tests of effects: the debris burst, expiry, the area's edges and drawing.
#include "display/canvas.h"
#include "platform/rand.h"
#include "scene/game_state.h"
#include "scene/sprites.h"
#include "scene/unit_types.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace
{
Effect& AddFragment(GameState& scene, int x, int y, int dx, int dy)
{
    Effect& effect = scene.effects.emplace_back();
    effect = {EffectDebris, x, y, dx, dy, 5, 1.0f, false};
    return effect;
}
} // namespace

TEST(Effects, BurstStartsOnTheUnitsCellInItsOwnColours)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        SeedRand(seed);
        GameState scene;
        Unit& ball = scene.AddUnit(UnitBall, -1, 2, 0);
        scene.AddUnit(UnitPlayer, 0, 4, 4).life = -1;
        ball.slideX = 2; // PlaceUnit leaves 1: 1.5 cells off-centre, on canvas cell 31
        PlaceUnit(ball);
        ball.life = -1;
        scene.RemoveDeadUnits();
        ASSERT_EQ(32u + 16u, scene.effects.size());
        int k = 0;
        bool someMove = false;
        for (const Effect& effect : scene.effects)
        {
            const bool fromBall = k++ < 32;
            const Sprite& sprite = Sprites[fromBall ? SpriteBall : SpriteTeam0];
            bool inSprite = false;
            for (const auto& row : sprite.pixels)
            {
                for (signed char pixel : row)
                {
                    inSprite = inSprite || pixel == effect.colour;
                }
            }
            EXPECT_NE(0, effect.colour);
            EXPECT_TRUE(inSprite);
            EXPECT_EQ(fromBall ? 64 * 31 : 64 * 54, effect.x);
            EXPECT_EQ(fromBall ? 64 * 6 : 64 * 54, effect.y);
            EXPECT_LE(std::abs(effect.dx), 16);
            EXPECT_LE(std::abs(effect.dy), 16);
            EXPECT_FLOAT_EQ(1.0f, effect.life);
            someMove = someMove || effect.dx != 0 || effect.dy != 0;
        }
        EXPECT_TRUE(someMove);
    }
}

TEST(Effects, FragmentExpiresInItsHundredthUpdateAndGoesOneStepLater)
{
    GameState scene;
    Effect& still = AddFragment(scene, 640, 640, 0, 0);
    for (int update = 1; update <= 100; ++update)
    {
        EXPECT_FALSE(still.dead) << update;
        scene.Step();
    }
    EXPECT_TRUE(still.dead);
    EXPECT_EQ(640, still.x);
    scene.Step();
    EXPECT_TRUE(scene.effects.empty());
}

TEST(Effects, LeavingTheAreaHoldsTheFragmentAtTheEdgeAndKillsIt)
{
    const struct
    {
        int x, y, dx, dy, heldX, heldY;
    } cases[] = {
        {5, 640, -6, 0, 0, 640},      {8190, 640, 3, 0, 8192, 640},   {640, 2, 0, -3, 640, 0},
        {640, 6143, 0, 2, 640, 6144}, {8192, 6144, 0, 0, 8192, 6144}, // on the edge is still inside
    };
    for (const auto& c : cases)
    {
        GameState scene;
        Effect& effect = AddFragment(scene, c.x, c.y, c.dx, c.dy);
        scene.Step();
        EXPECT_EQ(c.heldX, effect.x);
        EXPECT_EQ(c.heldY, effect.y);
        EXPECT_EQ(c.dx != 0 || c.dy != 0, effect.dead);
    }
}

TEST(Effects, DeadFragmentsAreDrawnAndOffCanvasOnesSkipped)
{
    GameState scene;
    AddFragment(scene, 0, 130, 0, 0).dead = true;
    AddFragment(scene, 100 * 64, 640, 0, 0); // canvas column 128
    ClearCanvas();
    scene.DrawEffects();
    int inked = 0;
    for (unsigned char cell : ScreenCells)
    {
        inked += cell != 0;
    }
    EXPECT_EQ(1, inked);
    EXPECT_EQ(5, ScreenCells[28 * CanvasHeight + 2]);
}
