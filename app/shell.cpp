// The shell: the title screen or one match, and what keys do in each.
#include "app/shell.h"

#include "app/replay.h"
#include "app/rules_page.h"
#include "app/sound_control.h"
#include "app/title_screen.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "audio/volume.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "match/match_draw.h"
#include "net/host_session.h"
#include "platform/rand.h"

#include <algorithm>
#include <iterator>

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
bool MatchPaused = false;
bool RulesShown = false;

namespace
{
KeyHolds PersonHolds;           // the keys at this machine, on the keyboard and the pads
KeyHolds FriendHolds;           // the friend's keys, as one source
constexpr int ComputerTeam = 1; // the computer plays the right half, "player 2"
// A press and its release with no step of the match between them (the machine was too busy
// to run one) would make no move: such a release waits for the match's next step, so that a
// tap is one action however late the loop reads it.
bool PressedSinceStep[KeyCount];
bool ReleaseAfterStep[KeyCount];
int ReturnKey = KeyCount; // the key that left the rules page, until it is let go: its repeats
                          // start no match
constexpr int PausedMiddle = (LeftFrame + RightFrame) / 2; // "paused" over the board's middle
constexpr int PausedRow = 45;                              // its foot
constexpr int TitleNoticeMiddle = 16;                      // the sound's notice in the band
constexpr int MatchNoticeMiddle = LeftFrame / 2;           // and in the left panel

// Where a key's press is noted: a value past the table counts as any other key.
int PressSlot(Key key)
{
    return key >= 0 && key < KeyCount ? key : KeyOther;
}

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

// The releases that waited for a step, now that one has run.
void ReleaseWaitingKeys()
{
    for (int key = 0; key < KeyCount; ++key)
    {
        if (ReleaseAfterStep[key])
        {
            ReleaseKey(static_cast<Key>(key));
        }
        PressedSinceStep[key] = false;
        ReleaseAfterStep[key] = false;
    }
}
} // namespace

void ResetShell()
{
    if (MatchRunning)
    {
        LeaveMatch();
    }
    QuitRequested = false;
    RulesShown = false;
    ReturnKey = KeyCount;
    FriendJoined = false;
    SceneClock = 0;
    PrintScreenHeld = false;
    SwitchKeyHeld = false;
    ClearKeyHolds(PersonHolds);
    ClearKeyHolds(FriendHolds);
}

KeyResponse HandleKeyDown(Key key, KeySource source)
{
    if (key == KeyEscape && RulesShown)
    {
        RulesShown = false;
        return KeyResponse::None;
    }
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
    const bool newPress = HoldKey(PersonHolds, source, key);
    if (IsSoundKey(key))
    {
        if (newPress)
        {
            PressSoundKey(key);
        }
        return KeyResponse::None;
    }
    if (RulesShown)
    {
        RulesShown = !newPress; // any key returns to the title screen
        ReturnKey = newPress ? PressSlot(key) : ReturnKey;
        return KeyResponse::None;
    }
    if (PlaybackPending() || PlaybackRunning())
    {
        PlaybackKey(key == KeyPause ? KeySpace : key, true); // a replay is watched, not played
        return KeyResponse::None;
    }
    if (key == KeyPause)
    {
        // Online the friend would be stopped without a say.
        MatchPaused = MatchRunning && FriendMatch == nullptr && (MatchPaused != newPress);
        return KeyResponse::None;
    }
    if (MatchRunning)
    {
        if (newPress && !OthersTurn() && !MatchPaused)
        {
            const int slot = PressSlot(key);
            if (!ReleaseAfterStep[slot] || slot == KeyOther) // else still held in the match
            {
                CurrentScene->KeyDown(FindAction(key));
            }
            PressedSinceStep[slot] = true;
            ReleaseAfterStep[slot] = false;
        }
        return KeyResponse::None;
    }
    if (!newPress && PressSlot(key) == ReturnKey)
    {
        return KeyResponse::None; // a repeat of the key that returned from the rules page
    }
    if (key == KeyRules)
    {
        RulesShown = true;
        return KeyResponse::None;
    }
    StartMatch(FriendJoined ? LevelNone : LevelOfKey(key));
    return KeyResponse::MatchStarted;
}

