// Tests of units: gliding into a cell, leaving the board in a burst of debris, and ids.
#include "scene/game_state.h"
#include "scene/unit_types.h"

#include <gtest/gtest.h>

TEST(Units, LeaveInABurstOnceLifeRunsOutAndNeverGiveTheirIdAgain)
{
    GameState scene;
    Unit& lingering = scene.AddUnit(UnitPlayer, 1, 1, 1);
    lingering.life = 0;
    lingering.slideX = 8;
    lingering.slideY = -8;
    scene.AddUnit(UnitBall, -1, 3, 3).life = -1;
    scene.Step(); // the ball leaves now with its debris, updated once; the player stays
    EXPECT_TRUE(scene.units.size() == 1u && lingering.life == -1);
    EXPECT_TRUE(lingering.x == 768 + 384 + 96 * 7 && lingering.y == 768 + 384 - 96 * 7);
    ASSERT_EQ(32u, scene.effects.size());
    EXPECT_FLOAT_EQ(0.99f, scene.effects.front().life);
    scene.Step();
    EXPECT_TRUE(scene.units.empty() && scene.effects.size() == 32u + 16u);
    EXPECT_EQ(3u, scene.AddUnit(UnitBall, -1, 0, 0).id); // ids are never reused
}
