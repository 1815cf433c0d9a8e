// The friend's choice of path with a meeting point named, wired as the game runs it: the home
// network's search, the knock at a meeting point in memory (tests/meet/fake_meet_link.h), and
// the network's link faked here, so that every connection the choice asks for is seen. A home
// host that is proving the code keeps its turn when the meeting point answers; the answer's
// addresses are tried one after another, then the game goes relayed; a meeting point that
// cannot be reached is told once and the home network's path goes on.
#include "app/meeting.h"
#include "app/online.h"
#include "app/reach.h"
#include "net/home_search.h"
#include "net/link.h"
#include "net/meet_play.h"
#include "tests/meet/fake_meet_link.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
constexpr char CodeText[] = "k3m9xq2tvw";
constexpr std::uint32_t Own = 0xc0a80214;        // 192.168.2.20, the friend's own address
constexpr std::uint32_t HomeHost = 0xc0a80207;   // 192.168.2.7, a host on its home network
constexpr std::uint32_t PublicHost = 0x05050501; // 5.5.5.1, the host's router, port opened
constexpr std::uint32_t OtherHome = 0xc0a80105;  // 192.168.1.5, the host's own, another home

std::vector<std::string> Connections; // what the game asked the link to connect to, in order
int Closed;                           // and how often it closed it

std::FILE* Out;
std::FILE* Err;

std::string Said(std::FILE* file)
{
    std::fflush(file);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

// One iteration of the friend's loop, in the game's order.
void Iterate(unsigned now)
{
    TickMeetPlay(now);
    LinkEvent event;
    while (PollMeetPlay(event))
    {
        HandleOnlineEvent(event, now);
    }
    TickOnline(now);
    const SearchStep step = TickHomeJoin(now);
    if (step.order == SearchOrder::Connect)
    {
        CloseLink();
        char text[AddressTextBytes];
        FormatAddress(step.host.address, text);
        JoinFoundHost(OpenFriendLink(text, step.host.port), now);
    }
    RunMeeting(Out, Err, {PortState::Asking, 0, 0}, now);
}

// An event of the network's own link for the host being joined.
void LinkHears(LinkEventType type, unsigned now)
{
    LinkEvent event = {};
    event.type = type;
    HandleOnlineEvent(event, now);
}

// The host at the meeting point: answers the friend's knock with these addresses.
MeetHost Host;
void AnswerKnock(const std::vector<MeetAddress>& addresses, unsigned now)
{
    StartMeetHost(Host, FriendSide.key);
    SetMeetAddresses(Host, addresses.data(), static_cast<int>(addresses.size()));
    static unsigned char out[MaxMeetPayload], plain[MaxMeetPlain];
    for (const FakeMessage& sent : FakeSent)
    {
        const MeetHostHeard heard =
            HearAtHost(Host, sent.bytes.data(), sent.bytes.size(), now, out, plain);
        if (heard.what == MeetHeard::Answer)
        {
            DeliverFake(Host.conversations[heard.conversation].subject,
                        std::vector<unsigned char>(out, out + heard.size));
        }
    }
    FakeSent.clear();
}

// The friend joining with the code alone at time 0, the meeting point's line as given; the home
// network's search has heard the host at home when one is given.
void StartFriend(MeetLine line, std::uint32_t homeHost)
{
    EndMeetPlay();
    ResetFakeMeet();
    ClearLinkOrders();
    Connections.clear();
    Closed = 0;
    Out = std::tmpfile();
    Err = std::tmpfile();
    JoinCode code;
    ASSERT_TRUE(ParseJoinCode(CodeText, code));
    StartHomeJoin(code, 0);
    ASSERT_TRUE(StartMeetingJoin(Err, "meet.example", 4222, code, &Own, 1, 0));
    SetFakeLine(line);
    if (homeHost != 0)
    {
        unsigned char answer[SearchBytes];
        HearHomeAnswer(homeHost, answer, EncodeSearchAnswer(DefaultPort, answer), 0);
    }
    Iterate(0);
}
} // namespace

bool OpenFriendLink(const char* address, int port)
{
    Connections.push_back(std::string(address) + ":" + std::to_string(port));
    return true;
}

void CloseLink()
{
    ++Closed;
}

