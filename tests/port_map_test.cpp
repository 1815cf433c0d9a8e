// The port map against a fake router: the order of attempts, renewal, giving up and removal,
// step by step and through the mapping thread.
#include "net/port_map.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace
{
// The fake router: what each protocol answers, and a log of every call, e.g. "N4000 -U4000 ".
RouterAnswer NatPmpAnswer;
RouterAnswer UpnpAnswer;
std::string Calls;

RouterAnswer Map(const char* way, int port, unsigned lease, const RouterAnswer& answer)
{
    Calls += way + std::to_string(port) + " ";
    EXPECT_EQ(lease, PortLeaseSeconds); // never a permanent mapping
    return answer;
}
const RouterCalls Fake = {
    [](int port, unsigned lease) { return Map("N", port, lease, NatPmpAnswer); },
    [](int port, unsigned lease) { return Map("U", port, lease, UpnpAnswer); },
    [](int port) { Calls += "-N" + std::to_string(port) + " "; },
    [](int port) { Calls += "-U" + std::to_string(port) + " "; }};

constexpr std::uint32_t Public = 0x05050501; // 5.5.5.1
constexpr RouterAnswer No = {}, Yes = {true, Public, 0, 0}, Half = {true, Public, 0, 600};

TEST(PortMap, AsksNatPmpFirstThenUpnpRenewsHalfwayAndGivesUpWhenBothRefuse)
{
    const struct
    {
        char what; // 's': a new map on port 27183; 'e': one, ended twice after its step
        RouterAnswer natPmp, upnp;
        unsigned now;
        const char* seen; // the calls; then the state, the way, the public port, the wait
    } script[] = {
        {'s', Half, Yes, 100, "N27183 1 1 27183 300"},
        {'s', No, Yes, 100, "N27183 U27183 1 2 27183 1800"},
        {'s', No, No, 100, "N27183 U27183 3 0 0 86400"},
        {' ', Yes, Yes, 100000, "3 0 0 86400"}, // closed stays closed
        // Behind a carrier's shared or a private address: mapped, but no one outside
        // reaches it; the ranges' edges.
        {'s', {true, 0x64400001, 0, 600}, No, 0, "N27183 2 1 27183 300"},
        {'s', {true, 0xac1fffff, 0, 600}, No, 0, "N27183 2 1 27183 300"},
        {'s', {true, 0x64800000, 0, 600}, No, 0, "N27183 1 1 27183 300"},
        {'s', {true, 0x0affffff, 0, 600}, No, 0, "N27183 2 1 27183 300"},
        {'s', {true, 0x0b000000, 0, 600}, No, 0, "N27183 1 1 27183 300"},
        {'s', No, {true, Public, 0, 1}, 0, "N27183 U27183 1 2 27183 1"},
        {'s', No, {true, Public, 65536, 7200}, 0, "N27183 U27183 1 2 27183 1800"},
        {'s', No, {true, Public, 65535, 0}, 0, "N27183 U27183 1 2 65535 1800"},
        {'s', No, {true, Public, 1, 0}, 0, "N27183 U27183 1 2 1 1800"},
        // The router chose another outside port; renewed halfway through the lease.
        {'s', {true, Public, 27200, 600}, No, 1000, "N27183 1 1 27200 300"},
        {' ', No, No, 1299, "1 1 27200 1"},
        {' ', {true, Public, 0, 3600}, No, 1300, "N27183 1 1 27183 1800"},
        // A refused renewal tries the other way round after removing what is left.
        {' ', No, Yes, 3100, "N27183 -N27183 N27183 U27183 1 2 27183 1800"},
        {' ', Half, No, 4900, "U27183 -U27183 N27183 1 1 27183 300"},
        {' ', No, No, 5200, "N27183 -N27183 N27183 U27183 3 0 27183 86400"},
        // Ending removes only what is held, once.
        {'e', No, No, 0, "N27183 U27183 3 0 0 86400"},
        {'e', No, Yes, 0, "N27183 U27183 -U27183 1 0 27183 1800"},
    };
    static PortMap map;
    for (const auto& step : script)
    {
        step.what != ' ' ? StartPortMap(map, 27183) : void();
        Calls.clear();
        NatPmpAnswer = step.natPmp;
        UpnpAnswer = step.upnp;
        const unsigned wait = StepPortMap(map, Fake, step.now);
        for (int n = 0; step.what == 'e' && n < 2; ++n)
        {
            EndPortMap(map, Fake);
        }
        EXPECT_EQ(Calls + std::to_string(static_cast<int>(map.state)) + " " +
                      std::to_string(static_cast<int>(map.way)) + " " +
                      std::to_string(map.publicPort) + " " + std::to_string(wait),
                  step.seen)
            << &step - script;
    }
}

TEST(PortMap, TheThreadMapsAtOnceAndRemovesTheMappingWhenStopped)
{
    Calls.clear();
    NatPmpAnswer = No;
    UpnpAnswer = Yes;
    StartPortMapping(Fake, 4000);
    for (int n = 0; n < 500 && PortMappingState() == PortState::Asking; ++n)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(PortMappingState() == PortState::Open && PortMappingAddress() == Public &&
                PortMappingPublicPort() == 4000);
    StopPortMapping();
    EXPECT_EQ(Calls, "N4000 U4000 -U4000 ");
}
} // namespace
