// The port map against a fake router: the order of attempts, outside ports another machine
// holds, renewal, giving up, asking again and removal, step by step; and its thread, which the
// game's end never waits for while the router holds a call, and which never holds up an exit.
#include "net/port_map.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
// The fake router: what each protocol answers, the outside ports UPnP finds taken by another
// machine, and a log of every call, e.g. "N4000 U4000 U4000>4001 -U4001 ".
RouterAnswer NatPmpAnswer;
RouterAnswer UpnpAnswer;
std::set<int> TakenOutside;
std::string Calls;
std::atomic<bool> HoldUpnp{false}; // a UPnP call waits while this is set
std::atomic<bool> InUpnp{false};   // a UPnP call is waiting

RouterAnswer Map(const std::string& call, unsigned lease, RouterAnswer answer)
{
    Calls += call + " ";
    EXPECT_EQ(lease, PortLeaseSeconds); // never a permanent mapping
    return answer;
}

RouterAnswer MapUpnp(int port, int outside, unsigned lease)
{
    InUpnp = true;
    while (HoldUpnp)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    InUpnp = false;
    RouterAnswer answer = UpnpAnswer;
    if (TakenOutside.count(outside) != 0)
    {
        answer = {false, true, false, UpnpAnswer.publicAddress, 0, 0};
    }
    else if (answer.mapped && answer.publicPort == 0)
    {
        answer.publicPort = outside; // as the edge says it
    }
    return Map("U" + std::to_string(port) + (outside != port ? ">" + std::to_string(outside) : ""),
               lease, answer);
}

const RouterCalls Fake = {[](int port, unsigned lease)
                          { return Map("N" + std::to_string(port), lease, NatPmpAnswer); },
                          MapUpnp, [](int port) { Calls += "-N" + std::to_string(port) + " "; },
                          [](int outside) { Calls += "-U" + std::to_string(outside) + " "; }};

constexpr std::uint32_t Public = 0x05050501; // 5.5.5.1
constexpr RouterAnswer No = {}, Yes = {true, false, false, Public, 0, 0},
                       Half = {true, false, false, Public, 0, 600};
constexpr RouterAnswer NoAddress = {false, false, true, 0, 0, 0};          // no public address
constexpr RouterAnswer SharedNo = {false, false, false, 0x64400007, 0, 0}; // refused, shared

