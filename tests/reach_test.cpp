// Reaching the game: the search answer's checked reading, the friend's search and its tries
// of the hosts that answered, and the host's words on standard output.
#include "app/online.h"
#include "app/reach.h"
#include "app/shell.h"
#include "display/canvas.h"
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

// The game's own port and the router's answers are told as the end-to-end tests read them,
// and the port's word on the title screen is seen there; here another port, and not asking
// the router at all. In a match the band shows no word.
TEST(HostWords, AnotherPortAndNoRouter)
{
    JoinCode code;
    ParseJoinCode("k3m9xq2tvw", code);
    const std::uint32_t own[] = {0xc0a84d02};
    std::FILE* out = std::tmpfile();
    TellHosting(out, 4000, code, own, 1, false);
    WatchPortMap(out, PortState::Closed, 0, 0);
    EXPECT_EQ(Told(out),
              "tumblequay: hosting on UDP port 4000; a friend on this home network joins with:\n"
              "tumblequay --join 192.168.77.2:4000 k3m9xq2tvw\n"
              "tumblequay: the router is not asked to open UDP port 4000\n");
    out = std::tmpfile();
    TellHosting(out, 4000, code, nullptr, 0, true);
    WatchPortMap(out, PortState::Asking, 0, 0);
    WatchPortMap(out, PortState::Behind, 0x64400001, 4000);
    WatchPortMap(out, PortState::Open, Public, 4000);
    const std::string behind = Told(out);
    EXPECT_NE(behind.find("\ntumblequay --join ADDRESS:4000 k3m9xq2tvw\n"), std::string::npos);
    EXPECT_EQ(behind.find("internet joins"), std::string::npos); // the first answer is told once
    MatchRunning = true;
    ClearCanvas();
    DrawPortWord();
    MatchRunning = false;
    EXPECT_EQ(std::count(ScreenCells, ScreenCells + CanvasCells, 0), CanvasCells);
}
} // namespace
