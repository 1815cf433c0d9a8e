// Tests of the scene's held keys.
#include "scene/game_state.h"

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
