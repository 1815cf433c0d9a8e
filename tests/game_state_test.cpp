// Tests of the scene: held keys, the end of the match, its text and its clean-up.
#include "display/canvas.h"
#include "display/font.h"
#include "scene/game_state.h"
#include "scene/unit_types.h"

#include <gtest/gtest.h>
#include <vector>

TEST(GameState, HeldActionsKeepPressOrderAndReleaseEveryCopy)
{
    GameState scene;
    for (int action : {0, 2, 8, 0, 7})
    {
        scene.KeyDown(action);
    }
    scene.KeyUp(0);
    scene.KeyUp(5);
    EXPECT_EQ((std::vector<int>{2, 8, 7}),
              std::vector<int>(scene.heldActions, scene.heldActions + scene.heldCount));
    for (int k = 0; k < 20; ++k)
    {
        scene.KeyDown(4); // presses beyond the table's room are dropped
    }
    EXPECT_EQ(MaxHeldActions, scene.heldCount);
}

TEST(GameState, ResultShowsOnceDecidedAndTheMatchFinishes240StepsLater)
{
    const struct
    {
        int winner;
        const char* left;
        const char* right;
    } cases[] = {{0, "win", "lose"}, {1, "lose", "win"}, {-1, "", "game over"}};
    for (const auto& c : cases)
    {
        GameState scene;
        scene.winner = c.winner;
        ClearCanvas();
        scene.Draw();
        EXPECT_EQ(std::vector<unsigned char>(CanvasCells, 0),
                  std::vector<unsigned char>(ScreenCells, ScreenCells + CanvasCells));
        DrawText(c.left, 32 - TextWidth(c.left), 42, 6, 2);
        const int rightEdge = c.winner < 0 ? 64 : 96;
        DrawText(c.right, rightEdge - TextWidth(c.right), 42, 6, 2);
        const std::vector<unsigned char> expected(ScreenCells, ScreenCells + CanvasCells);
        scene.SetGameOver();
        ClearCanvas();
        scene.Draw();
        EXPECT_EQ(expected, std::vector<unsigned char>(ScreenCells, ScreenCells + CanvasCells));
        for (int step = 1; step <= EndSteps; ++step)
        {
            ASSERT_FALSE(scene.finished) << step;
            scene.Step();
        }
        EXPECT_TRUE(scene.finished);
        scene.Step();
        EXPECT_TRUE(scene.finished && scene.endCountdown == 0);
    }
}

TEST(GameState, DeletingThroughTheBasePointerRunsTheWholeDestructor)
{
    static bool derivedGone = false;
    struct Derived : GameState
    {
        ~Derived() override
        {
            derivedGone = true;
        }
    };
    GameState* scene = new Derived();
    scene->AddUnit(UnitBall, -1, 2, 2).life = -1;
    scene->Step(); // debris for the destructor to free; leaks would fail a sanitized run
    ASSERT_FALSE(scene->effects.empty());
    delete scene;
    EXPECT_TRUE(derivedGone);
}
