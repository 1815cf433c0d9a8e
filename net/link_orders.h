// What the network edge reports to the sessions, and the orders they leave for it: the
// core decides, and net/link_enet.cpp only carries out.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int MaxLinkOrders = 128;    // orders between two flushes; more are dropped
constexpr int LinkOrderBytes = 65536; // their bytes together; a message past them is dropped
// ENet's own time-out for a connection that acknowledges nothing: longer than the sessions'
// wait for a silent peer (QuietGoneMs), so that they, not ENet, decide when it is gone.
constexpr unsigned PeerTimeoutMs = 20000;
constexpr unsigned QuietAwayMs = 2000;  // a peer heard nothing of for this long is away
constexpr unsigned QuietGoneMs = 10000; // and after this long gone
static_assert(PeerTimeoutMs > QuietGoneMs);
// Connections through a meeting point at once, beside the network's own (net/relay_link.h).
constexpr int MaxRelayPeers = 8;

// Why a connection ended, carried by the network layer's own goodbye.
enum LinkReason
{
    ReasonNone,         // a plain goodbye, or the line went silent
    ReasonFull,         // another friend plays already
    ReasonWrongCode,    // the join code was wrong
    ReasonShutOut,      // too many wrong codes from this address: wait a minute
    ReasonBadData,      // a message failed its checks
    ReasonLeft,         // the other side left (Escape, or the game was closed)
    ReasonOtherVersion, // the friend's game speaks another version of the messages
    ReasonCount
};

enum class LinkEventType
{
    Connected,    // a peer is connected (the host's side: a friend's game knocked)
    Received,     // a message arrived
    Disconnected, // a peer is gone, with its reason (ReasonNone when it went silent)
    Pending,      // the host's side: a stranger asked for a connection, which holds a slot
                  // before it is Connected (or never is: the session drops it in time)
};

struct LinkEvent
{
    LinkEventType type;
    int peer;                   // 0..MaxLinkPeers - 1 on the host, relayed ones after; 0 on
                                // the friend's side
    std::uint32_t address;      // Connected, Pending: the peer's IPv4 address (a relayed
                                // one's stands in 0.0.0.0/8, where no datagram comes from)
    int channel;                // Received: the channel it came on
    const unsigned char* bytes; // Received: valid until the next event is asked for
    std::size_t size;           // Received
    unsigned reason;            // Disconnected: a LinkReason, or any number a peer sent
};

enum class LinkOrderType
{
    Send, // a message on a channel
    Drop, // a goodbye with a reason; nothing more goes to that peer
};

struct LinkOrder
{
    LinkOrderType type;
    int peer;
    int channel;       // Send
    int offset;        // Send: where its bytes start in LinkOrderData
    int size;          // Send
    LinkReason reason; // Drop
};

// The orders queued since the last flush, oldest first. Main thread only.
extern LinkOrder LinkOrders[MaxLinkOrders];
extern int LinkOrderCount;
extern unsigned char LinkOrderData[LinkOrderBytes];
extern int LinkOrderDataUsed;

// Forgets every order; the edge calls it after carrying them out.
void ClearLinkOrders();

// Queues a message for a peer; dropped silently when the queue or its bytes are full.
void OrderSend(int peer, int channel, const unsigned char* bytes, int size);

// Queues a goodbye to a peer.
void OrderDrop(int peer, LinkReason reason);
