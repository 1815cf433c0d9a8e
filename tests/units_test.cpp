// Tests of units: creation, sliding into a cell, drawing and leaving the board.
#include "display/canvas.h"
#include "scene/game_state.h"
#include "scene/sprites.h"
#include "scene/unit_types.h"

#include <gtest/gtest.h>

TEST(Units, NewUnitsTakeRisingIdsAndFaceTheirTeamsWay)
{
    GameState scene;
    const struct
    {
        int type, team, facing;
    } added[] = {{UnitBall, -1, 0}, {UnitPlayer, 0, 0}, {UnitPlayer, 1, 2}};
    for (std::uint32_t round = 0; round < 3; ++round)
    {
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const Unit& unit = scene.AddUnit(added[k].type, added[k].team, 0, 0);
            EXPECT_EQ(round * 3 + k + 1, unit.id);
            EXPECT_EQ(added[k].facing, unit.facing);
            EXPECT_EQ(384, unit.x);
            EXPECT_EQ(384, unit.y);
        }
    }
    scene.units.at(9).life = -1;
    scene.Step();
    EXPECT_EQ(10u, scene.AddUnit(UnitBall, -1, 5, 7).id); // ids are never reused
    EXPECT_EQ(768 * 5 + 384, scene.units.at(10).x);
    EXPECT_EQ(768 * 7 + 384, scene.units.at(10).y);
}

TEST(Units, SlideRunsOutOverEightStepsWhileBusyCountsDown)
{
    GameState scene;
    Unit& unit = scene.AddUnit(UnitPlayer, 0, 2, 3);
    unit.slideX = 8;
    unit.slideY = -8;
    unit.busy = 14;
    for (int k = 7; k >= 0; --k)
    {
        scene.Step();
        EXPECT_EQ(768 * 2 + 384 + 96 * k, unit.x);
        EXPECT_EQ(768 * 3 + 384 - 96 * k, unit.y);
    }
    for (int k = 0; k < 10; ++k)
    {
        scene.Step();
    }
    EXPECT_EQ(768 * 2 + 384, unit.x);
    EXPECT_EQ(0, unit.busy);
    EXPECT_EQ(-8, SlideForMove(unit, 1));
    EXPECT_EQ(8, SlideForMove(unit, -1));
}

TEST(Units, DrawnCentredOnTheirCellLaterIdsOnTop)
{
    GameState scene;
    scene.AddUnit(UnitPlayer, 0, 0, 0);
    scene.AddUnit(UnitBall, -1, 0, 0);
    ClearCanvas();
    scene.DrawUnits();
    int inked = 0;
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            if (ScreenCells[x * CanvasHeight + y] != 0)
            {
                EXPECT_TRUE(x >= 28 && x <= 39 && y <= 11) << x << "," << y;
                ++inked;
            }
        }
    }
    EXPECT_GT(inked, 0);
    // The ball's pixel (row 5, column 3) covers the player's there; both are opaque.
    EXPECT_NE(0, Sprites[SpriteTeam0].pixels[5][3]);
    EXPECT_EQ(Sprites[SpriteBall].pixels[5][3], ScreenCells[(28 + 3) * CanvasHeight + 5]);
}

TEST(Units, LeaveOnceLifeRunsOutAndBurstIntoDebris)
{
    GameState scene;
    Unit& lingering = scene.AddUnit(UnitPlayer, 1, 1, 1);
    scene.AddUnit(UnitBall, -1, 3, 3).life = -1;
    lingering.life = 0;
    scene.Step(); // the ball leaves now; the player is marked and stays for one step
    EXPECT_EQ(1u, scene.units.size());
    EXPECT_EQ(-1, lingering.life);
    EXPECT_EQ(32u, scene.effects.size());
    for (const Effect& effect : scene.effects)
    {
        EXPECT_FLOAT_EQ(0.99f, effect.life); // updated once in the step that made it
    }
    scene.Step();
    EXPECT_TRUE(scene.units.empty());
    EXPECT_EQ(32u + 16u, scene.effects.size());
}
