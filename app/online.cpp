// Online play as the game runs it: the sessions wired to the shell.
#include "app/online.h"

#include "app/sound_control.h"
#include "app/title_screen.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/band.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "match/match_draw.h"
#include "net/frame_stream.h"
#include "net/messages.h"

#include <algorithm>

OnlineRole Role = OnlineRole::Offline;
HostSession HostSide;
FriendSession FriendSide;

namespace
{
bool TitleMusicSent;  // the music's state the friend has last been sent
bool StateUnsent;     // the friend has not been sent the music's state yet
KeyHolds JoinedHolds; // the friend's side: the keys held at its keyboard and pads
FrameStream Frames;   // what the friend's screen has of ours
bool AwayShown;       // the friend's side shows "away" over the host's last frame
JoinCode KeyedCode;   // the code whose key was made last
CodeKey CodeKeyMade;  // its key
bool Keyed;           // CodeKeyMade holds KeyedCode's key

// The code's key, made once for each new code; false when the library cannot make it.
bool MakeKey(const JoinCode& code)
{
    if (!Keyed || !SameJoinCode(code, KeyedCode))
    {
        KeyedCode = code;
        Keyed = DeriveCodeKey(code, CodeKeyMade);
    }
    return Keyed;
}

// In a panel, from the bottom up: the score, the move count (rows 16..20), "away" or
// "waiting" in its box (rows 22..32), "you" (rows 35..39), the turn's banner (rows 40..55,
// reaching into the panel of its team) and the team's shield.
constexpr int HoldNoticeRow = 25;  // bottom row of "away" and "waiting"
constexpr int OwnTeamRow = 35;     // bottom row of "you" in the friend's team's panel
constexpr int OwnTeamBandRow = 47; // "you are" on the title screen's right band, "player 2" below
constexpr int BandLineGap = 7;     // rows

// A word in a black box about the side that is away: in a match over the panel of that
// side's team, where it hides neither the turn's banner nor a player; over the middle of the
// title screen.
void DrawHoldNotice(const char* word, int team, bool titleScreen)
{
    const int half = TextWidth(word) / 2;
    const int middle = titleScreen ? 64
                       : team == 0 ? LeftFrame / 2
                                   : (RightFrame + 1 + CanvasWidth) / 2;
    const int left = titleScreen ? middle - half - 3 : team == 0 ? 0 : RightFrame + 1;
    const int right = titleScreen ? middle + half + 2 : team == 0 ? LeftFrame - 1 : CanvasWidth - 1;
    FillRect(left, HoldNoticeRow - 3, right, HoldNoticeRow + GlyphSide + 2, Black);
    DrawText(word, std::max(middle - half, left), HoldNoticeRow, 1, 1);
}

void FriendLeft()
{
    FriendJoined = false;
    if (FriendMatch != nullptr)
    {
        for (int action = 0; action < ActionKeyCount; ++action)
        {
            HandleFriendKey(ActionKeys[action], false); // no key of the friend's stays held
        }
    }
    ForgetFriendKeys();
}

// Whether the friend's player acts on its held keys in the match's next step.
bool FriendActsNext(const GameTitle& match)
{
    const auto selected = match.units.find(match.selectedId);
    return match.movesLeft > 0 && (selected == match.units.end() || selected->second.busy == 0);
}

// Whether the match holds the friend's key as one that acts again while held.
bool HoldsRepeating(const GameTitle& match, Key key)
{
    const int action = FindAction(key);
    const bool repeats = action != ActionOther && action != ActionDown && action != ActionS;
    return repeats && std::find(match.heldActions, match.heldActions + match.heldCount, action) !=
                          match.heldActions + match.heldCount;
}

// The friend's presses on the shell, as net/presses.h plays them.
KeyResponse PlayFriendPresses(unsigned now)
{
    HeardPresses& heard = HostSide.presses;
    const bool friendsTurn = FriendMatch != nullptr && FriendMatch->currentTeam == FriendTeam &&
                             !FriendMatch->turnBanner;
    if (!friendsTurn)
    {
        LetGoRepeats(heard); // the turn passed: the match let go of every key
    }
    const unsigned steps = CurrentScene != nullptr ? CurrentScene->stepCount : 0;
    const bool actsNext = friendsTurn && FriendActsNext(*FriendMatch);
    KeyResponse response = KeyResponse::None;
    for (PressChange change; (change = NextPressChange(heard, now, steps, actsNext)).any;)
    {
        const KeyResponse answer = HandleFriendKey(change.key, change.down);
        response = answer != KeyResponse::None ? answer : response;
        if (change.down)
        {
            NoteRepeats(heard, friendsTurn && FriendMatch == CurrentScene &&
                                   HoldsRepeating(*FriendMatch, change.key));
        }
    }
    return response;
}
} // namespace

