// Tests of debris: the burst, expiry at the area's edges or with age, and drawing.
#include "display/canvas.h"
#include "platform/rand.h"
#include "scene/game_state.h"
#include "scene/sprites.h"
#include "scene/unit_types.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

TEST(Effects, BurstStartsOnTheBallsCellInItsOwnColours)
{
    const signed char* pixels = &Sprites[SpriteBall].pixels[0][0];
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        SeedRand(seed);
        GameState scene;
        Unit& ball = scene.AddUnit(UnitBall, -1, 2, 0);
        ball.slideX = 2; // 1.5 cells right of the centre after the slide step: cell 31
        PlaceUnit(ball);
        ball.life = -1;
        scene.RemoveDeadUnits();
        int moving = 0;
        for (const Effect& e : scene.effects)
        {
            EXPECT_TRUE(e.colour != 0 && std::find(pixels, pixels + 256, e.colour) != pixels + 256);
            EXPECT_TRUE(e.x == 64 * 31 && e.y == 64 * 6 && std::abs(e.dx) <= 16 &&
                        std::abs(e.dy) <= 16);
            moving += e.dx != 0 || e.dy != 0;
        }
        EXPECT_GT(moving, 16);
    }
}

TEST(Effects, FragmentDiesAtTheAreasEdgeOrInItsHundredthUpdate)
{
    const int cases[][7] = {
        // x, y, dx, dy, updates until it dies, where it is held
        {640, 640, 0, 0, 100, 640, 640}, {5, 640, -6, 0, 1, 0, 640},
        {8190, 640, 3, 0, 1, 8192, 640}, {640, 2, 0, -3, 1, 640, 0},
        {640, 6143, 0, 2, 1, 640, 6144}, {8192, 6144, 0, 0, 100, 8192, 6144},
    };
    for (const auto& [x, y, dx, dy, updates, heldX, heldY] : cases)
    {
        GameState scene;
        scene.effects.push_back({EffectDebris, x, y, dx, dy, 5, 1.0f, false});
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
