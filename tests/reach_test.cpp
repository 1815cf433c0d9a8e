// Reaching the game: the home search's datagrams and steps, the friend's tries of the hosts
// that answered, the host's words on standard output, and --join with the code alone.
#include "app/online.h"
#include "app/options.h"
#include "app/reach.h"
#include "net/link_orders.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
constexpr std::uint32_t HostA = 0x0a4d0001; // 10.77.0.1
constexpr std::uint32_t HostB = 0x0a4d0003;

std::vector<unsigned char> Answer(int port)
{
    std::vector<unsigned char> bytes(SearchBytes);
    EncodeSearchAnswer(port, bytes.data());
    return bytes;
}

TEST(HomeSearch, DatagramsAreCheckedWholeAndWriteNothingPastThemselves)
{
    unsigned char buffer[SearchBytes + 4];
    std::fill(buffer, buffer + sizeof buffer, 0xee);
    EXPECT_EQ(EncodeSearch(buffer), SearchBytes);
    EXPECT_TRUE(IsSearch(buffer, SearchBytes));
    EXPECT_FALSE(IsSearch(buffer, SearchBytes - 1));
    EXPECT_EQ(EncodeSearchAnswer(27183, buffer), SearchBytes);
    EXPECT_EQ(buffer[SearchBytes], 0xee);        // the guard tail
    EXPECT_FALSE(IsSearch(buffer, SearchBytes)); // an answer is no search
    int port = 0;
    EXPECT_TRUE(DecodeSearchAnswer(buffer, SearchBytes, port));
    EXPECT_EQ(port, 27183);

    // Each byte changed, and each length but the right one, is refused; the port is kept.
    for (int n = 0; n < SearchBytes; ++n)
    {
        if (n == 12 || n == 13)
        {
            continue; // the port's bytes: any port but 0 is one
        }
        std::vector<unsigned char> bad = Answer(27183);
        bad[n] ^= 1;
        port = -1;
        EXPECT_FALSE(DecodeSearchAnswer(bad.data(), bad.size(), port)) << "byte " << n;
        EXPECT_EQ(port, -1);
    }
    std::vector<unsigned char> longer = Answer(27183);
    longer.push_back(0);
    EXPECT_FALSE(DecodeSearchAnswer(longer.data(), longer.size(), port));
    EXPECT_FALSE(DecodeSearchAnswer(longer.data(), SearchBytes - 1, port));
    EXPECT_FALSE(DecodeSearchAnswer(Answer(0).data(), SearchBytes, port));
}

TEST(HomeSearch, BroadcastsUntilAnswersGatherThenTriesEachHostOnce)
{
    HomeSearch search;
    StartHomeSearch(search, 1000);
    EXPECT_EQ(TickHomeSearch(search, 1000).order, SearchOrder::Broadcast);
    EXPECT_EQ(TickHomeSearch(search, 1499).order, SearchOrder::None);
    EXPECT_EQ(TickHomeSearch(search, 1500).order, SearchOrder::Broadcast);
    const auto a = Answer(27183);
    const auto b = Answer(4000);
    HearSearchAnswer(search, HostA, a.data(), a.size(), 1600);
    HearSearchAnswer(search, HostA, a.data(), a.size(), 1650); // heard twice, counted once
    HearSearchAnswer(search, HostB, b.data(), b.size(), 1700);
    HearSearchAnswer(search, HostB, a.data(), 3, 1700); // not an answer
    EXPECT_EQ(search.count, 2);
    EXPECT_EQ(TickHomeSearch(search, 1899).order, SearchOrder::None);
    SearchStep step = TickHomeSearch(search, 1900);
    EXPECT_EQ(step.order, SearchOrder::Connect);
    EXPECT_EQ(step.host.address, HostA);
    HearSearchAnswer(search, 0x0a4d0009, a.data(), a.size(), 1950); // too late
    step = NextFoundHost(search);
    EXPECT_EQ(step.order, SearchOrder::Connect);
    EXPECT_EQ(step.host.address, HostB);
    EXPECT_EQ(step.host.port, 4000);
    EXPECT_EQ(NextFoundHost(search).order, SearchOrder::None);
    EXPECT_EQ(search.stage, SearchStage::Done);

    StartHomeSearch(search, 0);
    TickHomeSearch(search, 0);
    EXPECT_EQ(TickHomeSearch(search, SearchWaitMs).order, SearchOrder::NoGame);
    EXPECT_EQ(TickHomeSearch(search, SearchWaitMs + 600).order, SearchOrder::None);
}

class HomeJoin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearLinkOrders();
        ParseJoinCode("abcdefghjk", code);
        StartHomeJoin(code, 0);
    }
    void TearDown() override
    {
        ClearLinkOrders();
        Role = OnlineRole::Offline;
        FriendSide = {};
    }
    JoinCode code;
};

TEST_F(HomeJoin, TriesTheNextHostWhenOneTurnsUsAwayAndStopsOnceIn)
{
    EXPECT_EQ(FriendSide.stage, FriendStage::Connecting); // "joining" shows meanwhile
    EXPECT_EQ(TickHomeJoin(0).order, SearchOrder::Broadcast);
    const auto answer = Answer(27183);
    HearHomeAnswer(HostA, answer.data(), SearchBytes, 100);
    HearHomeAnswer(HostB, answer.data(), SearchBytes, 120);
    SearchStep step = TickHomeJoin(400);
    ASSERT_EQ(step.order, SearchOrder::Connect);
    JoinFoundHost(true, 400);
    EXPECT_EQ(TickHomeJoin(500).order, SearchOrder::None); // connecting: wait for the host
    EndFriendSession(FriendSide, FriendNotice::WrongCode, true, ReasonWrongCode, 600);
    step = TickHomeJoin(600);
    ASSERT_EQ(step.order, SearchOrder::Connect);
    EXPECT_EQ(step.host.address, HostB);
    JoinFoundHost(true, 600);
    EXPECT_EQ(FriendSide.stage, FriendStage::Connecting);
    EXPECT_TRUE(SameJoinCode(FriendSide.code, code));
    FriendSide.stage = FriendStage::Joined;
    EXPECT_EQ(TickHomeJoin(700).order, SearchOrder::None);
    FriendSide.stage = FriendStage::Off; // the host left later: no search starts again
    FriendSide.notice = FriendNotice::HostLeft;
    EXPECT_EQ(TickHomeJoin(800).order, SearchOrder::None);
}