void HandleKeyUp(Key key, KeySource source)
{
    SwitchKeyHeld = false;
    if (key == KeyPrintScreen)
    {
        PrintScreenHeld = false;
    }
    const bool upEverywhere = LetGoKey(PersonHolds, source, key);
    ReturnKey = upEverywhere && PressSlot(key) == ReturnKey ? KeyCount : ReturnKey;
    if (PlaybackRunning())
    {
        PlaybackKey(key == KeyPause ? KeySpace : key, false);
        return;
    }
    if (!MatchRunning || !upEverywhere || key == KeyAlt || key == KeyAltEnter || IsSoundKey(key) ||
        key == KeyPause)
    {
        return; // the title screen ignores releases, and the match never sees these keys
    }
    if (FriendMatch != nullptr && FriendMatch->currentTeam != HostTeam)
    {
        return; // the friend's turn
    }
    if (PressedSinceStep[PressSlot(key)])
    {
        ReleaseAfterStep[PressSlot(key)] = true;
        return;
    }
    ReleaseKey(key);
}

KeyResponse HandleFriendKey(Key key, bool down)
{
    const bool acts = down ? HoldKey(FriendHolds, KeySource::Keyboard, key)
                           : LetGoKey(FriendHolds, KeySource::Keyboard, key);
    if (!acts)
    {
        return KeyResponse::None; // a repeat of a key the friend holds
    }
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

void ForgetFriendKeys()
{
    ClearKeyHolds(FriendHolds);
}

void StartScene(GameState* scene)
{
    MatchRunning = true;
    RequestEchoHalving();
    SceneClock = 0;
    CurrentScene = scene;
    CurrentScene->Step();
    ReleaseWaitingKeys();
}

void StartMatch(ComputerLevel level)
{
    RulesShown = false;
    // The generator's state is taken before the match draws its set-up from it.
    BeginRecording(level, FriendJoined && level == LevelNone);
    auto* match = new RecordedMatch();
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
    MatchPaused = false;
    std::fill(std::begin(PressedSinceStep), std::end(PressedSinceStep), false);
    std::fill(std::begin(ReleaseAfterStep), std::end(ReleaseAfterStep), false); // not the next's
    if (IsRecording())
    {
        EndRecording(*CurrentScene);
    }
    if (PlaybackRunning())
    {
        EndPlayback(*CurrentScene);
    }
    ComputerMatch = nullptr;
    FriendMatch = nullptr;
    MatchRunning = false;
    delete CurrentScene;
    CurrentScene = nullptr;
}

void StepScene(int steps)
{
    SceneClock += static_cast<unsigned>(PlaybackRunning() ? PlaybackSteps(steps) : steps);
    while (CurrentScene->stepCount < SceneClock)
    {
        if (PlaybackRunning() && !FeedPlayback(*CurrentScene))
        {
            break; // the replay's last step
        }
        if (ComputerMatch != nullptr)
        {
            TickComputerPlayer(Computer, *ComputerMatch);
        }
        CurrentScene->Step();
        ReleaseWaitingKeys();
    }
    SceneClock = CurrentScene->stepCount;
}

void RunSteps(int steps)
{
    TickSoundNotice(steps);
    SoundHeld.store(MatchPaused, std::memory_order_relaxed);
    steps = MatchPaused ? 0 : steps; // the match, its clocks and the palette wait
    if (!MatchRunning && PlaybackPending() && SamplesLoaded.load(std::memory_order_acquire))
    {
        // Only once the samples have loaded: the replay's sounds draw what they drew.
        StartScene(StartPlayback());
    }
    if (MatchRunning)
    {
        StepScene(steps);
        if (CurrentScene->finished || (PlaybackRunning() && PlaybackOver(*CurrentScene)))
        {
            LeaveMatch();
        }
    }
    // The palette's new drift targets draw from the game's generator too: a recording notes
    // where that left it, and a playback takes it from the replay instead.
    const std::uint64_t before = ReadRandState();
    for (int step = 0; step < steps; ++step)
    {
        TickPalette();
    }
    if (PlaybackRunning())
    {
        RestoreRandState(before);
    }
    else if (IsRecording())
    {
        NoteRandState(*CurrentScene, before);
    }
    SubmitAudioStatus(MatchRunning);
}

void DrawFrame()
{
    ClearCanvas();
    if (MatchRunning)
    {
        CurrentScene->Draw();
        if (PlaybackRunning())
        {
            DrawPlaybackMarks(PlaybackPaused());
        }
        if (MatchPaused)
        {
            const int left = PausedMiddle - TextWidth("paused") / 2;
            FillRect(left - 2, PausedRow - 2, left + TextWidth("paused"), PausedRow + GlyphSide + 1,
                     Black);
            DrawText("paused", left, PausedRow, 1, 1);
        }
        DrawSoundNotice(MatchNoticeMiddle);
    }
    else if (RulesShown)
    {
        DrawRulesPage();
    }
    else
    {
        ComputerOffered = !FriendJoined; // with a friend in, any key starts their match
        DrawTitleScreen();
        if (PlaybackNoticeShown())
        {
            DrawPlaybackNotice();
        }
        DrawSoundNotice(TitleNoticeMiddle);
    }
}