TEST(Meeting, AHomeHostProvingTheCodeKeepsItsTurnThenTheAnswersAddressesThenRelayed)
{
    StartFriend(MeetLine::Up, HomeHost);
    Iterate(SearchGatherMs); // the home host found: connected to, and it proves the code
    ASSERT_EQ(Connections, std::vector<std::string>{"192.168.2.7:27183"});
    LinkHears(LinkEventType::Connected, SearchGatherMs);
    ASSERT_EQ(FriendSide.stage, FriendStage::Knocking);

    // The meeting point answers meanwhile: the home host goes on proving, nothing else is tried.
    AnswerKnock({{PublicHost, 27183}, {Own, 27183}, {OtherHome, 27183}, {HomeHost + 1, 27190}},
                400);
    Iterate(400);
    ASSERT_EQ(MeetJoin().stage, MeetStage::Answered);
    Iterate(600);
    EXPECT_EQ(Connections.size(), 1u);
    EXPECT_EQ(FriendSide.stage, FriendStage::Knocking);

    // That host turns out to be another game's: the answer's addresses worth trying go in turn
    // (not the friend's own, nor another home's), each for its share of the time.
    LinkHears(LinkEventType::Disconnected, 700);
    Iterate(700);
    ASSERT_EQ(Connections.size(), 2u);
    EXPECT_EQ(Connections[1], "5.5.5.1:27183");
    Iterate(700 + DirectTryMs / 2 - 1);
    EXPECT_EQ(Connections.size(), 2u);
    Iterate(700 + DirectTryMs / 2);
    ASSERT_EQ(Connections.size(), 3u);
    EXPECT_EQ(Connections[2], "192.168.2.8:27190");
    EXPECT_FALSE(JoinedRelayed());

    // Neither answered in time: relayed, the link closed, the session started anew.
    const int closed = Closed;
    Iterate(700 + DirectTryMs);
    EXPECT_TRUE(JoinedRelayed());
    EXPECT_EQ(Closed, closed + 1);
    EXPECT_EQ(Connections.size(), 3u);
    EXPECT_EQ(FriendSide.stage, FriendStage::Connecting);
    LinkEvent event;
    ASSERT_TRUE(PollMeetPlay(event));
    EXPECT_EQ(event.type, LinkEventType::Connected);
    EXPECT_EQ(Said(Err), "");
    EndMeetPlay();
}

TEST(Meeting, AnAddressThatRefusesForGoodEndsTheJoinAndOneThatLetsInIsPlayedDirect)
{
    StartFriend(MeetLine::Up, 0);
    AnswerKnock({{PublicHost, 27183}, {PublicHost, 27184}}, 100);
    Iterate(100);
    ASSERT_EQ(Connections, std::vector<std::string>{"5.5.5.1:27183"});
    // Another friend plays there: told, and nothing more is tried, relayed neither.
    EndFriendSession(FriendSide, FriendNotice::GameFull, false, ReasonNone, 150);
    Iterate(150);
    Iterate(100 + DirectTryMs);
    EXPECT_EQ(Connections.size(), 1u);
    EXPECT_FALSE(JoinedRelayed());

    // The first address lets us in: played direct, said once, and nothing else is tried.
    StartFriend(MeetLine::Up, 0);
    AnswerKnock({{PublicHost, 27183}, {PublicHost, 27184}}, 100);
    Iterate(100);
    FriendSide.stage = FriendStage::Joined; // the host's welcome came
    Iterate(200);
    Iterate(100 + DirectTryMs);
    EXPECT_EQ(Connections.size(), 1u);
    EXPECT_FALSE(JoinedRelayed());
    EXPECT_EQ(Said(Out), "tumblequay: joined, direct\n");

    // A host with no address to try: relayed at once.
    StartFriend(MeetLine::Up, 0);
    AnswerKnock({{OtherHome, 27183}}, 100);
    Iterate(100);
    EXPECT_TRUE(Connections.empty());
    EXPECT_TRUE(JoinedRelayed());
    EndMeetPlay();
}

TEST(Meeting, AMeetingPointThatCannotBeReachedIsToldOnceAndTheHomeNetworkGoesOn)
{
    StartFriend(MeetLine::Refused, HomeHost);
    Iterate(100);
    Iterate(SearchGatherMs);
    Iterate(SearchGatherMs + 100);
    const std::string said = Said(Err);
    EXPECT_EQ(said.find("tumblequay: the meeting point meet.example:4222 cannot be reached"), 0u)
        << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1); // one line, once
    // The home network's host is still joined, and nothing of the meeting point's path runs.
    EXPECT_EQ(Connections, std::vector<std::string>{"192.168.2.7:27183"});
    LinkHears(LinkEventType::Connected, SearchGatherMs + 100);
    Iterate(SearchGatherMs + 200);
    EXPECT_EQ(FriendSide.stage, FriendStage::Knocking);
    EXPECT_FALSE(JoinedRelayed());
    EndMeetPlay();
}
