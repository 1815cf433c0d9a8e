// Online play as the game runs it: hosting a friend or joining a host, between the network
// edge (net/link.h), the sessions and the shell. Main thread only.
#pragma once

#include "app/shell.h"
#include "net/friend_session.h"
#include "net/host_session.h"

constexpr int MaxLinkEventsPerIteration =
    256;                                 // more wait for the next: a flood cannot starve drawing
constexpr unsigned RejoinWaitMs = 60000; // a friend's match waits this long for it to return

enum class OnlineRole
{
    Offline, // neither option given: the game as it always was
    Hosting, // --host: a friend may join
    Joining, // --join: the friend's side, on its own title screen once the session ends
};

extern OnlineRole Role;
extern HostSession HostSide;     // Hosting
extern FriendSession FriendSide; // Joining

// Starts hosting with the join code; false when its key cannot be made, and then nothing is
// hosted. Or starts joining with it at time now (ms) once the edge has asked for the
// connection, or, when it could not (the address does not resolve), with the notice that says
// so. Either makes the code's key (about 50 ms), once for a code however often it joins.
bool StartHosting(const JoinCode& code);
void StartJoining(const JoinCode& code, bool asked, unsigned now);

// One event of the network edge. Hosting: a friend's joining lets keys start a match against
// it, or takes up the match it left. Joining: the session's.
void HandleOnlineEvent(const LinkEvent& event, unsigned now);

// The sessions' timeouts, once per iteration, before the steps. Hosting: a friend's match whose
// friend has been gone for RejoinWaitMs ends, and the friend's presses play on the shell
// (HandleFriendKey), in order, each held as long as the friend held it; a key that repeats is
// let go before its player acts again until the friend says it still holds it. Returns the
// shell's answer to them (a match started).
KeyResponse TickOnline(unsigned now);

// Hosting, in a friend's match while the friend is away or gone: the match runs no steps.
bool MatchWaits();

// Whether the friend's side shows the host's screen (or its own title screen while joining)
// instead of its own game, and takes its keys.
bool ShowingHost();

// A key on the friend's side while ShowingHost: Escape ends the session and returns to the
// game's own title screen; Print Screen and Alt+Enter act as on the title screen; any other
// key goes to the host. Returns what the window side must do.
// A key held on the keyboard and on a pad at once travels as one press, as on the host.
KeyResponse PressJoinedKey(Key key, unsigned now, KeySource source = KeySource::Keyboard);
void ReleaseJoinedKey(Key key, unsigned now, KeySource source = KeySource::Keyboard);

// A key of this side's keyboard or pads at time now: the host's while ShowingHost (the sound's
// keys act on this side alone, a friend's too), else the shell's. Returns what the window side
// must do.
KeyResponse RouteKeyDown(Key key, unsigned now, KeySource source);
void RouteKeyUp(Key key, unsigned now, KeySource source);

// The friend's iteration while ShowingHost, in place of RunSteps: the palette drifts while
// joining, and the audio thread gets the host's music state and the sounds played.
void RunJoinedSteps(int steps);

// The friend's frame while ShowingHost: the host's newest frame into the canvas and the
// palette with the friend's team named over it (DrawOwnTeam), or the own title screen with
// "joining" while waiting to be let in; "away" over the last frame while the host is quiet, in
// a match over the host's team's panel. Returns false when there is nothing new to show.
bool DrawJoinedFrame();

// The friend's side, over each of the host's frames: which team is the friend's. On the host's
// title screen "you are" / "player 2" in the band right of the picture (empty while a friend is
// in); in a match "you" in the right team's panel, between its move count and its shield.
void DrawOwnTeam(bool titleScreen);

// After DrawFrame: the join code and state on the host's title screen, or a notice on the
// friend's side once its session ended; in a match that waits, "away" while the friend is
// quiet and "waiting" once it is gone, over the friend's team's panel.
void DrawOnlineBand(unsigned now);

// Hosting with a friend in: the frame just drawn at time now (ms), whole or as what changed,
// in pieces (net/frame_stream.h), and the sounds this iteration started with the music's state when
// there are sounds or the state changed. The sound log is emptied whatever the role.
void SendHostFrame(unsigned now);
void SendHostSounds();

// Leaving the game: a goodbye to the friend or to the host.
void LeaveOnline();
