// Online play through a meeting point: the host's announcement and its friends' conversations,
// the friend's knock, and the relayed connections (net/relay_link.h) that carry the sessions'
// messages there, sealed (net/meet.h). The network's link (net/link.h) hands this module the
// orders for relayed peers and takes its events first; the meeting point's client is
// net/meet_link.h. Main thread only.
//
// On the host, the friend of conversation n is link peer MaxLinkPeers + n, known by the address
// RelayedAddress(n); on the friend's side, once it goes relayed, the host is link peer 0, as a
// direct host is (the network's own link is closed then).
#pragma once

#include "net/code_key.h"
#include "net/meet.h"
#include "net/meet_queue.h"
#include "net/relay_link.h"

#include <cstdint>

constexpr int FirstRelayedPeer = 1024; // the host's link peers after its own network's
static_assert(MaxRelayPeers == MaxMeetConversations);

enum class MeetRole
{
    Off,     // no meeting point: nothing here runs, no client thread is started
    Hosting, // announced there: friends knock and play relayed
    Joining, // knocking there with the code
};

// The address a relayed peer is known by: 0.0.0.n+1, which no datagram comes from.
constexpr std::uint32_t RelayedAddress(int conversation)
{
    return static_cast<std::uint32_t>(conversation + 1);
}

// Whether a link peer is one of the host's relayed ones.
bool RelayedPeer(int linkPeer);

// Connects to the meeting point at host:port (on a thread of the client's own) and, once it
// is up, announces the game of the key (hosting) or knocks with it (joining, from time now).
// False, and nothing runs, when the client cannot start or no random bytes can be had.
bool StartMeetHosting(const char* host, int port, const CodeKey& key);
bool StartMeetJoining(const char* host, int port, const CodeKey& key, unsigned now);

MeetRole MeetPlayRole();

// Hosting: the addresses told to every friend that knocks from now on.
void SetMeetPlayAddresses(const MeetAddress* addresses, int count);

// Once per iteration before the link's events: what came from the meeting point (knocks
// answered, the friend's answer, relayed packets heard), listening once the line is up,
// knocking, and relayed peers silent for too long closed.
void TickMeetPlay(unsigned now);

// Joining: where the knock stands, and once Answered, the host's direct addresses.
const MeetFriend& MeetJoin();

// Joining, after the answer: the host becomes link peer 0, relayed; its Connected event comes
// with the next events. False when it is relayed already or there was no answer.
bool GoRelayed(unsigned now);

// Joining: whether the host is reached through the meeting point.
bool JoinedRelayed();

// The meeting point's line (Off when none is named).
MeetLine MeetPlayLine();

// The link's part: the next relayed event; the queued orders for relayed peers carried out and
// their packets sent (the network's own link passes them by); goodbyes to every relayed peer.
bool PollMeetPlay(LinkEvent& event);
void FlushMeetPlay();
void CloseMeetPeers();

// Payload bytes sent to the meeting point so far, sealed; and received, with their messages.
unsigned MeetPlayBytesSent();
unsigned MeetPlayBytesReceived();
unsigned MeetPlayMessagesReceived();

// Closes the connection to the meeting point (waits a bounded time; net/meet_link.h).
void EndMeetPlay();
