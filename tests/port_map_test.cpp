// The port map against a fake router: the order of attempts, renewal, giving up and removal,
// step by step and through the mapping thread.
#include "net/port_map.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace
{
// The fake router: what each protocol answers, and a log of every call, e.g. "N U -U ".
RouterAnswer NatPmpAnswer;
RouterAnswer UpnpAnswer;
std::string Calls;
int LastLease;

RouterAnswer FakeNatPmp(int port, unsigned lease)
{
    Calls += "N" + std::to_string(port) + " ";
    LastLease = static_cast<int>(lease);
    return NatPmpAnswer;
}
RouterAnswer FakeUpnp(int port, unsigned lease)
{
    Calls += "U" + std::to_string(port) + " ";
    LastLease = static_cast<int>(lease);
    return UpnpAnswer;
}
void FakeUnmapNatPmp(int port)
{
    Calls += "-N" + std::to_string(port) + " ";
}
void FakeUnmapUpnp(int port)
{
    Calls += "-U" + std::to_string(port) + " ";
}
const RouterCalls Fake = {FakeNatPmp, FakeUpnp, FakeUnmapNatPmp, FakeUnmapUpnp};

constexpr std::uint32_t Public = 0x05050501; // 5.5.5.1
constexpr RouterAnswer Refused = {};

class PortMapTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Calls.clear();
        NatPmpAnswer = Refused;
        UpnpAnswer = Refused;
        StartPortMap(map, 27183);
    }
    PortMap map;
};

TEST_F(PortMapTest, AsksNatPmpFirstThenUpnpAndGivesUpWhenBothRefuse)
{
    struct Case
    {
        RouterAnswer natPmp, upnp;
        const char* calls;
        PortState state;
        RouterWay way;
    };
    const Case cases[] = {
        {{true, Public, 0, 600},
         {true, Public, 0, 0},
         "N27183 ",
         PortState::Open,
         RouterWay::NatPmp},
        {Refused, {true, Public, 0, 0}, "N27183 U27183 ", PortState::Open, RouterWay::Upnp},
        {Refused, Refused, "N27183 U27183 ", PortState::Closed, RouterWay::None},
        // A router behind a carrier's shared or a private address maps, but no one outside
        // reaches it; the range's edges.
        {{true, 0x64400001, 0, 600}, Refused, "N27183 ", PortState::Behind, RouterWay::NatPmp},
        {{true, 0xac1fffff, 0, 600}, Refused, "N27183 ", PortState::Behind, RouterWay::NatPmp},
        {{true, 0x64800000, 0, 600}, Refused, "N27183 ", PortState::Open, RouterWay::NatPmp},
    };
    for (const Case& c : cases)
    {
        SetUp();
        NatPmpAnswer = c.natPmp;
        UpnpAnswer = c.upnp;
        StepPortMap(map, Fake, 100);
        EXPECT_EQ(Calls, c.calls);
        EXPECT_EQ(map.state, c.state);
        EXPECT_EQ(map.way, c.way);
        EXPECT_LE(LastLease, 3600);
        EXPECT_GT(LastLease, 0); // never a permanent mapping
    }
    // Closed stays closed: the router is not asked again.
    SetUp();
    StepPortMap(map, Fake, 100);
    Calls.clear();
    EXPECT_GE(StepPortMap(map, Fake, 100000), 3600u);
    EXPECT_EQ(Calls, "");
}

TEST_F(PortMapTest, RenewsHalfwayThroughTheGrantedLease)
{
    NatPmpAnswer = {true, Public, 27200, 600};
    EXPECT_EQ(StepPortMap(map, Fake, 1000), 300u);
    EXPECT_EQ(map.publicPort, 27200); // the router chose another outside port
    Calls.clear();
    EXPECT_EQ(StepPortMap(map, Fake, 1299), 1u); // not yet due: nothing asked
    EXPECT_EQ(Calls, "");
    EXPECT_EQ(StepPortMap(map, Fake, 1300), 300u);
    EXPECT_EQ(Calls, "N27183 ");
    // A lease of 0 from UPnP means the one asked for.
    SetUp();
    UpnpAnswer = {true, Public, 0, 0};
    EXPECT_EQ(StepPortMap(map, Fake, 0), 1800u);
    EXPECT_EQ(map.publicPort, 27183);
}

TEST_F(PortMapTest, ARefusedRenewalTriesTheOtherWayAfterRemovingWhatIsLeft)
{
    UpnpAnswer = {true, Public, 0, 0};
    StepPortMap(map, Fake, 0);
    Calls.clear();
    UpnpAnswer = Refused;
    NatPmpAnswer = {true, Public, 0, 3600};
    StepPortMap(map, Fake, 1800);
    EXPECT_EQ(Calls, "U27183 -U27183 N27183 ");
    EXPECT_EQ(map.way, RouterWay::NatPmp);
    Calls.clear();
    NatPmpAnswer = Refused;
    StepPortMap(map, Fake, 3600);
    EXPECT_EQ(Calls, "N27183 -N27183 N27183 U27183 ");
    EXPECT_EQ(map.state, PortState::Closed);
}

TEST_F(PortMapTest, EndRemovesOnlyWhatIsHeld)
{
    EndPortMap(map, Fake);
    EXPECT_EQ(Calls, "");
    UpnpAnswer = {true, Public, 0, 0};
    StepPortMap(map, Fake, 0);
    Calls.clear();
    EndPortMap(map, Fake);
    EndPortMap(map, Fake);
    EXPECT_EQ(Calls, "-U27183 ");
}

TEST_F(PortMapTest, TheThreadMapsAtOnceAndRemovesTheMappingWhenStopped)
{
    UpnpAnswer = {true, Public, 0, 0};
    StartPortMapping(Fake, 4000);
    for (int n = 0; n < 500 && PortMappingState() == PortState::Asking; ++n)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(PortMappingState(), PortState::Open);
    EXPECT_EQ(PortMappingAddress(), Public);
    EXPECT_EQ(PortMappingPublicPort(), 4000);
    StopPortMapping();
    EXPECT_EQ(Calls, "N4000 U4000 -U4000 ");
}
} // namespace
