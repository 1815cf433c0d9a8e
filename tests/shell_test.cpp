// Tests of the shell: what keys do on the title screen and in a match, and how the
// scene is stepped and ended.
#include "app/shell.h"

#include "audio/status_handoff.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "scene/game_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
// A scene that records the keys it receives and reports its own destruction.
class RecordingScene : public GameState
{
public:
    explicit RecordingScene(int* destroyed) : destroyed(destroyed) {}
    ~RecordingScene() override
    {
        ++*destroyed;
    }
    void KeyDown(int action) override
    {
        keys.push_back("down " + std::to_string(action));
    }
    void KeyUp(int action) override
    {
        keys.push_back("up " + std::to_string(action));
    }

    std::vector<std::string> keys;
    int* destroyed;
};

class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetShell();
        InitStatusHandoff();
        InitPalette();
    }
    void TearDown() override
    {
        ResetShell();
    }

    RecordingScene* StartRecording()
    {
        auto* scene = new RecordingScene(&destroyed);
        StartScene(scene);
        return scene;
    }

    int destroyed = 0;
};
} // namespace

TEST_F(Shell, AnyKeyButEscapeAndPrintScreenStartsAMatchOnTheTitleScreen)
{
    EXPECT_EQ(HandleKeyDown(KeyPrintScreen), KeyResponse::TakeScreenshot);
    EXPECT_EQ(HandleKeyDown(KeyPrintScreen), KeyResponse::None); // a repeat: no second shot
    HandleKeyUp(KeyPrintScreen);
    EXPECT_EQ(HandleKeyDown(KeyPrintScreen), KeyResponse::TakeScreenshot);
    HandleKeyUp(KeyPrintScreen);
    HandleKeyUp(KeyW); // releases on the title screen are ignored
    EXPECT_FALSE(MatchRunning);

    EXPECT_EQ(HandleKeyDown(KeyW), KeyResponse::MatchStarted);
    ASSERT_TRUE(MatchRunning);
    EXPECT_EQ(CurrentScene->stepCount, 1u); // stepped once at once
    EXPECT_EQ(CurrentScene->heldCount, 0);  // the starting key is not passed on
    EXPECT_TRUE(AudioStatusSlots[MainSlot].halveEcho);
}

TEST_F(Shell, KeysReachTheMatchAsActions)
{
    RecordingScene* scene = StartRecording();
    EXPECT_EQ(HandleKeyDown(KeyW), KeyResponse::None);
    HandleKeyDown(KeyOther);
    HandleKeyDown(KeyCursorLeft);
    EXPECT_EQ(HandleKeyDown(KeyPrintScreen), KeyResponse::TakeScreenshot);
    HandleKeyUp(KeyW);
    HandleKeyUp(KeyOther);
    HandleKeyUp(KeyPrintScreen);
    const std::vector<std::string> expected = {"down 4", "down 8", "down 2", "up 4",
                                               "up 8",   "up 8",   "up 8"};
    EXPECT_EQ(scene->keys, expected);
}

TEST_F(Shell, AltAndAltEnterNeitherStartAMatchNorReachIt)
{
    EXPECT_EQ(HandleKeyDown(KeyAlt), KeyResponse::None);
    EXPECT_EQ(HandleKeyDown(KeyAltEnter), KeyResponse::SwitchScreen);
    EXPECT_EQ(HandleKeyDown(KeyAltEnter), KeyResponse::None); // a repeat: no second switch
    HandleKeyUp(KeyAlt);
    HandleKeyUp(KeyOther); // Enter let go after Alt
    EXPECT_EQ(HandleKeyDown(KeyAltEnter), KeyResponse::SwitchScreen);
    HandleKeyUp(KeyAltEnter);
    EXPECT_FALSE(MatchRunning);

    RecordingScene* scene = StartRecording();
    EXPECT_EQ(HandleKeyDown(KeyAlt), KeyResponse::None);
    EXPECT_EQ(HandleKeyDown(KeyAltEnter), KeyResponse::SwitchScreen);
    HandleKeyUp(KeyAltEnter);
    HandleKeyUp(KeyAlt);
    EXPECT_TRUE(scene->keys.empty());
}

TEST_F(Shell, EscapeOrResetEndsTheLiveMatchAndEscapeThenQuits)
{
    StartRecording();
    ResetShell();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(MatchRunning);

    StartRecording();
    HandleKeyDown(KeyEscape);
    EXPECT_FALSE(MatchRunning);
    EXPECT_EQ(CurrentScene, nullptr);
    EXPECT_EQ(destroyed, 2);
    EXPECT_FALSE(QuitRequested);
    HandleKeyDown(KeyEscape);
    EXPECT_TRUE(QuitRequested);
}

TEST_F(Shell, IterationStepsTheSceneEndsAFinishedMatchTicksThePaletteAndPublishesStatus)
{
    StartRecording();
    RunSteps(3); // the step at the start counts as the first of them
    EXPECT_EQ(CurrentScene->stepCount, 3u);
    EXPECT_EQ(SceneClock, 3u);
    EXPECT_EQ(PaletteTick, 3);
    EXPECT_FALSE(AudioStatusSlots[SpareSlot].titleMusic); // published: a match runs

    CurrentScene->finished = true;
    RunSteps(1);
    EXPECT_FALSE(MatchRunning);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(PaletteTick, 4);
    EXPECT_TRUE(AudioStatusSlots[MainSlot].titleMusic);

    RunSteps(0); // no step due: the palette rests, the status is still handed over
    EXPECT_EQ(PaletteTick, 4);
}

TEST_F(Shell, TheKeyOneStartsAMatchAgainstTheComputerWhoseTurnTakesNoKeysOfThePerson)
{
    HandleKeyDown(KeyOther);
    EXPECT_EQ(ComputerMatch, nullptr); // two people
    HandleKeyDown(KeyEscape);
    ASSERT_EQ(HandleKeyDown(Key1), KeyResponse::MatchStarted);
    ASSERT_TRUE(ComputerMatch != nullptr && ComputerMatch == CurrentScene);
    GameTitle& match = *ComputerMatch;
    EXPECT_EQ(1, match.computerTeam);
    for (int turn = 0; turn < 2; ++turn)
    {
        if (match.currentTeam == 1)
        {
            HandleKeyDown(KeyCursorUp); // nothing: neither the banner nor a held key
            EXPECT_TRUE(match.turnBanner && match.heldCount == 0);
            for (int step = 0; step < 2000 && match.currentTeam == 1; ++step)
            {
                RunSteps(1);
                HandleKeyDown(KeyCursorLeft);
                HandleKeyUp(KeyCursorLeft);
            }
            EXPECT_EQ(0, match.currentTeam); // the computer spent its moves, the turn passed
        }
        else
        {
            HandleKeyDown(KeyOther); // the person's banner goes with the person's key
            EXPECT_FALSE(match.turnBanner);
            HandleKeyUp(KeyOther);
            while (match.movesLeft > 0)
            {
                HandleKeyDown(KeyCursorDown); // spend the moves on switches
            }
            RunSteps(10);
        }
    }
    HandleKeyDown(KeyEscape);
    EXPECT_TRUE(ComputerMatch == nullptr && !MatchRunning);
}
