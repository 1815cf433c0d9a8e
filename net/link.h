// The network connection, implemented with ENet in link_enet.cpp: UDP with a channel for
// frames (unreliable, sequenced: a late one is dropped) and one reliable, ordered channel,
// connections and time-outs. Main thread only. The sessions decide; this only carries out.
#pragma once

#include "net/link_orders.h"

constexpr int DefaultPort = 27183; // UDP port a host listens on unless --port says otherwise

// Opens the host's side on a UDP port of every local IPv4 address, for up to MaxLinkPeers
// connections. Returns false when the port cannot be had (taken, or not allowed).
bool OpenHostLink(int port);

// Asks for a connection to a host by name or address and port. Returns false when the
// name does not resolve or no socket can be had; the answer comes as a Connected event, or
// never (the session gives up).
bool OpenFriendLink(const char* address, int port);

// Takes the next event without waiting, sending what is due on the way. Returns false when
// there is none (and always when no link is open). A Received event's bytes stay valid until
// the next call.
bool PollLink(LinkEvent& event);

// Carries out the queued orders (LinkOrders), sends them at once and clears the queue.
void FlushLinkOrders();

// Bytes sent so far, and received, as the network layer counts them (UDP payload).
unsigned LinkBytesSent();
unsigned LinkBytesReceived();

// Sends what is queued and closes the link; connected peers get a goodbye without waiting
// for it to arrive. Nothing happens when no link is open.
void CloseLink();
