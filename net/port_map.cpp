// The port map's decisions, and the thread that carries them out beside the main loop.
#include "net/port_map.h"

#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace
{
// Asks one protocol and takes its answer into the map; false when it maps nothing.
bool Ask(PortMap& map, const RouterCalls& calls, RouterWay way, unsigned now)
{
    const RouterAnswer answer = way == RouterWay::NatPmp
                                    ? calls.mapNatPmp(map.port, PortLeaseSeconds)
                                    : calls.mapUpnp(map.port, PortLeaseSeconds);
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
        answer.publicPort > 0 && answer.publicPort <= 65535 ? answer.publicPort : map.port;
    map.state = UnreachableAddress(answer.publicAddress) ? PortState::Behind : PortState::Open;
    map.renewAt = now + (lease > 1 ? lease / 2 : 1);
    return true;
}

constexpr unsigned NeverSeconds = 24 * 3600; // nothing more to do: the thread only waits
} // namespace

void StartPortMap(PortMap& map, int port)
{
    map = {};
    map.port = port;
    map.state = PortState::Asking;
}

unsigned StepPortMap(PortMap& map, const RouterCalls& calls, unsigned now)
{
    if (map.state == PortState::Closed)
    {
        return NeverSeconds;
    }
    if (map.state != PortState::Asking && static_cast<int>(now - map.renewAt) < 0)
    {
        return map.renewAt - now;
    }
    const RouterWay held = map.way;
    if (held != RouterWay::None && Ask(map, calls, held, now))
    {
        return map.renewAt - now;
    }
    if (held != RouterWay::None)
    {
        EndPortMap(map, calls); // what is left of it, before asking the other way round
    }
    if (Ask(map, calls, RouterWay::NatPmp, now) || Ask(map, calls, RouterWay::Upnp, now))
    {
        return map.renewAt - now;
    }
    map.way = RouterWay::None;
    map.state = PortState::Closed;
    return NeverSeconds;
}

void EndPortMap(PortMap& map, const RouterCalls& calls)
{
    if (map.way == RouterWay::NatPmp)
    {
        calls.unmapNatPmp(map.port);
    }
    else if (map.way == RouterWay::Upnp)
    {
        calls.unmapUpnp(map.port);
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
Thread MappingThread;
const RouterCalls* MappingCalls = nullptr;
int MappingPort = 0;
std::atomic<int> SharedState{static_cast<int>(PortState::Closed)};
std::atomic<std::uint32_t> SharedAddress{0};
std::atomic<int> SharedPort{0};
std::mutex StopLock; // held by the main thread only to say stop, and by the thread to wait
std::condition_variable StopSaid;
bool StopAsked = false; // under StopLock

unsigned ClockSeconds()
{
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<seconds>(steady_clock::now().time_since_epoch()).count());
}

void Publish(const PortMap& map)
{
    SharedAddress.store(map.publicAddress, std::memory_order_relaxed);
    SharedPort.store(map.publicPort, std::memory_order_relaxed);
    SharedState.store(static_cast<int>(map.state), std::memory_order_release);
}

void RunMapping()
{
    PortMap map;
    StartPortMap(map, MappingPort);
    std::unique_lock<std::mutex> lock(StopLock);
    while (!StopAsked)
    {
        lock.unlock();
        const unsigned wait = StepPortMap(map, *MappingCalls, ClockSeconds());
        Publish(map);
        lock.lock();
        StopSaid.wait_for(lock, std::chrono::seconds(wait), [] { return StopAsked; });
    }
    lock.unlock();
    EndPortMap(map, *MappingCalls);
}
} // namespace

void StartPortMapping(const RouterCalls& calls, int port)
{
    MappingCalls = &calls;
    MappingPort = port;
    StopAsked = false;
    SharedState.store(static_cast<int>(PortState::Asking), std::memory_order_release);
    if (!StartThread(MappingThread, RunMapping))
    {
        SharedState.store(static_cast<int>(PortState::Closed), std::memory_order_release);
    }
}

PortState PortMappingState()
{
    return static_cast<PortState>(SharedState.load(std::memory_order_acquire));
}

std::uint32_t PortMappingAddress()
{
    return SharedAddress.load(std::memory_order_relaxed);
}

void StopPortMapping()
{
    {
        const std::lock_guard<std::mutex> guard(StopLock);
        StopAsked = true;
    }
    StopSaid.notify_all();
    JoinThread(MappingThread);
}

int PortMappingPublicPort()
{
    return SharedPort.load(std::memory_order_relaxed);
}
