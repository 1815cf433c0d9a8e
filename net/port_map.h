// Opening the host's UDP port on the home router, so that a friend on the internet reaches
// it: which protocol to ask first, when to renew, when to give up and what to remove. The
// router itself is reached through a table of plain functions (net/port_map_upnp.cpp for the
// real one; the tests give a fake). The mapping runs on a thread of its own beside the main
// loop, which only reads its state.
#pragma once

#include <cstdint>

constexpr unsigned PortLeaseSeconds = 3600; // asked for: an hour, never a permanent mapping

// What the router said to a request for the mapping.
struct RouterAnswer
{
    bool mapped;                 // it holds the mapping now
    std::uint32_t publicAddress; // its own address on the internet, host byte order; 0 unknown
    int publicPort;              // the port it opened there; 0: the one asked for
    unsigned leaseSeconds;       // the lease it granted; 0: the one asked for
};

// The router, one protocol at a time. Each call returns within a few seconds whatever the
// router does: NAT-PMP within about 1, UPnP within about 2 when nothing answers.
struct RouterCalls
{
    RouterAnswer (*mapNatPmp)(int port, unsigned leaseSeconds);
    RouterAnswer (*mapUpnp)(int port, unsigned leaseSeconds);
    void (*unmapNatPmp)(int port);
    void (*unmapUpnp)(int port);
};

enum class PortState
{
    Asking, // no answer yet
    Open,   // mapped, and the router's address is one the internet reaches
    Behind, // mapped, but the router's own address is private or a carrier's shared one
    Closed, // no router answered, or it refused
};

enum class RouterWay
{
    None,
    NatPmp,
    Upnp,
};

struct PortMap
{
    int port;
    PortState state;
    RouterWay way;               // the protocol that holds the mapping, None when none does
    std::uint32_t publicAddress; // as the router last said
    int publicPort;              // as the router last said
    unsigned renewAt;            // seconds on the caller's clock
};

// A port map for a UDP port, Asking, nothing asked yet.
void StartPortMap(PortMap& map, int port);

// Asks the router when it is due at time now (seconds): at first NAT-PMP, then UPnP when
// NAT-PMP gets no mapping; later, halfway through the lease, the protocol that holds it,
// then the other order again when that one refuses. No mapping at all leaves the map Closed,
// and it asks no more. Returns the seconds until it is due again.
unsigned StepPortMap(PortMap& map, const RouterCalls& calls, unsigned now);

// Removes the mapping from the protocol that holds it, if any.
void EndPortMap(PortMap& map, const RouterCalls& calls);

// Whether an IPv4 address (host byte order) is one that no one on the internet reaches: a
// private, a carrier's shared, a loopback, a link-local or an unspecified one.
bool UnreachableAddress(std::uint32_t address);

// The port map on its own thread: asks at once and renews until StopPortMapping, which removes
// the mapping and waits for the thread (at the game's end only). When no thread can be had,
// the state is Closed. The calls table must outlive the mapping.
void StartPortMapping(const RouterCalls& calls, int port);
PortState PortMappingState();
std::uint32_t PortMappingAddress(); // valid once the state is Open or Behind
int PortMappingPublicPort();        // likewise
void StopPortMapping();