bool StartHosting(const JoinCode& code)
{
    if (!MakeKey(code))
    {
        return false;
    }
    Role = OnlineRole::Hosting;
    StartHostSession(HostSide, code, CodeKeyMade);
    return true;
}

void StartJoining(const JoinCode& code, bool asked, unsigned now)
{
    Role = OnlineRole::Joining;
    const bool keyed = MakeKey(code);
    StartFriendSession(FriendSide, CodeKeyMade, now);
    if (!asked || !keyed)
    {
        EndFriendSession(FriendSide, asked ? FriendNotice::NoAnswer : FriendNotice::NoSuchHost,
                         false, ReasonNone, now);
    }
}

void HandleOnlineEvent(const LinkEvent& event, unsigned now)
{
    if (Role == OnlineRole::Joining)
    {
        HandleFriendEvent(FriendSide, event, now);
        return;
    }
    if (Role != OnlineRole::Hosting)
    {
        return;
    }
    const HostInput input = HandleHostEvent(HostSide, event, now);
    if (input.left)
    {
        FriendLeft(); // before a friend that takes its place joins
    }
    if (input.joined)
    {
        FriendJoined = true;
        StateUnsent = true;
        ForgetFriendKeys();
        RestartFrameStream(Frames);
    }
    if (input.bandsWanted)
    {
        AskBandsAgain(Frames, input.wantedNumber, input.wantedBands);
    }
}

KeyResponse TickOnline(unsigned now)
{
    if (Role == OnlineRole::Joining)
    {
        TickFriendSession(FriendSide, now);
    }
    if (Role != OnlineRole::Hosting)
    {
        return KeyResponse::None;
    }
    if (TickHostSession(HostSide, now).left)
    {
        FriendLeft();
    }
    if (FriendMatch != nullptr && !FriendJoined && now - HostSide.noticeSince >= RejoinWaitMs)
    {
        LeaveMatch(); // back to the title screen, still hosting
    }
    return PlayFriendPresses(now);
}

bool MatchWaits()
{
    return Role == OnlineRole::Hosting && FriendMatch != nullptr &&
           (!FriendJoined || FriendAway(HostSide));
}

bool ShowingHost()
{
    return Role == OnlineRole::Joining && ShowsHost(FriendSide);
}

KeyResponse PressJoinedKey(Key key, unsigned now, KeySource source)
{
    if (key == KeyEscape)
    {
        EndFriendSession(FriendSide, FriendNotice::None, true, ReasonLeft, now);
        return KeyResponse::None;
    }
    if (key == KeyPrintScreen || key == KeyAlt || key == KeyAltEnter)
    {
        return HandleKeyDown(key); // no match runs on this side: these act as on the title screen
    }
    if (HoldKey(JoinedHolds, source, key))
    {
        SendFriendKey(FriendSide, key, true, now);
    }
    return KeyResponse::None;
}

void ReleaseJoinedKey(Key key, unsigned now, KeySource source)
{
    HandleKeyUp(key);
    if (LetGoKey(JoinedHolds, source, key))
    {
        SendFriendKey(FriendSide, key, false, now);
    }
}

KeyResponse RouteKeyDown(Key key, unsigned now, KeySource source)
{
    return ShowingHost() && !IsSoundKey(key) ? PressJoinedKey(key, now, source)
                                             : HandleKeyDown(key, source);
}

void RouteKeyUp(Key key, unsigned now, KeySource source)
{
    if (ShowingHost())
    {
        ReleaseJoinedKey(key, now, source);
    }
    else
    {
        HandleKeyUp(key, source);
    }
}

