// The host's side of online play: who gets in, what a friend's messages do, and the side
// band of the title screen that shows the join code.
#pragma once

#include "match/controls.h"
#include "net/join_code.h"
#include "net/link_orders.h"

#include <cstdint>

constexpr int MaxLinkPeers = 4;        // connections at once: the friend and a few knocking
constexpr unsigned HelloWaitMs = 3000; // a connection must give its code within this time
constexpr unsigned NoticeMs = 3000;    // how long a notice shows
constexpr int HostTeam = 0;            // the host plays the left team, "player 1"
constexpr int FriendTeam = 1;          // the friend the right one, "player 2"

enum class PeerStage
{
    Free,     // no connection
    Knocking, // connected, its code not yet given: nothing is sent to it
    Friend,   // gave the right code: it gets the frames and sounds
    Dropped,  // told to go: whatever it still sends is ignored
};

struct HostSession
{
    JoinCode code;                         // the code a friend must give
    Door door;                             // wrong codes by address
    PeerStage stages[MaxLinkPeers];        // per connection
    std::uint32_t addresses[MaxLinkPeers]; // IPv4, per connection
    unsigned since[MaxLinkPeers];          // ms, when the connection came
    int friendPeer;                        // the friend's connection, -1 none
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
// orders. A connection from a shut-out address, or one while a friend plays, is dropped at
// once; any other waits for its code. A right code makes it the friend (if none plays yet)
// and welcomes it; a wrong one is counted against its address and dropped. A message that
// fails its checks, or a code from the friend or a key from a connection that has not given
// its code, drops that connection. The friend may ask for a whole frame. Nothing but the goodbye
// goes to a connection before its right code.
HostInput HandleHostEvent(HostSession& session, const LinkEvent& event, unsigned now);

// Drops connections that have not given a code within HelloWaitMs. Once per iteration.
void TickHostSession(HostSession& session, unsigned now);

// The friend's connection, or -1 when no friend plays.
int FriendPeer(const HostSession& session);

// Draws the join code and the state (waiting, a friend in, a friend who left) into the
// title screen's left band, columns 0..31, rows 25..44.
void DrawHostBand(const HostSession& session, unsigned now);
