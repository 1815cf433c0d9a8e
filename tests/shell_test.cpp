// Tests of the shell: what keys do on the title screen and in a match, and how a match is
// started and ended.
#include "app/rules_page.h"
#include "audio/volume.h"
#include "display/canvas.h"
#include "headless.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

namespace
{
std::string Log; // what recording scenes met: "+a" action a down, "-a" up

class RecordingScene : public GameState
{
public:
    void KeyDown(int action) override
    {
        Log += "+" + std::to_string(action);
    }
    void KeyUp(int action) override
    {
        Log += "-" + std::to_string(action);
    }
};

// Presses each key, or releases ~key, and returns what the presses asked of the window side:
// '.' nothing, 'S' a screenshot, 'M' a match started, 'W' a switch of the screen.
std::string Feed(std::initializer_list<int> events)
{
    std::string responses;
    for (const int event : events)
    {
        if (event < 0)
        {
            HandleKeyUp(static_cast<Key>(~event));
            continue;
        }
        responses += ".SMW"[static_cast<int>(HandleKeyDown(static_cast<Key>(event)))];
    }
    return responses;
}
} // namespace

// On the title screen Print Screen and Alt+Enter act once per press, and any release ends a
// press of Alt+Enter (Enter may come up after Alt); Alt and releases do nothing; any other key
// starts a match, stepped once at once. Escape ends the live match, and then quits; a reset
// ends it too, and lets go of Print Screen and Alt+Enter. How iterations step a match the
// replays show.
TEST(Shell, TitleKeysStartAMatchOfTheirKindThatEscapeOrAResetEnds)
{
    ReadyHeadless(1);
    EXPECT_EQ(Feed({KeyPrintScreen, KeyPrintScreen, ~KeyPrintScreen, KeyPrintScreen,
                    ~KeyPrintScreen, ~KeyW, KeyAlt, KeyAltEnter, KeyAltEnter, ~KeyOther,
                    KeyAltEnter, ~KeyAltEnter, ~KeyAlt}),
              "S.S.W.W");
    EXPECT_EQ(Feed({KeyW}), "M");
    // Stepped once, and W is not passed on.
    ASSERT_TRUE(MatchRunning && CurrentScene->stepCount == 1u && CurrentScene->heldCount == 0);
    EXPECT_TRUE(AudioStatusSlots[MainSlot].halveEcho);
    Feed({KeyEscape});
    EXPECT_TRUE(CurrentScene == nullptr && !MatchRunning && !QuitRequested);
    Feed({KeyEscape});
    EXPECT_TRUE(QuitRequested);
    StartScene(new RecordingScene());
    Feed({KeyPrintScreen, KeyAltEnter});
    ResetShell();
    EXPECT_TRUE(Log.empty() && CurrentScene == nullptr && !MatchRunning && !QuitRequested);
    EXPECT_EQ(Feed({KeyPrintScreen, KeyAltEnter}), "SW");
    // 1, 2 and 3 start a match against the computer at its three levels, any other key one of
    // two people; with a friend in, every key starts the friend's match.
    const std::tuple<Key, bool, ComputerLevel, MovePolicy> cases[] = {
        {Key1, false, LevelEasy, ChooseEasyMove}, {Key2, false, LevelNormal, ChooseNormalMove},
        {Key3, false, LevelHard, ChooseMove},     {KeyW, false, LevelNone, nullptr},
        {Key1, true, LevelNone, nullptr},         {Key3, true, LevelNone, nullptr},
    };
    for (const auto& [key, friendIn, level, policy] : cases)
    {
        FriendJoined = friendIn;
        ASSERT_EQ(Feed({key}), "M") << key;
        const auto& match = *static_cast<GameTitle*>(CurrentScene);
        EXPECT_TRUE(match.computerLevel == level && match.computerTeam == (policy ? 1 : -1)) << key;
        EXPECT_EQ(ComputerMatch == CurrentScene, level != LevelNone) << key;
        EXPECT_EQ(FriendMatch == CurrentScene, friendIn) << key;
        EXPECT_TRUE(policy == nullptr || Computer.policy == policy) << key;
        LeaveMatch();
    }
}

// A release sends the key's actions and then ActionOther; Print Screen, Alt and Alt+Enter do
// their own work and reach the match only as the release of another key. A key repeated, or
// held on the keyboard and a pad at once, reaches the match as one press and is let go with
// its last holder; each press of the many other keys is one of its own. A release read before
// the match took a step since its press waits for that step.
TEST(Shell, KeysReachTheMatchAsActionsOncePerPress)
{
    ReadyHeadless(1);
    Log.clear();
    StartScene(new RecordingScene());
    SceneClock = CurrentScene->stepCount; // as an iteration leaves it
    EXPECT_EQ(Feed({KeyW, KeyOther, KeyCursorLeft, KeyPrintScreen, KeyAlt, KeyAltEnter}), "...S.W");
    StepScene(1);
    Feed({~KeyW, ~KeyOther, ~KeyPrintScreen, ~KeyAltEnter, ~KeyAlt});
    EXPECT_EQ(Log, "+4+8+2-4-8-8-8");
    Log.clear();
    Feed({KeyCursorUp, KeyCursorUp});
    HandleKeyDown(KeyCursorUp, KeySource::Pads);
    StepScene(1);
    Feed({~KeyCursorUp, KeyOther, KeyOther}); // the pad holds it still
    HandleKeyUp(KeyCursorUp, KeySource::Pads);
    HandleKeyDown(KeyCursorUp, KeySource::Pads);
    StepScene(1);
    HandleKeyUp(KeyCursorUp, KeySource::Pads);
    HandleKeyDown(KeyCount); // no key of the table: held by no one, as any other key
    HandleKeyDown(KeyCursorUp, KeySource::Pads);
    EXPECT_EQ(Log, "+0+8+8-0-8+0-0-8+8+0");
    StepScene(1);
    HandleKeyUp(KeyCursorUp, KeySource::Pads);
    Log.clear();
    Feed({KeyCursorUp, ~KeyCursorUp, KeyW, ~KeyW, KeyW, KeyOther, ~KeyOther});
    StepScene(0);
    EXPECT_EQ(Log, "+0+4+8");
    StepScene(1);
    EXPECT_EQ(Log, "+0+4+8-0-8-8"); // W pressed again is held on
    StepScene(1);
    Feed({~KeyW});
    EXPECT_EQ(Log, "+0+4+8-0-8-8-4-8");
    ResetShell();
}

