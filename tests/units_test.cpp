// Tests of units: creation, sliding into a cell, and leaving the board.
#include "scene/game_state.h"
#include "scene/unit_types.h"

#include <gtest/gtest.h>

TEST(Units, NewUnitsTakeRisingIdsFaceTheirTeamsWayAndSlideIntoTheirCell)
{
    GameState scene;
    for (int k = 0; k < 7; ++k)
    {
        const int team = k == 0 ? -1 : k % 2;
        const Unit& unit = scene.AddUnit(k == 0 ? UnitBall : UnitPlayer, team, k % 6, k);
        EXPECT_EQ(k + 1u, unit.id);
        EXPECT_EQ(team == 1 ? 2 : 0, unit.facing);
        EXPECT_EQ(768 * (k % 6) + 384, unit.x);
        EXPECT_EQ(768 * k + 384, unit.y);
    }
    scene.units.at(7).life = -1;
    scene.Step();
    EXPECT_EQ(8u, scene.AddUnit(UnitBall, -1, 0, 0).id); // ids are never reused

    Unit& unit = scene.units.at(2);
    unit.slideX = 8;
    unit.slideY = -8;
    unit.busy = 14;
    for (int k = 7; k >= 0; --k)
    {
        scene.Step();
        EXPECT_EQ(768 + 384 + 96 * k, unit.x);
        EXPECT_EQ(768 + 384 - 96 * k, unit.y);
    }
    EXPECT_EQ(6, unit.busy);
    EXPECT_EQ(-8, SlideForMove(unit, 1));
}

TEST(Units, LeaveOnceLifeRunsOutAndBurstIntoDebris)
{
    GameState scene;
    Unit& lingering = scene.AddUnit(UnitPlayer, 1, 1, 1);
    lingering.life = 0;
    scene.AddUnit(UnitBall, -1, 3, 3).life = -1;
    scene.Step(); // the ball leaves now; the player stays one more step
    EXPECT_EQ(1u, scene.units.size());
    EXPECT_EQ(-1, lingering.life);
    ASSERT_EQ(32u, scene.effects.size());
    EXPECT_FLOAT_EQ(0.99f, scene.effects.front().life); // updated in the step that made it
    scene.Step();
    EXPECT_TRUE(scene.units.empty());
    EXPECT_EQ(32u + 16u, scene.effects.size());
}
