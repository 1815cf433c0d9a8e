// The friend's side of online play: joining a host, showing its frames, playing its
// sounds, passing keys on; and the notice on the friend's own title screen when it ends.
//
// Joining: once connected, the friend says hello with a fresh nonce; the host answers with its
// own and its proof of the code, which the friend checks before it proves the code in turn. A
// host that cannot prove the code gets nothing made from it and the friend leaves ("wrong
// code"). Hello and proof go again every RepeatHandshakeMs until answered, so a lost message
// costs that long and no more.
#pragma once

#include "display/canvas.h"
#include "match/controls.h"
#include "net/code_key.h"
#include "net/link_orders.h"
#include "net/messages.h"
#include "net/presses.h"

// A host that has not let us in by then does not answer: longer than the host waits for a
// proof, so that a request ENet had to make again on a poor line still has its time.
constexpr unsigned JoinWaitMs = 8000;
constexpr unsigned RepeatHandshakeMs = 250; // a hello or proof not answered goes again
constexpr unsigned AskFrameAgainMs = 500;   // bands asked for and not come: ask again
constexpr unsigned QuietReportMs = 250;     // a report with no press on record: still here

enum class FriendStage
{
    Off,        // our own game runs
    Connecting, // the connection is asked for; nothing shows of the host's yet
    Knocking,   // connected, the hello sent, the host's proof awaited
    Proving,    // the host proved the code, ours sent, the welcome awaited
    Joined,     // the host's frames show and its sounds play
};

// Why the friend's game is back on its own title screen.
enum class FriendNotice
{
    None,
    NoSuchHost,   // the host's name or address does not resolve
    NoAnswer,     // the host never answered or never let us in
    GameFull,     // another friend plays there
    WrongCode,    // the host could not prove our code, or refused our proof
    ShutOut,      // too many wrong codes: the host refuses us for a minute
    HostLeft,     // the host ended it, went silent, or sent something wrong
    OtherVersion, // the host runs another release of the game
    NoGame,       // a search of the home network found no host
};

struct FriendSession
{
    FriendStage stage;
    CodeKey key;                     // the code's key: what we prove with
    unsigned since;                  // ms, when the stage began (Joined: when joining began)
    FriendNotice notice;             // shown for NoticeMs after noticeSince
    unsigned noticeSince;            // ms
    unsigned heardAt;                // ms, the last message of the host's that passed its checks
    unsigned sentAt;                 // ms, the last hello, proof or report
    unsigned char nonce[NonceBytes]; // ours, in the hello
    unsigned char proof[ProofBytes]; // Proving: ours
    bool titleMusic;                 // the host shows its title screen: its music plays
    bool hostAway;   // Joined, the host quiet for QuietAwayMs: its last frame stands
    bool frameReady; // frameCells and framePalette hold a frame not yet shown
    unsigned char frameCells[CanvasCells];
    unsigned char framePalette[PaletteBytes];
    int bandBase[FrameBands];             // per band, the whole frame baseCells holds; -1 none
    unsigned char baseCells[CanvasCells]; // the whole frames deltas build on, band by band
    int askedNumber;                      // the whole frame whose bands were asked for last
    unsigned askedBands;                  // and those bands; 0 none asked
    unsigned askedSince;                  // ms
    unsigned had; // frame messages taken, wrapping at 65536: the host hears we get them
    FriendPresses presses;
};

// Starts joining at time now with the code's key, the connection already asked for:
// Connecting.
void StartFriendSession(FriendSession& session, const CodeKey& key, unsigned now);

// Ends a session that is not Off with a notice; with drop, queues the goodbye with the reason.
void EndFriendSession(FriendSession& session, FriendNotice notice, bool drop, LinkReason reason,
                      unsigned now);

// Handles one event of the network edge. Connected: the hello. Knocking, a challenge: its
// proof checked, ours sent, or on a wrong one the session ends with WrongCode and a plain
// goodbye. Proving: the welcome, or a frame or sounds (which come only to a friend let in),
// makes it Joined; what arrives before that is let go. Joined: a frame's bands wait to be
// shown (a newer one replaces them), whole ones or a delta's on the whole frame the band holds;
// for bands of any other the host is asked (AskFrame), once per AskFrameAgainMs until they
// come; sounds are played at once with PlaySound and set the music's state (a match starting
// halves the echo, as on the host). A goodbye ends the session with the notice its reason
// names; once Joined, a message that fails its checks drops the connection.
void HandleFriendEvent(FriendSession& session, const LinkEvent& event, unsigned now);

// Once per iteration: says hello or proves again when unanswered for RepeatHandshakeMs, and
// gives up a join not welcomed within JoinWaitMs; once Joined, reports every HeldReportMs
// while a press is on record and every QuietReportMs otherwise, marks the host away when it
// has sent nothing that passed its checks for QuietAwayMs, and ends the session after
// QuietGoneMs.
void TickFriendSession(FriendSession& session, unsigned now);

// A key of the friend's went down or up at time now; when it is one that travels
// (FriendMayPress) and the session is Joined, it is on record and reported at once.
void SendFriendKey(FriendSession& session, Key key, bool down, unsigned now);

// Whether the friend's screen shows the host's game: any stage but Off.
bool ShowsHost(const FriendSession& session);

// Draws the notice, while it lasts, into the title screen's left band.
void DrawFriendNotice(const FriendSession& session, unsigned now);
