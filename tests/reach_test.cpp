// Reaching the game: the search answer's checked reading, the friend's search and its tries
// of the hosts that answered, and the host's words on standard output.
#include "app/online.h"
#include "app/reach.h"
#include "app/shell.h"
#include "display/canvas.h"
#include "display/font.h"
#include "net/link_orders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
constexpr std::uint32_t HostA = 0x0a4d0001; // 10.77.0.1
constexpr std::uint32_t HostB = 0x0a4d0003;
constexpr std::uint32_t Public = 0x05050501;

std::vector<unsigned char> Answer(int port)
{
    std::vector<unsigned char> bytes(SearchBytes + 1, 0xee); // a guard tail
    EXPECT_EQ(EncodeSearchAnswer(port, bytes.data()), SearchBytes);
    EXPECT_EQ(bytes[SearchBytes], 0xee);
    bytes.pop_back();
    return bytes;
}

TEST(HomeSearch, AnAnswerIsCheckedWhole)
{
    int port = 0;
    unsigned char search[SearchBytes + 1] = {};
    EXPECT_EQ(EncodeSearch(search), SearchBytes);
    EXPECT_TRUE(IsSearch(search, SearchBytes) && !IsSearch(search, SearchBytes + 1));
    EXPECT_FALSE(IsSearch(Answer(27183).data(), SearchBytes));
    // Each byte changed but the port's is refused, and so are a port of 0 and every other
    // length; the port read is left as it was.
    for (int n = 0; n <= SearchBytes + 2; ++n)
    {
        std::vector<unsigned char> bytes = Answer(n == SearchBytes + 2 ? 0 : 27183);
        bytes.resize(n == SearchBytes ? SearchBytes - 1 : n == SearchBytes + 1 ? 17 : SearchBytes);
        bytes[n % SearchBytes] ^= n < SearchBytes ? 1 : 0;
        port = -1;
        EXPECT_EQ(DecodeSearchAnswer(bytes.data(), bytes.size(), port), n == 12 || n == 13) << n;
        EXPECT_EQ(port, n == 12 || n == 13 ? 27183 ^ (n == 12 ? 256 : 1) : -1) << n;
    }
}

void Hear(std::uint32_t address, int port, unsigned now)
{
    HearHomeAnswer(address, Answer(port).data(), SearchBytes, now);
}

TEST(HomeJoin, TriesEachHostThatAnsweredOnceUntilOneLetsItInAndSaysWhenNoneAnswered)
{
    JoinCode code;
    ParseJoinCode("abcdefghjk", code);
    StartHomeJoin(code, 0);
    EXPECT_EQ(TickHomeJoin(0).order, SearchOrder::Broadcast);
    EXPECT_EQ(TickHomeJoin(SearchResendMs - 1).order, SearchOrder::None);
    EXPECT_EQ(TickHomeJoin(SearchResendMs).order, SearchOrder::Broadcast); // a lost one again
    Hear(HostA, 27183, 600);
    Hear(HostA, 27183, 650); // heard through two broadcasts: one host
    Hear(HostB, 4000, 700);
    EXPECT_EQ(TickHomeJoin(600 + SearchGatherMs - 1).order, SearchOrder::None);
    SearchStep step = TickHomeJoin(600 + SearchGatherMs);
    EXPECT_TRUE(step.order == SearchOrder::Connect && step.host.address == HostA);
    Hear(0x0a4d0009, 27183, 950); // too late to be tried
    JoinFoundHost(true, 950);
    CodeKey key;
    ASSERT_TRUE(DeriveCodeKey(code, key));
    EXPECT_EQ(std::memcmp(FriendSide.key.bytes, key.bytes, CodeKeyBytes), 0); // the code's key
    EXPECT_EQ(TickHomeJoin(1000).order, SearchOrder::None); // waiting for the host
    EndFriendSession(FriendSide, FriendNotice::WrongCode, true, ReasonWrongCode, 1100);
    step = TickHomeJoin(1100);
    EXPECT_TRUE(step.order == SearchOrder::Connect && step.host.address == HostB &&
                step.host.port == 4000);
    JoinFoundHost(false, 1100); // could not even be asked: nobody is left to try
    EXPECT_EQ(TickHomeJoin(1200).order, SearchOrder::None);
    EXPECT_EQ(FriendSide.notice, FriendNotice::NoSuchHost);

    // Nobody answering says no game; Escape ends the search.
    StartHomeJoin(code, 0);
    TickHomeJoin(0);
    EXPECT_EQ(TickHomeJoin(SearchWaitMs - 1).order, SearchOrder::Broadcast);
    EXPECT_EQ(TickHomeJoin(SearchWaitMs).order, SearchOrder::NoGame);
    EXPECT_EQ(FriendSide.notice, FriendNotice::NoGame);
    StartHomeJoin(code, 0);
    EndFriendSession(FriendSide, FriendNotice::None, true, ReasonLeft, 10);
    Hear(HostA, 27183, 20);
    EXPECT_EQ(TickHomeJoin(SearchGatherMs + 20).order, SearchOrder::None);
    Role = OnlineRole::Offline; // as the other tests find it
    FriendSide = {};
    ClearLinkOrders();
}

