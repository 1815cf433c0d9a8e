// The host's side of online play: who gets in, what a friend's messages do, and the side
// band of the title screen that shows the join code.
//
// Letting a friend in: a stranger's connection says hello with its nonce; the host answers
// with its own nonce and its proof of the code (net/join_proof.h), and lets the connection in
// when its proof comes back right. The host proves first, so a friend that reached the wrong
// host never answers it; a wrong proof counts as a wrong code.
#pragma once

#include "match/controls.h"
#include "net/code_key.h"
#include "net/join_code.h"
#include "net/link_orders.h"
#include "net/messages.h"
#include "net/presses.h"

#include <cstdint>

// Connections at once: the friend and strangers knocking. Each stranger holds a slot for at
// most HelloWaitMs; while fewer than SpareLinkPeers are free, the oldest stranger goes, so a
// flood of requests cycles through the slots rather than filling them, and one address holds
// at most MaxAskingPerAddress requests and MaxKnockingPerAddress connections, its oldest going
// first, so that requests forged from an address cannot keep it out.
constexpr int MaxLinkPeers = 1024;
// With the connections through a meeting point after them (net/meet_play.h).
constexpr int MaxSessionPeers = MaxLinkPeers + MaxRelayPeers;
constexpr int SpareLinkPeers = 128;
constexpr int MaxAskingPerAddress = 16;
constexpr int MaxKnockingPerAddress = 4;
constexpr unsigned HelloWaitMs = 5000; // a connection must prove the code within this time,
                                       // from its request on
constexpr unsigned NoticeMs = 3000;    // how long a notice shows
constexpr int HostTeam = 0;            // the host plays the left team, "player 1"
constexpr int FriendTeam = 1;          // the friend the right one, "player 2"

enum class PeerStage
{
    Free,     // no connection
    Asking,   // a request the edge holds, not yet connected: nothing is sent to it
    Knocking, // connected, the code not yet proved: it gets the challenge and nothing else
    Friend,   // proved the code: it gets the frames and sounds
    Dropped,  // told to go: whatever it still sends is ignored; cut if it lingers
};

struct HostSession
{
    JoinCode code;                            // the code a friend must prove
    CodeKey key;                              // its key
    Door door;                                // wrong codes by address
    PeerStage stages[MaxSessionPeers];        // per connection
    std::uint32_t addresses[MaxSessionPeers]; // IPv4, per connection
    unsigned since[MaxSessionPeers];          // ms, when the connection came or was told to go
    bool challenged[MaxSessionPeers];         // the connection has its nonce and ours
    unsigned char friendNonces[MaxSessionPeers][NonceBytes];
    unsigned char hostNonces[MaxSessionPeers][NonceBytes];
    int friendPeer;       // the friend's connection, -1 none
    bool friendAway;      // the friend has said nothing new for QuietAwayMs
    bool friendLeft;      // the last friend left: the notice says so
    unsigned noticeSince; // ms, when the friend left
    unsigned heardAt;     // ms, when the friend last showed it gets our frames
    unsigned had;         // the friend's count of frame messages had, then
    HeardPresses presses; // the friend's presses
};

// What an event means for the game on the host.
struct HostInput
{
    bool joined;          // a friend proved the code: frames and sounds go to it from now
    bool left;            // the friend left, or was dropped
    bool bandsWanted;     // the friend lacks bands of a whole frame
    int wantedNumber;     // bandsWanted: that frame's number
    unsigned wantedBands; // bandsWanted: the bands, a mask
};

// Starts hosting with a code and its key: no connection, an empty door, no notice.
void StartHostSession(HostSession& session, const JoinCode& code, const CodeKey& key);

// Handles one event of the network edge at time now (ms), queueing its answers as link
// orders. A connection from an address the door refuses, or one while a friend plays and is
// not away, is dropped once connected; any other waits for its proof, its time counted from
// when it was first Pending. A hello gets the challenge (again, to a hello sent again); a
// hello of another version is dropped with its own reason and not counted. A right proof
// makes the connection the friend (if none plays, or in place of one away: left and joined
// are both set) and welcomes it (again, to a proof sent again); a wrong one is counted
// against its address and dropped. A message that fails its checks, a proof before a
// challenge, or a report or ask from a connection that has not proved the code drops that
// connection. The friend's reports bring its presses (kept in presses) and show that it gets
// our frames; it may ask for bands again.
HostInput HandleHostEvent(HostSession& session, const LinkEvent& event, unsigned now);

// Once per iteration: drops connections that have not proved the code within HelloWaitMs and
// the oldest strangers while slots run short, cuts those told to go that linger as long, marks
// the friend away when for QuietAwayMs it has not shown that it gets our frames, and drops it
// after QuietGoneMs (then left is set).
HostInput TickHostSession(HostSession& session, unsigned now);

// The friend's connection, or -1 when no friend plays.
int FriendPeer(const HostSession& session);

// Whether the friend plays but has been quiet for QuietAwayMs: the match waits for it.
bool FriendAway(const HostSession& session);

// Draws the join code and the state (waiting, a friend in, a friend who left) into the
// title screen's left band, columns 0..31, rows 25..44.
void DrawHostBand(const HostSession& session, unsigned now);
