// Connections carried through a meeting point, beside ENet's: what the sessions send a peer
// over one flush goes as one packet (sealed by net/meet.h on its way), with a reliable channel
// of its own and a quick one. Pure bookkeeping: packets in, packets and events out; the
// meeting point is someone else's (net/meet_play.h). Main thread only.
//
// A packet (numbers high byte first):
//   ack (2): the number of the next reliable message this side waits for; every one before
//            it has arrived
//   then records, each one of
//     'Q', length (2), bytes                  a quick message: goes once, may be lost
//     'R', number (2), length (2), bytes      a reliable message
//     'G', reason (1)                         goodbye: nothing more comes
// The reliable channel keeps every message until an ack covers it and sends them all again,
// oldest first, when the oldest has waited the resend time (about two round trips) unacked;
// the receiver takes only the number it waits for, so messages arrive in order, each once,
// whatever the meeting point loses, repeats or reorders. A packet that fails its checks is
// dropped whole.
#pragma once

#include "net/link_orders.h"

#include <cstddef>
#include <cstdint>

constexpr int RelayPacketBytes = 8192;  // the longest packet made; longer ones are refused
constexpr int RelayAckBytes = 2;        // every packet's head
constexpr int RelayKeptBytes = 65536;   // reliable messages unacknowledged, per peer
constexpr int RelayKeptMessages = 1024; // and their count; more are dropped as on a full line
constexpr int RelayQuickBytes = 49152;  // quick messages waiting for the next packet, per peer
constexpr int RelayEventBytes = 131072; // messages received and not yet polled, all peers
constexpr int RelayEvents = 512;
// At most one packet this often to a peer, unless its messages fill one: the host's frames of
// two 18 ms steps travel together, which halves what the meeting point's headers cost.
constexpr unsigned RelayGapMs = 30;
constexpr unsigned RelayAckDelayMs = 100;    // an ack with nothing to carry it waits this long
constexpr unsigned FirstRelayResendMs = 600; // before a round trip has been measured
constexpr unsigned MinRelayResendMs = 200;
constexpr unsigned MaxRelayResendMs = 3000;

struct RelayPeer
{
    bool open;
    unsigned heardAt;        // ms, the last packet that passed its checks
    unsigned sentAt;         // ms, the last packet made
    std::uint16_t firstKept; // the number of kept message 0, the oldest unacknowledged
    int keptCount;           // 0..RelayKeptMessages
    int unsent;              // kept messages from this index on are to go (again)
    int keptUsed;            // bytes of keptBytes in use
    int keptOffsets[RelayKeptMessages];
    int keptSizes[RelayKeptMessages];
    unsigned keptSentAt[RelayKeptMessages];     // ms, when each last went
    unsigned char keptSends[RelayKeptMessages]; // how often each went, up to 255
    unsigned char keptBytes[RelayKeptBytes];
    unsigned roundTripMs; // smoothed, from acks of messages that went once; 0 none yet
    int quickUsed;        // bytes of quick records waiting
    unsigned char quick[RelayQuickBytes];
    std::uint16_t expected; // the next reliable number taken
    bool ackOwed;           // a reliable message came since our last packet
    unsigned ackOwedSince;  // ms
    int goodbye;            // a reason to send once, then the peer closes; -1 none
};

struct RelayEvent
{
    LinkEvent event;
    int offset; // Received: where its bytes start in RelayLink::eventBytes
};

struct RelayLink
{
    int receiveBytes; // the longest message taken in: the sessions' own limit for this side
    RelayPeer peers[MaxRelayPeers];
    RelayEvent events[RelayEvents];
    int firstEvent;
    int eventCount;
    int eventBytesUsed;
    unsigned char eventBytes[RelayEventBytes];
    unsigned sentBytes;    // packets made, plain
    unsigned droppedBytes; // messages dropped because a queue was full
};

// Closes every peer and forgets every event; messages longer than receiveBytes will be refused
// as the network's own link refuses them.
void ResetRelayLink(RelayLink& link, int receiveBytes);

// Opens a peer (0..MaxRelayPeers - 1) at time now and queues its Connected event with the
// address the sessions are to know it by (link peer number given by the caller, so that the
// host's and the friend's numbering stay theirs). False when the peer is open already.
bool OpenRelayPeer(RelayLink& link, int peer, int linkPeer, std::uint32_t address, unsigned now);

bool RelayPeerOpen(const RelayLink& link, int peer);

// A Send or Drop order for an open peer. A Drop queues a goodbye with its reason (a plain
// one, ReasonNone, too), which the next packet carries, and closes the peer once it went.
void OrderRelay(RelayLink& link, int peer, const LinkOrder& order, const unsigned char* bytes);

// The next packet for a peer at time now into out (RelayPacketBytes); its length, or 0 when
// nothing is due (held for RelayGapMs, or nothing to say). Called until it gives 0. With
// force, what waits goes now, gap or not (the link closing). The packet that carries a
// goodbye closes the peer and queues its Disconnected event (ReasonNone) for linkPeer.
int MakeRelayPacket(RelayLink& link, int peer, int linkPeer, unsigned now, bool force,
                    unsigned char* out);

// A packet that came from an open peer, as linkPeer: acks taken, messages queued as Received
// events (a reliable one only in turn and when there is room, else it comes again), a goodbye
// as a Disconnected event with its reason that closes the peer. False, and nothing changed,
// when the packet fails its checks (an ack of messages never sent, a record cut short, an
// unknown record, bytes after a goodbye).
bool HearRelayPacket(RelayLink& link, int peer, int linkPeer, const unsigned char* bytes,
                     std::size_t size, unsigned now);

// Closes a peer that has been silent for PeerTimeoutMs and queues its Disconnected event;
// returns whether it did.
bool TimeOutRelayPeer(RelayLink& link, int peer, int linkPeer, unsigned now);

// Closes a peer at once, forgetting what it still had to send; no event.
void CloseRelayPeer(RelayLink& link, int peer);

// The next event, oldest first; its bytes stay valid until the next call.
bool PollRelayLink(RelayLink& link, LinkEvent& event);