// What the host told on standard output, as far as it has gone out when telling is done.
std::string Told(std::FILE* out)
{
    char text[1024] = "";
    text[std::max(pread(fileno(out), text, sizeof text - 1, 0), ssize_t{0})] = '\0';
    std::fclose(out);
    return text;
}

// The band's word for the port, as the title screen shows it: its cells above the code.
std::vector<unsigned char> PortWord()
{
    ClearCanvas();
    DrawPortWord();
    return {ScreenCells, ScreenCells + CanvasCells};
}

std::vector<unsigned char> Word(const char* word)
{
    ClearCanvas();
    DrawText(word, 16 - TextWidth(word) / 2, 48, 1, 1);
    return {ScreenCells, ScreenCells + CanvasCells};
}

// The game's own port and the router's first answers are told as the end-to-end tests read
// them; here another port, and not asking the router at all, which both the band and standard
// output call closed. Every later change is told too (a renewal refused, the port had again
// on another outside port), and the band follows; in a match the band shows no word.
TEST(HostWords, EveryAnswerOfTheRouterIsToldOnceAndTheBandAgrees)
{
    JoinCode code;
    ParseJoinCode("k3m9xq2tvw", code);
    const std::uint32_t own[] = {0xc0a84d02};
    std::FILE* out = std::tmpfile();
    TellHosting(out, 4000, code, own, 1, false);
    WatchPortMap(out, {PortState::Closed, 0, 0});
    EXPECT_EQ(PortWord(), Word("closed"));
    EXPECT_EQ(Told(out),
              "tumblequay: hosting on UDP port 4000; a friend on this home network joins with:\n"
              "tumblequay --join 192.168.77.2:4000 k3m9xq2tvw\n"
              "tumblequay: the router is not asked to open UDP port 4000, which stays closed to "
              "the internet\n");
    out = std::tmpfile();
    TellHosting(out, 4000, code, nullptr, 0, true);
    EXPECT_EQ(PortWord(), Word("asking"));
    WatchPortMap(out, {PortState::Asking, 0, 0});
    WatchPortMap(out, {PortState::Open, Public, 4000});
    WatchPortMap(out, {PortState::Open, Public, 4000});
    EXPECT_EQ(PortWord(), Word("open"));
    WatchPortMap(out, {PortState::Lost, Public, 4000});
    WatchPortMap(out, {PortState::Lost, Public, 4000});
    EXPECT_EQ(PortWord(), Word("closed"));
    WatchPortMap(out, {PortState::Open, Public, 4001});
    WatchPortMap(out, {PortState::Shared, 0x64400001, 4001});
    const std::string told = Told(out);
    EXPECT_EQ(told.substr(told.find("\ntumblequay --join ADDRESS:4000")),
              "\ntumblequay --join ADDRESS:4000 k3m9xq2tvw\n"
              "tumblequay: asking the router to open UDP port 4000 to the internet\n"
              "tumblequay: the router opened the port; a friend on the internet joins with:\n"
              "tumblequay --join 5.5.5.1:4000 k3m9xq2tvw\n"
              "tumblequay: the router no longer keeps UDP port 4000 open: the command given for a "
              "friend on the internet no longer works; asking it again every minute\n"
              "tumblequay: the router opened the port; a friend on the internet joins with:\n"
              "tumblequay --join 5.5.5.1:4001 k3m9xq2tvw\n"
              "tumblequay: this line has no address of its own on the internet (a carrier's "
              "shared one): no port can be opened from it, by the router or by hand; friends on "
              "this home network can still join, and a friend on the internet can host instead\n");
    MatchRunning = true;
    EXPECT_EQ(PortWord(), Word(""));
    MatchRunning = false;
}
// Why a join ended is told once in one line, as the band shows it for a moment: the last host
// of a search that did not take the code, and a search nobody answered; nothing while a search
// goes on to the next host, nor on the host's side.
TEST(FriendWords, EachEndOfAJoinIsToldOnce)
{
    JoinCode code;
    ParseJoinCode("abcdefghjk", code);
    std::FILE* out = std::tmpfile();
    StartHomeJoin(code, 0);
    TickHomeJoin(0);
    Hear(HostA, 27183, 100);
    Hear(HostB, 27183, 100);
    JoinFoundHost(TickHomeJoin(100 + SearchGatherMs).order == SearchOrder::Connect, 400);
    TellFriendNotice(out);
    EndFriendSession(FriendSide, FriendNotice::WrongCode, true, ReasonWrongCode, 500);
    JoinFoundHost(TickHomeJoin(500).order == SearchOrder::Connect, 500); // the next host
    TellFriendNotice(out);
    EndFriendSession(FriendSide, FriendNotice::NoAnswer, true, ReasonLeft, 600);
    TickHomeJoin(600);
    TellFriendNotice(out);
    TellFriendNotice(out);
    StartHomeJoin(code, 1000);
    TickHomeJoin(1000);
    TickHomeJoin(1000 + SearchWaitMs);
    TellFriendNotice(out);
    Role = OnlineRole::Hosting;
    TellFriendNotice(out);
    EXPECT_EQ(Told(out), "tumblequay: no answer: the host did not answer or did not let this game "
                         "in\ntumblequay: no game found on the home network\n");
    Role = OnlineRole::Offline; // as the other tests find it
    FriendSide = {};
    ClearLinkOrders();
}
} // namespace