// Every step of the port map's decisions, each row one call of StepPortMap.
TEST(PortMap, AsksInOrderTriesOtherOutsidePortsRenewsGivesUpAndAsksAgain)
{
    const struct
    {
        char what; // 's': a new map on port 27183; 'e': one, ended twice after its step
        RouterAnswer natPmp, upnp;
        std::set<int> taken; // outside ports another machine holds (UPnP)
        unsigned now;
        const char* seen; // the calls; then the state, the way, the public port, the wait
    } script[] = {
        {'s', Half, Yes, {}, 100, "N27183 1 1 27183 300"},
        {'s', No, Yes, {}, 100, "N27183 U27183 1 2 27183 1800"},
        {'s', No, No, {}, 100, "N27183 U27183 4 0 0 86400"},
        {' ', Yes, Yes, {}, 100000, "4 0 0 86400"}, // closed stays closed
        // A line without an address of its own: said, or seen in the router's address.
        {'s', NoAddress, No, {}, 0, "N27183 U27183 3 0 0 86400"},
        {'s', No, SharedNo, {}, 0, "N27183 U27183 3 0 0 86400"},
        {' ', Yes, Yes, {}, 100000, "3 0 0 86400"},
        // Mapped behind a carrier's shared or a private address; the ranges' edges.
        {'s', {true, false, false, 0x64400001, 0, 600}, No, {}, 0, "N27183 3 1 27183 300"},
        {'s', {true, false, false, 0x647fffff, 0, 600}, No, {}, 0, "N27183 3 1 27183 300"},
        {'s', {true, false, false, 0xac1fffff, 0, 600}, No, {}, 0, "N27183 2 1 27183 300"},
        {'s', {true, false, false, 0x64800000, 0, 600}, No, {}, 0, "N27183 1 1 27183 300"},
        {'s', {true, false, false, 0x0affffff, 0, 600}, No, {}, 0, "N27183 2 1 27183 300"},
        {'s', {true, false, false, 0x0b000000, 0, 600}, No, {}, 0, "N27183 1 1 27183 300"},
        {'s', No, {true, false, false, Public, 0, 1}, {}, 0, "N27183 U27183 1 2 27183 1"},
        {'s', No, {true, false, false, Public, 65536, 7200}, {}, 0, "N27183 U27183 1 2 27183 1800"},
        {'s', No, {true, false, false, Public, 65535, 0}, {}, 0, "N27183 U27183 1 2 65535 1800"},
        // Another machine holds the outside port: the next ones, as many as UpnpPortTries.
        {'s', No, Yes, {27183, 27184}, 0, "N27183 U27183 U27183>27184 U27183>27185 1 2 27185 1800"},
        {' ', No, Yes, {}, 1800, "U27183>27185 1 2 27185 1800"}, // renewed as held
        {' ', No, No, {}, 3600, "U27183>27185 -U27185 N27183 U27183 5 0 27185 60"},
        {'s',
         No,
         Yes,
         {27183, 27184, 27185, 27186, 27187, 27188, 27189, 27190},
         0,
         "N27183 U27183 U27183>27184 U27183>27185 U27183>27186 U27183>27187 U27183>27188 "
         "U27183>27189 U27183>27190 4 0 0 86400"},
        // The router chose another outside port; renewed halfway through the lease.
        {'s', {true, false, false, Public, 27200, 600}, No, {}, 1000, "N27183 1 1 27200 300"},
        {' ', No, No, {}, 1299, "1 1 27200 1"},
        {' ', {true, false, false, Public, 0, 3600}, No, {}, 1300, "N27183 1 1 27183 1800"},
        // A refused renewal tries the other way round after removing what is left; when
        // nothing takes it, the mapping is lost and asked for again every minute.
        {' ', No, Yes, {}, 3100, "N27183 -N27183 N27183 U27183 1 2 27183 1800"},
        {' ', Half, No, {}, 4900, "U27183 -U27183 N27183 1 1 27183 300"},
        {' ', No, No, {}, 5200, "N27183 -N27183 N27183 U27183 5 0 27183 60"},
        {' ', Yes, Yes, {}, 5259, "5 0 27183 1"},
        {' ', No, No, {}, 5260, "N27183 U27183 5 0 27183 60"},
        {' ', No, Yes, {27183}, 5320, "N27183 U27183 U27183>27184 1 2 27184 1800"},
        // Ending removes only what is held, once, at the outside port held.
        {'e', No, No, {}, 0, "N27183 U27183 4 0 0 86400"},
        {'e', No, Yes, {27183}, 0, "N27183 U27183 U27183>27184 -U27184 1 0 27184 1800"},
    };
    static PortMap map;
    for (const auto& step : script)
    {
        step.what != ' ' ? StartPortMap(map, 27183) : void();
        Calls.clear();
        NatPmpAnswer = step.natPmp;
        UpnpAnswer = step.upnp;
        TakenOutside = step.taken;
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
    TakenOutside.clear();
}

// Waits (up to 5 s) until the thread has made its first answer known.
PortReport Answered()
{
    for (int n = 0; n < 500 && PortMappingReport().state == PortState::Asking; ++n)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return PortMappingReport();
}

// The game's end does not wait while the router holds a call (a silent or dripping router
// holds it for as long as it likes); the thread tells what the call brought and removes what
// it holds once the call is over.
TEST(PortMap, TheEndNeverWaitsForARouterThatHoldsACall)
{
    Calls.clear();
    NatPmpAnswer = No;
    UpnpAnswer = Yes;
    HoldUpnp = true;
    StartPortMapping(Fake, 4000);
    for (int n = 0; n < 500 && !InUpnp; ++n)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(InUpnp);
    std::atomic<int> stopped{-1};
    std::thread stopping([&stopped] { stopped = StopPortMapping(60000); });
    for (int n = 0; n < 2000 && stopped < 0; ++n)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(stopped, 0); // returned while the call still waits, the thread not ended
    HoldUpnp = false;
    stopping.join();
    bool ended = false;
    for (int n = 0; n < 500 && !ended; ++n)
    {
        ended = StopPortMapping(10); // at once while a call is still under way
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(Calls, "N4000 U4000 -U4000 ");
    const PortReport report = PortMappingReport(); // what the call that was held brought
    EXPECT_TRUE(report.state == PortState::Open && report.publicAddress == Public &&
                report.publicPort == 4000);
}

// A process that ends while the thread waits for its next renewal (an exit from inside a
// library: Xlib's when the display goes away) ends at once: nothing the thread waits on is
// destroyed under it.
TEST(PortMap, AnExitWhileTheThreadWaitsEnds)
{
    NatPmpAnswer = Yes;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        StartPortMapping(Fake, 4000);
        Answered();
        std::exit(3);
    }
    int status = 0;
    pid_t ended = 0;
    for (int n = 0; n < 1000 && ended == 0; ++n)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0)
    {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    EXPECT_TRUE(ended == child && WIFEXITED(status) && WEXITSTATUS(status) == 3);
}
} // namespace
