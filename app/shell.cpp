// The shell: the title screen or one match, and what keys do in each.
#include "app/shell.h"

#include "app/title_screen.h"
#include "audio/status_handoff.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "net/host_session.h"

GameState* CurrentScene = nullptr;
bool MatchRunning = false;
bool QuitRequested = false;
unsigned SceneClock = 0;
bool PrintScreenHeld = false;
bool SwitchKeyHeld = false;
GameTitle* ComputerMatch = nullptr;
ComputerPlayer Computer = MakeComputerPlayer(1);
bool FriendJoined = false;
GameTitle* FriendMatch = nullptr;

namespace
{
constexpr int ComputerTeam = 1; // the computer plays the right half, "player 2"

// The turn of a team whose keys are not at this keyboard: the person's keys do nothing.
bool OthersTurn()
{
    return (ComputerMatch != nullptr && ComputerMatch->currentTeam == Computer.team) ||
           (FriendMatch != nullptr && FriendMatch->currentTeam != HostTeam);
}

// The computer's level a key asks for on the title screen; LevelNone for two people.
ComputerLevel LevelOfKey(Key key)
{
    switch (key)
    {
        case Key1:
            return LevelEasy;
        case Key2:
            return LevelNormal;
        case Key3:
            return LevelHard;
        default:
            return LevelNone;
    }
}

// Releases a key's actions in the running match.
void ReleaseKey(Key key)
{
    for (int action = 0; action < ActionKeyCount; ++action)
    {
        if (ActionKeys[action] == key)
        {
            CurrentScene->KeyUp(action);
        }
    }
    CurrentScene->KeyUp(ActionOther);
}
} // namespace

void ResetShell()
{
    if (MatchRunning)
    {
        LeaveMatch();
    }
    QuitRequested = false;
    FriendJoined = false;
    SceneClock = 0;
    PrintScreenHeld = false;
    SwitchKeyHeld = false;
}

KeyResponse HandleKeyDown(Key key)
{
    if (key == KeyEscape)
    {
        if (MatchRunning)
        {
            LeaveMatch();
        }
        else
        {
            QuitRequested = true;
        }
        return KeyResponse::None;
    }
    if (key == KeyPrintScreen)
    {
        const bool repeat = PrintScreenHeld;
        PrintScreenHeld = true;
        return repeat ? KeyResponse::None : KeyResponse::TakeScreenshot;
    }
    if (key == KeyAltEnter)
    {
        const bool repeat = SwitchKeyHeld;
        SwitchKeyHeld = true;
        return repeat ? KeyResponse::None : KeyResponse::SwitchScreen;
    }
    if (key == KeyAlt)
    {
        return KeyResponse::None;
    }
    if (MatchRunning)
    {
        if (!OthersTurn())
        {
            CurrentScene->KeyDown(FindAction(key));
        }
        return KeyResponse::None;
    }
    StartMatch(FriendJoined ? LevelNone : LevelOfKey(key));
    return KeyResponse::MatchStarted;
}

void HandleKeyUp(Key key)
{
    SwitchKeyHeld = false;
    if (key == KeyPrintScreen)
    {
        PrintScreenHeld = false;
    }
    if (!MatchRunning || key == KeyAlt || key == KeyAltEnter)
    {
        return; // the title screen ignores releases, and the match never sees Alt+Enter
    }
    if (FriendMatch != nullptr && FriendMatch->currentTeam != HostTeam)
    {
        return; // the friend's turn
    }
    ReleaseKey(key);
}

KeyResponse HandleFriendKey(Key key, bool down)
{
    if (!MatchRunning)
    {
        if (!down || !FriendJoined)
        {
            return KeyResponse::None;
        }
        StartMatch(LevelNone);
        return KeyResponse::MatchStarted;
    }
    if (FriendMatch == nullptr || FriendMatch->currentTeam != FriendTeam)
    {
        return KeyResponse::None; // not the friend's match, or not the friend's turn
    }
    if (down)
    {
        CurrentScene->KeyDown(FindAction(key));
    }
    else
    {
        ReleaseKey(key);
    }
    return KeyResponse::None;
}

void StartScene(GameState* scene)
{
    MatchRunning = true;
    RequestEchoHalving();
    SceneClock = 0;
    CurrentScene = scene;
    CurrentScene->Step();
}

void StartMatch(ComputerLevel level)
{
    auto* match = new GameTitle();
    if (level != LevelNone)
    {
        InitPlanner(); // its tables ready before the first step
        match->computerTeam = ComputerTeam;
        match->computerLevel = level;
        Computer = MakeComputerPlayer(ComputerTeam, LevelPolicy(level));
        ComputerMatch = match;
    }
    else if (FriendJoined)
    {
        FriendMatch = match;
    }
    StartScene(match);
}

void LeaveMatch()
{
    ComputerMatch = nullptr;
    FriendMatch = nullptr;
    MatchRunning = false;
    delete CurrentScene;
    CurrentScene = nullptr;
}

void StepScene(int steps)
{
    SceneClock += static_cast<unsigned>(steps);
    while (CurrentScene->stepCount < SceneClock)
    {
        if (ComputerMatch != nullptr)
        {
            TickComputerPlayer(Computer, *ComputerMatch);
        }
        CurrentScene->Step();
    }
    SceneClock = CurrentScene->stepCount;
}

void RunSteps(int steps)
{
    if (MatchRunning)
    {
        StepScene(steps);
        if (CurrentScene->finished)
        {
            LeaveMatch();
        }
    }
    for (int step = 0; step < steps; ++step)
    {
        TickPalette();
    }
    SubmitAudioStatus(MatchRunning);
}

void DrawFrame()
{
    ClearCanvas();
    if (MatchRunning)
    {
        CurrentScene->Draw();
    }
    else
    {
        ComputerOffered = !FriendJoined; // with a friend in, any key starts their match
        DrawTitleScreen();
    }
}