void RunJoinedSteps(int steps)
{
    const bool joined = FriendSide.stage == FriendStage::Joined;
    for (int step = 0; step < steps && !joined; ++step)
    {
        TickPalette();
    }
    SubmitAudioStatus(joined && !FriendSide.titleMusic);
}

bool DrawJoinedFrame()
{
    if (FriendSide.stage != FriendStage::Joined)
    {
        ClearCanvas();
        DrawTitleScreen();
        DrawBandText("joining", 1, 1);
        return true;
    }
    if (FriendSide.hostAway && !AwayShown)
    {
        DrawHoldNotice("away", HostTeam, FriendSide.titleMusic);
        AwayShown = true;
        return true;
    }
    if (!FriendSide.frameReady)
    {
        return false; // the screen keeps the last frame
    }
    std::copy(FriendSide.frameCells, FriendSide.frameCells + CanvasCells, ScreenCells);
    DrawOwnTeam(FriendSide.titleMusic);
    RestorePalette(FriendSide.framePalette);
    FriendSide.frameReady = false;
    AwayShown = false;
    return true;
}

void DrawOnlineBand(unsigned now)
{
    if (MatchWaits())
    {
        DrawHoldNotice(FriendJoined ? "away" : "waiting", FriendTeam, false);
    }
    if (MatchRunning)
    {
        return; // the band belongs to the title screen
    }
    if (Role == OnlineRole::Hosting)
    {
        DrawHostBand(HostSide, now);
    }
    else if (Role == OnlineRole::Joining)
    {
        DrawFriendNotice(FriendSide, now);
    }
}

void SendHostFrame(unsigned now)
{
    const int peer = Role == OnlineRole::Hosting ? FriendPeer(HostSide) : -1;
    if (peer < 0)
    {
        return; // no one to show it to
    }
    static FramePieces pieces;
    if (NextFrameMessages(Frames, ScreenCells, now, pieces))
    {
        for (int n = 0; n < pieces.count; ++n)
        {
            OrderSend(peer, QuickChannel, pieces.messages[n], pieces.sizes[n]);
        }
    }
}

void SendHostSounds()
{
    const int peer = Role == OnlineRole::Hosting ? FriendPeer(HostSide) : -1;
    const bool titleMusic = !MatchRunning;
    if (peer >= 0 && (SoundLogCount > 0 || titleMusic != TitleMusicSent || StateUnsent))
    {
        SoundMessage sounds[MaxMessageSounds];
        int sent = 0;
        do
        {
            const int count = std::min(SoundLogCount - sent, MaxMessageSounds);
            for (int n = 0; n < count; ++n)
            {
                const SoundRequest& request = SoundLog[sent + n];
                sounds[n] = {request.sound, request.frequency, request.volume, request.send,
                             request.pan};
            }
            unsigned char message[MaxMessageBytes];
            OrderSend(peer, ReliableChannel, message,
                      EncodeSounds(titleMusic, sounds, count, message));
            sent += count;
        } while (sent < SoundLogCount);
        TitleMusicSent = titleMusic;
        StateUnsent = false;
    }
    SoundLogCount = 0;
}

void LeaveOnline()
{
    if (Role == OnlineRole::Hosting && FriendPeer(HostSide) >= 0)
    {
        OrderDrop(FriendPeer(HostSide), ReasonLeft);
    }
    else if (ShowingHost())
    {
        EndFriendSession(FriendSide, FriendNotice::None, true, ReasonLeft, 0);
    }
}

void DrawOwnTeam(bool titleScreen)
{
    const unsigned char colour = TeamTextColour(FriendTeam);
    if (titleScreen)
    {
        const int middle = (RightFrame - 4 + CanvasWidth) / 2; // of the band right of the picture
        DrawText("you are", middle - TextWidth("you are") / 2, OwnTeamBandRow, colour, 1);
        DrawText("player 2", middle - TextWidth("player 2") / 2, OwnTeamBandRow - BandLineGap,
                 colour, 1);
        return;
    }
    const int middle = (RightFrame + 1 + CanvasWidth) / 2;
    DrawText("you", middle - TextWidth("you") / 2, OwnTeamRow, colour, 1);
}