TEST_F(HomeJoin, NoAnswerSaysNoGameAndTheLastRefusalStays)
{
    TickHomeJoin(0);
    EXPECT_EQ(TickHomeJoin(SearchWaitMs).order, SearchOrder::NoGame);
    EXPECT_EQ(FriendSide.stage, FriendStage::Off);
    EXPECT_EQ(FriendSide.notice, FriendNotice::NoGame);

    SetUp();
    const auto answer = Answer(27183);
    HearHomeAnswer(HostA, answer.data(), SearchBytes, 10);
    ASSERT_EQ(TickHomeJoin(SearchGatherMs + 10).order, SearchOrder::Connect);
    JoinFoundHost(false, 400); // the edge could not ask for the connection
    EXPECT_EQ(TickHomeJoin(500).order, SearchOrder::None);
    EXPECT_EQ(FriendSide.notice, FriendNotice::NoSuchHost);

    // Escape while searching: nothing is broadcast or joined after it.
    SetUp();
    EndFriendSession(FriendSide, FriendNotice::None, true, ReasonLeft, 10);
    HearHomeAnswer(HostA, answer.data(), SearchBytes, 20);
    EXPECT_EQ(TickHomeJoin(SearchGatherMs + 20).order, SearchOrder::None);
}

std::string Told(void (*tell)(std::FILE*))
{
    std::FILE* out = std::tmpfile();
    tell(out);
    std::rewind(out);
    std::string text;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out))
    {
        text += static_cast<char>(c);
    }
    std::fclose(out);
    return text;
}

TEST(HostWords, HomeCommandsThenTheRoutersAnswerOnce)
{
    static JoinCode code;
    ParseJoinCode("k3m9xq2tvw", code);
    EXPECT_EQ(Told(
                  [](std::FILE* out)
                  {
                      const std::uint32_t own[] = {0xc0a84d02, 0x0a000005};
                      TellHosting(out, 27183, code, own, 2, true);
                  }),
              "tumblequay: hosting on UDP port 27183; a friend on this home network joins with:\n"
              "tumblequay --join k3m9xq2tvw\n"
              "tumblequay --join 192.168.77.2:27183 k3m9xq2tvw\n"
              "tumblequay --join 10.0.0.5:27183 k3m9xq2tvw\n"
              "tumblequay: asking the router to open UDP port 27183 to the internet\n");
    EXPECT_EQ(Told([](std::FILE* out) { WatchPortMap(out, PortState::Asking, 0, 0); }), "");
    EXPECT_EQ(Told([](std::FILE* out) { WatchPortMap(out, PortState::Open, 0x05050501, 27200); }),
              "tumblequay: the router opened the port; a friend on the internet joins with:\n"
              "tumblequay --join 5.5.5.1:27200 k3m9xq2tvw\n");
    EXPECT_EQ(Told([](std::FILE* out) { WatchPortMap(out, PortState::Open, 0x05050501, 27200); }),
              ""); // told once

    // Another port: no command with the code alone, since a search looks on the default one.
    const std::string closed = Told(
        [](std::FILE* out)
        {
            TellHosting(out, 4000, code, nullptr, 0, true);
            WatchPortMap(out, PortState::Closed, 0, 0);
        });
    EXPECT_NE(closed.find("\ntumblequay --join ADDRESS:4000 k3m9xq2tvw\n"), std::string::npos);
    EXPECT_EQ(closed.find("--join k3m9xq2tvw"), std::string::npos);
    EXPECT_NE(closed.find("forward UDP port 4000 to this machine by hand; friends on this home "
                          "network can still join\n"),
              std::string::npos);

    // Not asking the router: nothing more is told, whatever the port map's state.
    EXPECT_EQ(Told(
                  [](std::FILE* out)
                  {
                      TellHosting(out, 27183, code, nullptr, 0, false);
                      WatchPortMap(out, PortState::Closed, 0, 0);
                  }),
              "tumblequay: hosting on UDP port 27183; a friend on this home network joins with:\n"
              "tumblequay --join k3m9xq2tvw\n"
              "tumblequay: the router is not asked to open UDP port 27183\n");
}

TEST(HomeJoinOptions, TheCodeAloneSearches)
{
    const struct
    {
        std::vector<const char*> arguments;
        bool play;
        const char* address;
    } cases[] = {
        {{"--join", "abcdefghjk"}, true, ""},
        {{"--join", "abcdefghjk", "--window"}, true, ""},
        {{"--join", "ABCDEFGHJK", "abcdefghjk"},
         true,
         "ABCDEFGHJK"}, // a name that looks like a code
        {{"--join", "abcdefghj"}, false, ""},
        {{"--join", "abcdefghjk", "--join", "abcdefghjk"}, false, ""},
    };
    for (const auto& c : cases)
    {
        std::vector<const char*> argv = {"tumblequay"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const Options options = ParseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.request == StartRequest::Play, c.play) << c.arguments[1];
        if (c.play)
        {
            EXPECT_TRUE(options.join);
            EXPECT_STREQ(options.address, c.address);
        }
    }
}
} // namespace
