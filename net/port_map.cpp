// The port map's decisions, and the thread that carries them out beside the main loop.
#include "net/port_map.h"

#include "platform/thread.h"

#include <ctime>
#include <pthread.h>

namespace
{
constexpr unsigned NeverSeconds = 24 * 3600; // nothing more to do: the thread only waits

// A carrier's shared address (100.64.0.0/10): no port on it is the line's own.
bool SharedAddress(std::uint32_t address)
{
    return (address >> 22) == (0x64400000u >> 22);
}

// The outside port of the try-th UPnP request: the port itself, then the ones above it (or
// below, near the top).
int OutsidePort(int port, int tries)
{
    return port + tries <= 65535 ? port + tries : port - tries;
}

// Asks one protocol and takes its answer into the map; false when it maps nothing. A renewal
// asks UPnP for the outside port held; the first request tries the next ones while another
// machine holds them. sharedLine is set when the router says the line has no address of
// its own.
bool Ask(PortMap& map, const RouterCalls& calls, RouterWay way, bool renewing, unsigned now,
         bool& sharedLine)
{
    RouterAnswer answer = {};
    int asked = map.port;
    if (way == RouterWay::NatPmp)
    {
        answer = calls.mapNatPmp(map.port, PortLeaseSeconds);
    }
    for (int tries = 0; way == RouterWay::Upnp && tries < UpnpPortTries; ++tries)
    {
        asked = renewing ? map.publicPort : OutsidePort(map.port, tries);
        answer = calls.mapUpnp(map.port, asked, PortLeaseSeconds);
        if (answer.mapped || !answer.conflict || renewing)
        {
            break;
        }
    }
    sharedLine = sharedLine || answer.noPublicAddress || SharedAddress(answer.publicAddress);
    if (!answer.mapped)
    {
        return false;
    }
    const unsigned lease = answer.leaseSeconds == 0 || answer.leaseSeconds > PortLeaseSeconds
                               ? PortLeaseSeconds
                               : answer.leaseSeconds;
    map.way = way;
    map.publicAddress = answer.publicAddress;
    map.publicPort =
        answer.publicPort > 0 && answer.publicPort <= 65535 ? answer.publicPort : asked;
    map.state = SharedAddress(answer.publicAddress)        ? PortState::Shared
                : UnreachableAddress(answer.publicAddress) ? PortState::Behind
                                                           : PortState::Open;
    map.renewAt = now + (lease > 1 ? lease / 2 : 1);
    return true;
}
} // namespace

void StartPortMap(PortMap& map, int port)
{
    map = {};
    map.port = port;
    map.state = PortState::Asking;
}

unsigned StepPortMap(PortMap& map, const RouterCalls& calls, unsigned now)
{
    if (map.state == PortState::Closed ||
        (map.state == PortState::Shared && map.way == RouterWay::None))
    {
        return NeverSeconds;
    }
    if (map.state != PortState::Asking && static_cast<int>(now - map.renewAt) < 0)
    {
        return map.renewAt - now;
    }
    bool sharedLine = false;
    const RouterWay held = map.way;
    if (held != RouterWay::None && Ask(map, calls, held, true, now, sharedLine))
    {
        return map.renewAt - now;
    }
    if (held != RouterWay::None)
    {
        EndPortMap(map, calls); // what is left of it, before asking the other way round
    }
    if (Ask(map, calls, RouterWay::NatPmp, false, now, sharedLine) ||
        Ask(map, calls, RouterWay::Upnp, false, now, sharedLine))
    {
        return map.renewAt - now;
    }
    map.way = RouterWay::None;
    if (map.state == PortState::Asking)
    {
        map.state = sharedLine ? PortState::Shared : PortState::Closed;
        return NeverSeconds;
    }
    map.state = PortState::Lost; // the friend's command no longer works: asked for again
    map.renewAt = now + RetrySeconds;
    return RetrySeconds;
}

void EndPortMap(PortMap& map, const RouterCalls& calls)
{
    if (map.way == RouterWay::NatPmp)
    {
        calls.unmapNatPmp(map.port);
    }
    else if (map.way == RouterWay::Upnp)
    {
        calls.unmapUpnp(map.publicPort);
    }
    map.way = RouterWay::None;
}

