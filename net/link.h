// The network connection, implemented with ENet in link_enet.cpp: UDP with a quick channel
// (unreliable, sequenced: a late message is dropped) and one reliable, ordered channel,
// connections and time-outs. Main thread only. The sessions decide; this only carries out,
// and nothing of the sessions depends on how: whether a peer is there, they judge by its
// messages. Beside ENet's, connections through a meeting point (net/meet_play.h) with the same
// two channels: each call below serves them too, and a peer is the one or the other.
#pragma once

#include "net/link_orders.h"
#include "net/messages.h"

constexpr int DefaultPort = 27183; // UDP port a host listens on unless --port says otherwise

// What ENet may take in and hold for one connection, sized to the messages each side gets:
// the host only the friend's short ones, the friend frames' pieces too. More is refused, not
// reserved; as no message is longer than a datagram, a set of fragments is refused whole.
// What it holds is what came after a reliable message that was lost, until that one comes
// again; once the limit is reached ENet refuses everything, the lost message's resend too,
// and the line carries nothing more. So each limit holds what the other side sends reliably
// in ENet's own time-out (PeerTimeoutMs): the friend's reports, two for each key, ten keys a
// second; the host's sounds, twenty messages a second.
constexpr int HostReceiveBytes = MaxFriendMessageBytes;
constexpr int HostWaitingBytes = 2 * 10 * (PeerTimeoutMs / 1000) * MaxFriendMessageBytes;
constexpr int FriendReceiveBytes = MaxMessageBytes;
constexpr int FriendWaitingBytes = 20 * (PeerTimeoutMs / 1000) * MaxShortMessageBytes;
// The host's sending, in bytes a second: twice a whole frame of the largest pieces for every
// 18 ms step.
constexpr int MaxWholeFrameBytes = FrameBands * (FrameHeaderBytes + MaxBandBytes);
constexpr unsigned HostSendBytesPerSecond = 2 * MaxWholeFrameBytes * (1000 / 18 + 1);
// How often a quiet connection is pinged, so that ENet's own measure of the line stays fresh.
constexpr unsigned PingMs = QuietAwayMs / 8;
// The longest a reliable message goes unanswered before it is sent again. ENet waits twice as
// long after each loss, and ends the connection when one message has gone unanswered for
// PeerTimeoutMs: on a line that loses a fifth of its datagrams each way, one message in a few
// thousand then lost all its eight tries, and a live line was cut about once in three
// minutes. Tries at least this often make that as good as never, and a dead line still ends.
constexpr unsigned MaxResendMs = QuietAwayMs / 4;
// Either side's first guess at the round trip to a new connection, in ms, before ENet
// measures it.
constexpr unsigned FirstRoundTripMs = 200;

// Opens the host's side on a UDP port of every local IPv4 address, for up to MaxLinkPeers
// connections (how many per address is the session's to say). Returns false when the port cannot be
// had (taken, or not allowed).
bool OpenHostLink(int port);

// Asks for a connection to a host by name or address and port, again FirstRoundTripMs later
// when unanswered and then twice as long each time. Returns false when the name does not
// resolve or no socket can be had; the answer comes as a Connected event, or never (the
// session gives up).
bool OpenFriendLink(const char* address, int port);

// Takes the next event without waiting, sending what is due on the way. Returns false when
// there is none (and always when no link is open). A Received event's bytes stay valid until
// the next call. On the host, a connection ENet holds before it is connected is reported as
// Pending, and one that ends without ENet's own event (a pending one cut, or given up by
// ENet) as Disconnected.
bool PollLink(LinkEvent& event);

// Carries out the queued orders (LinkOrders), sends them at once and clears the queue. Called
// once a turn of the main loop: it also holds ENet's waits to send again to MaxResendMs. A
// Drop with ReasonNone cuts the connection at once; any other says goodbye and waits for it
// to be heard. A connection not yet connected is cut either way.
void FlushLinkOrders();

// Bytes sent so far, and received, as the network layer counts them (UDP payload).
unsigned LinkBytesSent();
unsigned LinkBytesReceived();

// Sends what is queued and closes the link; connected peers get a goodbye without waiting
// for it to arrive. Nothing happens when no link is open.
void CloseLink();
