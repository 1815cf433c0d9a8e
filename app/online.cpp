// Online play as the game runs it: the sessions wired to the shell.
#include "app/online.h"

#include "app/title_screen.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/band.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/palette.h"
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
} // namespace

void StartHosting(const JoinCode& code)
{
    Role = OnlineRole::Hosting;
    StartHostSession(HostSide, code);
}

void StartJoining(const JoinCode& code, bool asked, unsigned now)
{
    Role = OnlineRole::Joining;
    StartFriendSession(FriendSide, code, now);
    if (!asked)
    {
        EndFriendSession(FriendSide, FriendNotice::NoSuchHost, false, ReasonNone, now);
    }
}

KeyResponse HandleOnlineEvent(const LinkEvent& event, unsigned now)
{
    if (Role == OnlineRole::Joining)
    {
        HandleFriendEvent(FriendSide, event, now);
        return KeyResponse::None;
    }
    if (Role != OnlineRole::Hosting)
    {
        return KeyResponse::None;
    }
    const HostInput input = HandleHostEvent(HostSide, event, now);
    if (input.joined)
    {
        FriendJoined = true;
        StateUnsent = true;
        ForgetFriendKeys();
        RestartFrameStream(Frames);
    }
    if (input.frameWanted)
    {
        Frames.wholeWanted = true;
    }
    if (input.left)
    {
        FriendLeft();
    }
    return input.keyMoved ? HandleFriendKey(input.key, input.down) : KeyResponse::None;
}

int OnlinePeer()
{
    if (Role == OnlineRole::Hosting)
    {
        return FriendPeer(HostSide);
    }
    return Role == OnlineRole::Joining && ShowsHost(FriendSide) ? 0 : -1;
}

void TickOnline(unsigned now, unsigned quietMs)
{
    if (Role == OnlineRole::Hosting)
    {
        if (TickHostSession(HostSide, now, quietMs).left)
        {
            FriendLeft();
        }
        if (FriendMatch != nullptr && !FriendJoined && now - HostSide.noticeSince >= RejoinWaitMs)
        {
            LeaveMatch(); // back to the title screen, still hosting
        }
    }
    else if (Role == OnlineRole::Joining)
    {
        TickFriendSession(FriendSide, now, quietMs);
    }
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
        SendFriendKey(FriendSide, key, true);
    }
    return KeyResponse::None;
}

void ReleaseJoinedKey(Key key, KeySource source)
{
    HandleKeyUp(key);
    if (LetGoKey(JoinedHolds, source, key))
    {
        SendFriendKey(FriendSide, key, false);
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
    static unsigned char message[MaxMessageBytes];
    const int size = NextFrameMessage(Frames, ScreenCells, now, message);
    if (size > 0)
    {
        OrderSend(peer, FrameChannel, message, size);
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
            unsigned char message[MaxShortMessageBytes];
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
