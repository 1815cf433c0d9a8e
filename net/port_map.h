// Opening the host's UDP port on the home router, so that a friend on the internet reaches
// it: which protocol to ask first, which outside port, when to renew, when to give up, when
// to ask again and what to remove. The router itself is reached through a table of plain
// functions (net/port_map_upnp.cpp for the real one; the tests give a fake). The mapping runs
// on a thread of its own beside the main loop, which only reads its state and never waits
// for the router.
#pragma once

#include <cstdint>

constexpr unsigned PortLeaseSeconds = 3600; // asked for: an hour, never a permanent mapping
constexpr int UpnpPortTries = 8;            // outside ports asked for in turn while another
                                            // machine holds the one asked for (UPnP)
constexpr unsigned RetrySeconds = 60;       // a mapping the router stopped keeping is asked
                                            // for again this often
constexpr unsigned StopWaitMs = 1500;       // the most the game's end waits for the removal

// What the router said to a request for the mapping.
struct RouterAnswer
{
    bool mapped;                 // it holds the mapping now
    bool conflict;               // UPnP: the outside port asked for is another machine's
    bool noPublicAddress;        // it says it has no address of its own on the internet
    std::uint32_t publicAddress; // its own address on the internet, host byte order, as it
                                 // says, mapped or not; 0 unknown
    int publicPort;              // the outside port it opened; 0: the one asked for
    unsigned leaseSeconds;       // the lease it granted; 0: the one asked for
};

// The router, one protocol at a time. Each call returns within a few seconds when the router
// answers or stays silent (NAT-PMP within about 2.5, UPnP's search within about 2), but a router
// that answers slowly may hold a call for as long as it likes.
struct RouterCalls
{
    RouterAnswer (*mapNatPmp)(int port, unsigned leaseSeconds);
    RouterAnswer (*mapUpnp)(int port, int publicPort, unsigned leaseSeconds);
    void (*unmapNatPmp)(int port);
    void (*unmapUpnp)(int publicPort);
};

enum class PortState
{
    Asking, // no answer yet
    Open,   // mapped, and the router's address is one the internet reaches
    Behind, // mapped, but the router's own address is a private one
    Shared, // the line has no address of its own on the internet (a carrier's shared one, or
            // none the router knows of): no port can be opened from it, by the router or by hand
    Closed, // no router answered, or it refused
    Lost,   // the router stopped keeping the mapping and took no other: asked for again
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
    int publicPort;              // the outside port held, or the one asked for
    unsigned renewAt;            // seconds on the caller's clock
};

// A port map for a UDP port, Asking, nothing asked yet.
void StartPortMap(PortMap& map, int port);

// Asks the router when it is due at time now (seconds): at first NAT-PMP, then UPnP when
// NAT-PMP gets no mapping, UPnP for the next outside ports while another machine holds the
// one asked for; later, halfway through the lease, the protocol that holds it, then the other
// order again when that one refuses. No mapping at first leaves the map Closed, or Shared
// when the router said the line has no address of its own, and it asks no more; a mapping
// the router no longer renews leaves it Lost, asked for again every RetrySeconds. Returns the
// seconds until it is due again.
unsigned StepPortMap(PortMap& map, const RouterCalls& calls, unsigned now);

// Removes the mapping from the protocol that holds it, if any.
void EndPortMap(PortMap& map, const RouterCalls& calls);

// Whether an IPv4 address (host byte order) is one that no one on the internet reaches: a
// private, a carrier's shared, a loopback, a link-local or an unspecified one.
bool UnreachableAddress(std::uint32_t address);

// What the port map thread last made known.
struct PortReport
{
    PortState state;
    std::uint32_t publicAddress; // valid once the state is Open, Behind or Shared
    int publicPort;              // likewise
};

// The port map on its own thread: asks at once and renews until StopPortMapping. When no
// thread can be had, the state is Closed. The calls table must outlive the process.
void StartPortMapping(const RouterCalls& calls, int port);
PortReport PortMappingReport();

// At the game's end, from any thread, once: the thread removes the mapping. Waits for that at
// most waitMs, and not at all while the thread is inside a call to the router (the mapping
// then ends with its lease). Returns whether the thread has ended. Nothing the thread uses is
// ever destroyed, so the process may end while it still waits on a router.
bool StopPortMapping(unsigned waitMs);
