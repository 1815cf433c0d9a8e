// Tests of the scene: held keys, the end of the match, its text and its clean-up.
#include "display/canvas.h"
#include "display/font.h"
#include "scene/game_state.h"
#include "scene/unit_types.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace
{
std::vector<int> Held(const GameState& scene)
{
    return {scene.heldActions, scene.heldActions + scene.heldCount};
}

std::vector<unsigned char> Canvas()
{
    return {ScreenCells, ScreenCells + CanvasCells};
}
} // namespace

TEST(GameState, HeldActionsKeepPressOrderAndReleaseEveryCopy)
{
    GameState scene;
    scene.KeyUp(3);
    EXPECT_TRUE(Held(scene).empty());
    for (int action : {0, 2, 8, 0, 7})
    {
        scene.KeyDown(action);
    }
    scene.KeyUp(0);
    EXPECT_EQ((std::vector<int>{2, 8, 7}), Held(scene));
    scene.KeyUp(5);
    EXPECT_EQ((std::vector<int>{2, 8, 7}), Held(scene));
    for (int k = 0; k < 20; ++k)
    {
        scene.KeyDown(4);
    }
    EXPECT_EQ(MaxHeldActions, scene.heldCount);
    scene.KeyUp(4);
    EXPECT_EQ((std::vector<int>{2, 8, 7}), Held(scene));
}

TEST(GameState, FinishesTwoHundredFortyStepsAfterTheMatchIsDecided)
{
    GameState scene;
    scene.Step();
    scene.SetGameOver();
    for (int k = 1; k < EndSteps; ++k)
    {
        scene.Step();
        ASSERT_FALSE(scene.finished) << k;
    }
    scene.Step();
    EXPECT_TRUE(scene.finished);
    scene.Step();
    EXPECT_TRUE(scene.finished);
    EXPECT_EQ(0, scene.endCountdown);
    EXPECT_EQ(242u, scene.stepCount);
}

TEST(GameState, ResultTextShowsEachTeamOnItsOwnHalf)
{
    GameState scene;
    scene.winner = 0;
    ClearCanvas();
    scene.Draw();
    EXPECT_EQ(std::vector<unsigned char>(CanvasCells, 0), Canvas()); // not decided yet

    const struct
    {
        int winner;
        const char* left;
        const char* right;
    } cases[] = {{0, "win", "lose"}, {1, "lose", "win"}, {-1, nullptr, nullptr}};
    for (const auto& c : cases)
    {
        ClearCanvas();
        if (c.left != nullptr)
        {
            DrawText(c.left, 32 - TextWidth(c.left), 42, 6, 2);
            DrawText(c.right, 96 - TextWidth(c.right), 42, 6, 2);
        }
        else
        {
            DrawText("game over", 64 - TextWidth("game over"), 42, 6, 2);
        }
        const std::vector<unsigned char> expected = Canvas();
        scene.winner = c.winner;
        scene.gameOver = true;
        ClearCanvas();
        scene.Draw();
        EXPECT_EQ(expected, Canvas()) << "winner " << c.winner;
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
    scene->Step(); // leaves debris behind for the destructor to free
    ASSERT_FALSE(scene->effects.empty());
    delete scene;
    EXPECT_TRUE(derivedGone);
}
