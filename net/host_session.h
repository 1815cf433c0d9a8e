// The host's side of online play: who gets in, what a friend's messages do, and the side
// band of the title screen that shows the join code.
#pragma once

#include "match/controls.h"
#include "net/join_code.h"
#include "net/link_orders.h"

#include <cstdint>

// Connections at once: the friend and strangers knocking. Each stranger holds a slot for at
// most HelloWaitMs, so filling them takes MaxLinkPeers / 3 new connections every second.
constexpr int MaxLinkPeers = 1024;
constexpr unsigned HelloWaitMs = 3000; // a connection must give its code within this time
constexpr unsigned NoticeMs = 3000;    // how long a notice shows
constexpr int HostTeam = 0;            // the host plays the left team, "player 1"
constexpr int FriendTeam = 1;          // the friend the right one, "player 2"

enum class PeerStage
{
    Free,     // no connection
    Knocking, // connecting or connected, its code not yet given: nothing is sent to it
    Friend,   // gave the right code: it gets the frames and sounds
    Dropped,  // told to go: whatever it still sends is ignored; cut if it lingers
};

struct HostSession
{
    JoinCode code;                         // the code a friend must give
    Door door;                             // wrong codes by address
    PeerStage stages[MaxLinkPeers];        // per connection
    std::uint32_t addresses[MaxLinkPeers]; // IPv4, per connection
    unsigned since[MaxLinkPeers];          // ms, when the connection came or was told to go
    int friendPeer;                        // the friend's connection, -1 none
    bool friendAway;                       // the friend has been quiet for QuietAwayMs
    bool friendLeft;                       // the last friend left: the notice says so
    unsigned noticeSince;                  // ms, when the friend left
};

// What an event means for the game on the host.
struct HostInput
{
    bool joined;      // a friend gave the right code: frames and sounds go to it from now
    bool left;        // the friend left, or was dropped
    bool keyMoved;    // a key of the friend's went down or up
    Key key;          // keyMoved: the key, one FriendMayPress allows
    bool down;        // keyMoved: pressed, else released
    bool frameWanted; // the friend asked for a whole frame
};

// Starts hosting with a code: no connection, an empty door, no notice.
void StartHostSession(HostSession& session, const JoinCode& code);

// Handles one event of the network edge at time now (ms), queueing its answers as link
// orders. A connection from an address the door refuses, or one while a friend plays, is
// dropped once connected; any other waits for its code, its time counted from when it was
// first Pending. A right code makes it the friend (if none plays yet) and welcomes it; a
// wrong one is counted against its address and dropped; a hello of another version is
// dropped with its own reason and not counted. A message that fails its checks, or a code
// from the friend or a key from a connection that has not given its code, drops that
// connection. The friend may ask for a whole frame. Nothing but the goodbye goes to a
// connection before its right code.
HostInput HandleHostEvent(HostSession& session, const LinkEvent& event, unsigned now);

// Once per iteration, with how long the friend's connection has been quiet (ms): drops
// connections that have not given a code within HelloWaitMs, cuts those told to go that
// linger as long, marks the friend away after QuietAwayMs and drops it after QuietGoneMs
// (then left is set).
HostInput TickHostSession(HostSession& session, unsigned now, unsigned friendQuietMs);

// The friend's connection, or -1 when no friend plays.
int FriendPeer(const HostSession& session);

// Whether the friend plays but has been quiet for QuietAwayMs: the match waits for it.
bool FriendAway(const HostSession& session);

// Draws the join code and the state (waiting, a friend in, a friend who left) into the
// title screen's left band, columns 0..31, rows 25..44.
void DrawHostBand(const HostSession& session, unsigned now);