bool UnreachableAddress(std::uint32_t address)
{
    const auto in = [address](std::uint32_t network, int bits)
    { return (address >> (32 - bits)) == (network >> (32 - bits)); };
    return in(0x00000000, 8) || in(0x0a000000, 8) || in(0x64400000, 10) || in(0x7f000000, 8) ||
           in(0xa9fe0000, 16) || in(0xac100000, 12) || in(0xc0a80000, 16);
}

namespace
{
// The thread and what it shares with the main thread. The lock and the condition are plain
// POSIX objects that nothing destroys: a process that ends while the thread waits (an exit
// called from inside a library) runs no destructor the thread could be caught in.
Thread MappingThread;
const RouterCalls* MappingCalls = nullptr;
int MappingPort = 0;
pthread_mutex_t ShareLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t StopSaid; // stop asked, or the thread ended; on the monotonic clock once made
bool StopSaidMade = false;
PortReport Shared = {PortState::Closed, 0, 0}; // under ShareLock
bool StopAsked = false;                        // under ShareLock
bool InCall = false; // under ShareLock: the thread is inside a call to the router
bool Ended = true;   // under ShareLock: the thread has removed the mapping and ends

timespec MonotonicIn(unsigned milliseconds)
{
    timespec at;
    clock_gettime(CLOCK_MONOTONIC, &at);
    const long nanoseconds = at.tv_nsec + static_cast<long>(milliseconds % 1000) * 1000000;
    at.tv_sec += static_cast<time_t>(milliseconds / 1000 + nanoseconds / 1000000000);
    at.tv_nsec = nanoseconds % 1000000000;
    return at;
}

unsigned ClockSeconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned>(now.tv_sec);
}

void RunMapping()
{
    PortMap map;
    StartPortMap(map, MappingPort);
    pthread_mutex_lock(&ShareLock);
    while (!StopAsked)
    {
        InCall = true;
        pthread_mutex_unlock(&ShareLock);
        const unsigned wait = StepPortMap(map, *MappingCalls, ClockSeconds());
        pthread_mutex_lock(&ShareLock);
        InCall = false;
        Shared = {map.state, map.publicAddress, map.publicPort};
        const timespec until = MonotonicIn(wait * 1000);
        while (!StopAsked && pthread_cond_timedwait(&StopSaid, &ShareLock, &until) == 0)
        {
        }
    }
    InCall = true;
    pthread_mutex_unlock(&ShareLock);
    EndPortMap(map, *MappingCalls);
    pthread_mutex_lock(&ShareLock);
    InCall = false;
    Ended = true;
    pthread_cond_broadcast(&StopSaid);
    pthread_mutex_unlock(&ShareLock);
}
} // namespace

void StartPortMapping(const RouterCalls& calls, int port)
{
    if (!StopSaidMade)
    {
        pthread_condattr_t monotonic;
        pthread_condattr_init(&monotonic);
        pthread_condattr_setclock(&monotonic, CLOCK_MONOTONIC);
        pthread_cond_init(&StopSaid, &monotonic);
        pthread_condattr_destroy(&monotonic);
        StopSaidMade = true;
    }
    MappingCalls = &calls;
    MappingPort = port;
    pthread_mutex_lock(&ShareLock);
    StopAsked = false;
    Ended = false;
    Shared = {PortState::Asking, 0, 0};
    pthread_mutex_unlock(&ShareLock);
    if (!StartThread(MappingThread, RunMapping))
    {
        pthread_mutex_lock(&ShareLock);
        Ended = true;
        Shared = {PortState::Closed, 0, 0};
        pthread_mutex_unlock(&ShareLock);
    }
}

PortReport PortMappingReport()
{
    pthread_mutex_lock(&ShareLock);
    const PortReport report = Shared;
    pthread_mutex_unlock(&ShareLock);
    return report;
}

bool StopPortMapping(unsigned waitMs)
{
    if (!StopSaidMade)
    {
        return true; // never started
    }
    pthread_mutex_lock(&ShareLock);
    StopAsked = true;
    pthread_cond_broadcast(&StopSaid);
    // Inside a router call the thread may be held for as long as the router likes: the
    // game's end never waits for that.
    const timespec until = MonotonicIn(InCall ? 0 : waitMs);
    while (!Ended && pthread_cond_timedwait(&StopSaid, &ShareLock, &until) == 0)
    {
    }
    const bool ended = Ended;
    pthread_mutex_unlock(&ShareLock);
    if (ended)
    {
        JoinThread(MappingThread);
    }
    return ended;
}