// The rules key on the title screen shows the rules page and starts nothing; on it Print Screen,
// Alt+Enter and the sound keys do their own work, and any other key (Escape too, which then does
// not quit) returns to the title screen, starting no match, nor do its repeats. In a match the
// rules key is any other key.
TEST(Shell, TheRulesPageComesWithItsKeyAndGoesWithAnyOther)
{
    ReadyHeadless(1);
    EXPECT_EQ(Feed({KeyRules, KeyRules, KeyPrintScreen, KeyAltEnter, KeyMute, KeyMute}), "..SW..");
    EXPECT_TRUE(RulesShown && !MatchRunning);
    DrawFrame();
    const std::vector<unsigned char> shown(ScreenCells, ScreenCells + CanvasCells);
    ClearCanvas();
    DrawRulesPage();
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), ScreenCells));
    EXPECT_EQ(Feed({KeyW, KeyW, KeyW}), "...");
    EXPECT_TRUE(!RulesShown && !MatchRunning);
    EXPECT_EQ(Feed({KeyRules, ~KeyRules, KeyEscape}), "..");
    EXPECT_TRUE(!RulesShown && !QuitRequested);
    EXPECT_EQ(Feed({~KeyW, KeyW}), "M");
    Log.clear();
    LeaveMatch();
    StartScene(new RecordingScene());
    Feed({KeyRules});
    EXPECT_EQ(Log, "+8");
    ResetShell();
}

// The pause key pauses a match of two people or against the computer and resumes it, once per
// press: paused, no step is taken (the computer's neither), the palette and the generator hold,
// the sound is held, presses reach no match while releases do, and "paused" shows over the
// board. Escape leaves a paused match. On the title screen and in a friend's match it does
// nothing.
TEST(Shell, APauseHoldsTheMatchAndTheSoundUntilPressedAgain)
{
    std::string sounds;
    Trail trail;
    ReadyHeadless(4);
    Feed({KeyPause, ~KeyPause});
    EXPECT_TRUE(!MatchRunning && !MatchPaused);
    Feed({Key3});
    Iterate(5, sounds, trail);
    const std::string before = DescribeMatch(*CurrentScene);
    const std::uint64_t rand = ReadRandState();
    Feed({KeyPause, KeyPause, KeyOther, KeyCursorDown});
    for (int n = 0; n < 20; ++n)
    {
        Iterate(32, sounds, trail);
    }
    EXPECT_TRUE(MatchPaused && SoundHeld.load());
    EXPECT_EQ(DescribeMatch(*CurrentScene), before);
    EXPECT_EQ(ReadRandState(), rand);
    ClearCanvas();
    DrawFrame();
    const std::vector<unsigned char> shown(ScreenCells, ScreenCells + CanvasCells);
    MatchPaused = false;
    DrawFrame();
    EXPECT_FALSE(std::equal(shown.begin(), shown.end(), ScreenCells));
    MatchPaused = true;
    Feed({~KeyPause, KeyPause});
    Iterate(1, sounds, trail);
    EXPECT_TRUE(!MatchPaused && !SoundHeld.load());
    EXPECT_EQ(CurrentScene->stepCount, 6u);
    Feed({~KeyPause, KeyPause, KeyEscape});
    Iterate(1, sounds, trail);
    EXPECT_TRUE(!MatchRunning && !MatchPaused && !SoundHeld.load());
    FriendJoined = true;
    Feed({KeyW, ~KeyPause, KeyPause});
    EXPECT_TRUE(FriendMatch != nullptr && !MatchPaused);
    ResetShell();
}

// A match paused plays as the same match played straight through: its replay is the same, byte
// for byte, with a key let go while it was paused let go at the same step.
TEST(Shell, APausedMatchKeepsTheSameReplay)
{
    std::string replays[2];
    for (const bool pausing : {false, true})
    {
        std::string sounds;
        Trail trail;
        ReadyHeadless(11);
        Feed({Key1});
        for (int n = 0; n < 400; ++n)
        {
            Feed({n % 7 == 0 ? KeyCursorUp : KeyOther});
            if (n == 147 && pausing)
            {
                Feed({KeyPause, ~KeyPause});
                Iterate(32, sounds, trail);
            }
            Feed({n % 7 == 0 ? ~KeyCursorUp : ~KeyOther});
            if (n == 147 && pausing)
            {
                Iterate(32, sounds, trail);
                Feed({KeyPause, ~KeyPause});
            }
            Iterate(n % 3, sounds, trail);
        }
        HandleKeyDown(KeyEscape);
        std::size_t size = 0;
        const unsigned char* bytes = RecordedReplay(size);
        replays[pausing].assign(reinterpret_cast<const char*>(bytes), size);
    }
    EXPECT_GT(replays[0].size(), 200u);
    const auto differ = std::mismatch(replays[0].begin(), replays[0].end(), replays[1].begin());
    EXPECT_TRUE(replays[0] == replays[1]) << differ.first - replays[0].begin();
}
