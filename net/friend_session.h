// The friend's side of online play: joining a host, showing its frames, playing its
// sounds, passing keys on; and the notice on the friend's own title screen when it ends.
#pragma once

#include "display/canvas.h"
#include "match/controls.h"
#include "net/join_code.h"
#include "net/link_orders.h"
#include "net/messages.h"

constexpr unsigned JoinWaitMs = 5000;      // a host that has not let us in by then does not answer
constexpr unsigned AskFrameAgainMs = 1000; // a whole frame asked for and not come: ask again

enum class FriendStage
{
    Off,        // our own game runs
    Connecting, // the connection is asked for; nothing shows of the host's yet
    Knocking,   // connected, the code sent, the welcome awaited
    Joined,     // the host's frames show and its sounds play
};

// Why the friend's game is back on its own title screen.
enum class FriendNotice
{
    None,
    NoSuchHost,   // the host's name or address does not resolve
    NoAnswer,     // the host never answered or never let us in
    GameFull,     // another friend plays there
    WrongCode,    // the host refused the code
    ShutOut,      // too many wrong codes: the host refuses us for a minute
    HostLeft,     // the host ended it, went silent, or sent something wrong
    OtherVersion, // the host runs another release of the game
    NoGame,       // a search of the home network found no host
};

struct FriendSession
{
    FriendStage stage;
    JoinCode code;        // the code to give
    unsigned since;       // ms, when the stage began
    FriendNotice notice;  // shown for NoticeMs after noticeSince
    unsigned noticeSince; // ms
    bool titleMusic;      // the host shows its title screen: its music plays
    bool hostAway;        // Joined, the host quiet for QuietAwayMs: its last frame stands
    bool frameReady;      // frameCells and framePalette hold a frame not yet shown
    unsigned char frameCells[CanvasCells];
    unsigned char framePalette[PaletteBytes];
    int baseNumber; // the whole frame deltas build on, -1 none yet
    unsigned char baseCells[CanvasCells];
    bool askedFrame;     // a whole frame was asked for and has not come
    unsigned askedSince; // ms
};

// Starts joining at time now with a code, the connection already asked for: Connecting.
void StartFriendSession(FriendSession& session, const JoinCode& code, unsigned now);

// Ends a session that is not Off with a notice; with drop, queues the goodbye with the reason.
void EndFriendSession(FriendSession& session, FriendNotice notice, bool drop, LinkReason reason,
                      unsigned now);

// Handles one event of the network edge: the connection gets the code; the welcome makes it
// Joined, and whatever comes before it is let go (a frame may overtake it); a frame waits to
// be shown (a newer one replaces it), a whole one, or a delta on the whole frame held; a
// delta on any other asks the host for a whole frame, once per AskFrameAgainMs until one
// comes, and is not shown; sounds are played at once with PlaySound and set the music's
// state (a match starting halves the echo, as on the host). A goodbye ends the session with
// the notice its reason names; once Joined, a message that fails its checks, or comes on the
// wrong channel, drops the connection.
void HandleFriendEvent(FriendSession& session, const LinkEvent& event, unsigned now);

// Once per iteration, with how long the host has been quiet (ms): gives up a join that has
// not been welcomed within JoinWaitMs; once Joined, marks the host away after QuietAwayMs
// and ends the session after QuietGoneMs.
void TickFriendSession(FriendSession& session, unsigned now, unsigned hostQuietMs);

// Queues a key of the friend's for the host, if it is one that travels (FriendMayPress) and
// the session is Joined.
void SendFriendKey(FriendSession& session, Key key, bool down);

// Whether the friend's screen shows the host's game: any stage but Off.
bool ShowsHost(const FriendSession& session);

// Draws the notice, while it lasts, into the title screen's left band.
void DrawFriendNotice(const FriendSession& session, unsigned now);
