// Tests of online play's decisions: who the host lets in, what the friend's side does with
// what arrives, whose keys act in whose turn, and the command line that starts it.
#include "app/online.h"
#include "app/options.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "net/frame_stream.h"
#include "net/link.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
class Online : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetShell();
        InitStatusHandoff();
        InitPalette();
        ClearLinkOrders();
        ParseJoinCode("abcdefghjk", code);
        StartHostSession(host, code);
    }
    void TearDown() override
    {
        ResetShell();
        ClearLinkOrders();
    }

    // The orders queued by the last call, as "send P kind" and "drop P reason", then cleared.
    std::string Orders()
    {
        std::string text;
        for (int n = 0; n < LinkOrderCount; ++n)
        {
            const LinkOrder& order = LinkOrders[n];
            text += order.type == LinkOrderType::Send
                        ? "send " + std::to_string(order.peer) + " " +
                              std::to_string(LinkOrderData[order.offset]) + ";"
                        : "drop " + std::to_string(order.peer) + " " +
                              std::to_string(order.reason) + ";";
        }
        ClearLinkOrders();
        return text;
    }

    HostInput Event(LinkEventType type, int peer, unsigned now,
                    std::vector<unsigned char> bytes = {}, int channel = ReliableChannel,
                    std::uint32_t address = 0)
    {
        received = bytes;
        const LinkEvent event = {type,
                                 peer,
                                 address != 0 ? address : 1000u + static_cast<unsigned>(peer),
                                 channel,
                                 received.data(),
                                 received.size(),
                                 0};
        return HandleHostEvent(host, event, now);
    }

    // A connection from an address that gives a code: the orders it got.
    std::string Knock(int peer, std::uint32_t address, unsigned now, const char* text)
    {
        Event(LinkEventType::Connected, peer, now, {}, ReliableChannel, address);
        if (LinkOrderCount == 0)
        {
            Event(LinkEventType::Received, peer, now, Hello(text), ReliableChannel, address);
        }
        const std::string orders = Orders();
        Event(LinkEventType::Disconnected, peer, now);
        return orders;
    }

    std::vector<unsigned char> Hello(const char* text)
    {
        JoinCode given;
        ParseJoinCode(text, given);
        unsigned char out[MaxShortMessageBytes];
        return std::vector<unsigned char>(out, out + EncodeHello(given, out));
    }

    JoinCode code;
    HostSession host;
    std::vector<unsigned char> received;
};

} // namespace

TEST_F(Online, TheHostLetsInOneFriendWithTheRightCodeAndSendsNothingBefore)
{
    Event(LinkEventType::Connected, 0, 0);
    Event(LinkEventType::Connected, 1, 0);
    Event(LinkEventType::Connected, 2, 0);
    Event(LinkEventType::Connected, 3, 0);
    EXPECT_EQ(Orders(), "");                                         // knocking: nothing goes out
    Event(LinkEventType::Received, 3, 0, {KindKey, 1, KeyCursorUp}); // a key before its code
    EXPECT_EQ(Orders(), "drop 3 4;");
    EXPECT_FALSE(Event(LinkEventType::Received, 0, 10, Hello("abcdefghjm")).joined);
    EXPECT_EQ(Orders(), "drop 0 2;"); // ReasonWrongCode
    EXPECT_TRUE(Event(LinkEventType::Received, 1, 10, Hello("ABCDEFGHJK")).joined);
    EXPECT_EQ(Orders(), "send 1 3;"); // KindWelcome
    EXPECT_EQ(FriendPeer(host), 1);

    Event(LinkEventType::Received, 2, 20, Hello("abcdefghjk")); // second in a race: full
    Event(LinkEventType::Connected, 0, 20); // and a new one while the friend plays
    EXPECT_EQ(Orders(), "drop 2 1;drop 0 1;");

    const HostInput key = Event(LinkEventType::Received, 1, 30, {KindKey, 1, KeyCursorLeft});
    EXPECT_TRUE(key.keyMoved && key.down && key.key == KeyCursorLeft);
    Event(LinkEventType::Received, 1, 30, {KindKey, 1, WireKeyCount}); // no such key: bad data
    EXPECT_EQ(Orders(), "drop 1 4;");
    EXPECT_EQ(FriendPeer(host), -1);
    EXPECT_FALSE(Event(LinkEventType::Received, 1, 30, {KindKey, 1, KeyCursorUp}).keyMoved);

    for (int peer = 0; peer < 4; ++peer)
    {
        Event(LinkEventType::Disconnected, peer, 40);
    }
    // A stranger's request that is never connected, and one connected late: the wait for
    // the code runs from the request. A goodbye unanswered as long is cut.
    Event(LinkEventType::Pending, 0, 100);
    Event(LinkEventType::Pending, 1, 100);
    Event(LinkEventType::Connected, 1, 100 + HelloWaitMs - 1);
    TickHostSession(host, 100 + HelloWaitMs - 1, 0);
    EXPECT_EQ(Orders(), "");
    TickHostSession(host, 100 + HelloWaitMs, 0);
    EXPECT_EQ(Orders(), "drop 0 0;drop 1 0;");
    Event(LinkEventType::Disconnected, 0, 200 + HelloWaitMs);
    TickHostSession(host, 100 + 2 * HelloWaitMs, 0);
    EXPECT_EQ(Orders(), "drop 1 0;");
}

TEST_F(Online, TheDoorKeepsItsWordHoweverManyAddressesGuess)
{
    // More addresses than the door once remembered take turns with wrong codes: each is
    // shut out after its fifth, for a minute from it.
    constexpr int Guessers = 40;
    for (int round = 0; round < WrongCodesAllowed; ++round)
    {
        for (int n = 0; n < Guessers; ++n)
        {
            ASSERT_EQ(Knock(n, 5000 + n, round * 100, "abcdefghjm"),
                      "drop " + std::to_string(n) + " 2;");
        }
    }
    for (int n = 0; n < Guessers; ++n)
    {
        EXPECT_EQ(Knock(n, 5000 + n, 1000, "abcdefghjk"), "drop " + std::to_string(n) + " 3;");
    }
    EXPECT_EQ(Knock(0, 5000, 400 + ShutOutMs, "abcdefghjm"), "drop 0 2;"); // the minute is over

    // Another version's hello has its own reason and is not counted, whatever its layout.
    for (int n = 0; n < WrongCodesAllowed; ++n)
    {
        Event(LinkEventType::Connected, 0, 2000, {}, ReliableChannel, 7000);
        Event(LinkEventType::Received, 0, 2000, {KindHello, ProtocolVersion + 1, 1, 2},
              ReliableChannel, 7000);
        EXPECT_EQ(Orders(), "drop 0 6;");
        Event(LinkEventType::Disconnected, 0, 2000);
    }
    EXPECT_EQ(Knock(0, 7000, 2000, "abcdefghjk"), "send 0 3;");
    Event(LinkEventType::Disconnected, 0, 2000);

    // A door full of addresses guessing within the minute refuses new ones, forgetting
    // none; a minute after their last guess, there is room again.
    StartHostSession(host, code);
    for (int n = 0; n < DoorEntries; ++n)
    {
        ASSERT_EQ(Knock(n, 9000 + n, 0, "abcdefghjm"), "drop " + std::to_string(n) + " 2;");
    }
    EXPECT_EQ(Knock(0, 8000, 10, "abcdefghjk"), "drop 0 3;");
    EXPECT_EQ(Knock(1, 9001, 10, "abcdefghjk"), "send 1 3;");
    Event(LinkEventType::Disconnected, 1, 10);
    EXPECT_EQ(Knock(0, 8000, ShutOutMs, "abcdefghjk"), "send 0 3;");
}

TEST_F(Online, TheFriendSidePlaysSoundsAndSaysWhyItEnded)
{
    FriendSession& side = FriendSide;
    unsigned char bytes[MaxMessageBytes];
    const auto deliver = [&](int size, int channel, unsigned now)
    {
        const LinkEvent event = {LinkEventType::Received,        0, 0, channel, bytes,
                                 static_cast<std::size_t>(size), 0};
        HandleFriendEvent(side, event, now);
    };
    StartFriendSession(side, code, 0);
    HandleFriendEvent(side, {LinkEventType::Connected, 0, 0, 0, nullptr, 0, 0}, 0);
    EXPECT_EQ(Orders(), "send 0 1;");                             // Hello
    deliver(EncodeFrame(0, ScreenCells, bytes), FrameChannel, 5); // overtook the welcome
    deliver(3, ReliableChannel, 5);                               // anything at all
    EXPECT_EQ(side.stage, FriendStage::Knocking);
    EXPECT_FALSE(side.frameReady);
    EXPECT_EQ(Orders(), "");
    deliver(EncodeWelcome(bytes), ReliableChannel, 10);
    ASSERT_EQ(side.stage, FriendStage::Joined);
    SendFriendKey(side, KeyEscape, true);
    SendFriendKey(side, KeyD, false);
    EXPECT_EQ(Orders(), "send 0 2;");

    SamplesLoaded.store(false);
    const SoundMessage square = {SoundSquare, 440.0f, 0.4f, 0.6f, 0.0f};
    deliver(EncodeSounds(false, &square, 1, bytes), ReliableChannel, 30);
    EXPECT_FALSE(side.titleMusic);
    EXPECT_EQ(AudioStatusSlots[MainSlot].voiceCount, 1);
    EXPECT_TRUE(AudioStatusSlots[MainSlot].halveEcho); // the match began

    deliver(EncodeSounds(true, &square, 1, bytes), FrameChannel, 40); // on the wrong channel
    EXPECT_EQ(Orders(), "drop 0 4;");
    EXPECT_EQ(side.stage, FriendStage::Off);
    EXPECT_EQ(side.notice, FriendNotice::HostLeft);

    const struct
    {
        bool connected;
        unsigned reason;
        FriendNotice notice;
    } goodbyes[] = {{false, ReasonNone, FriendNotice::NoAnswer},
                    {true, ReasonFull, FriendNotice::GameFull},
                    {true, ReasonWrongCode, FriendNotice::WrongCode},
                    {true, ReasonShutOut, FriendNotice::ShutOut},
                    {true, ReasonOtherVersion, FriendNotice::OtherVersion}};
    for (const auto& goodbye : goodbyes)
    {
        StartFriendSession(side, code, 0);
        if (goodbye.connected)
        {
            HandleFriendEvent(side, {LinkEventType::Connected, 0, 0, 0, nullptr, 0, 0}, 0);
        }
        HandleFriendEvent(side, {LinkEventType::Disconnected, 0, 0, 0, nullptr, 0, goodbye.reason},
                          0);
        EXPECT_EQ(side.notice, goodbye.notice) << goodbye.reason;
    }
    StartFriendSession(side, code, 100);
    TickFriendSession(side, 100 + JoinWaitMs - 1, 0);
    EXPECT_TRUE(ShowsHost(side));
    TickFriendSession(side, 100 + JoinWaitMs, 0);
    EXPECT_EQ(side.notice, FriendNotice::NoAnswer);

    // Joined, a quiet host is away, then back, and after QuietGoneMs gone.
    StartFriendSession(side, code, 0);
    HandleFriendEvent(side, {LinkEventType::Connected, 0, 0, 0, nullptr, 0, 0}, 0);
    deliver(EncodeWelcome(bytes), ReliableChannel, 10);
    TickFriendSession(side, 20, QuietAwayMs - 1);
    EXPECT_FALSE(side.hostAway);
    TickFriendSession(side, 30, QuietAwayMs);
    EXPECT_TRUE(side.hostAway);
    TickFriendSession(side, 40, 0);
    EXPECT_FALSE(side.hostAway);
    TickFriendSession(side, 50, QuietGoneMs);
    EXPECT_EQ(side.notice, FriendNotice::HostLeft);
    ClearLinkOrders();
}

// The host's frames go to a friend's session as the edge would carry them, but for those lost.
TEST_F(Online, AFriendWhoLostAWholeFrameAsksOnceAndTheHostSendsOne)
{
    Role = OnlineRole::Hosting;
    HostSide = host;
    const std::vector<unsigned char> hello = Hello("abcdefghjk"), ask = {KindAskFrame};
    HandleOnlineEvent({LinkEventType::Connected, 0, 1, 0, nullptr, 0, 0}, 0);
    HandleOnlineEvent({LinkEventType::Received, 0, 1, 1, hello.data(), hello.size(), 0}, 0);
    ClearLinkOrders();
    static FriendSession side;
    StartFriendSession(side, code, 0);
    side.stage = FriendStage::Joined;
    const auto hostSends = [&](unsigned now, bool lost = false)
    {
        SendHostFrame(now);
        static unsigned char message[MaxMessageBytes];
        const int size = LinkOrderDataUsed;
        std::memcpy(message, LinkOrderData, static_cast<std::size_t>(size));
        ClearLinkOrders(); // what the friend asks in turn stays queued
        if (!lost)
        {
            HandleFriendEvent(
                side,
                {LinkEventType::Received, 0, 0, 0, message, static_cast<std::size_t>(size), 0},
                now);
        }
        return size == 0 ? 0 : message[0];
    };
    for (int n = 0; n < CanvasCells; ++n)
    {
        ScreenCells[n] = static_cast<unsigned char>(n % 7);
    }
    EXPECT_EQ(hostSends(10, true), KindFrame); // the first goes whole, and is lost
    ScreenCells[200] = 9;
    EXPECT_EQ(hostSends(30), KindDelta); // on a frame the friend does not hold: not shown
    EXPECT_FALSE(side.frameReady);
    EXPECT_EQ(Orders(), "send 0 7;"); // KindAskFrame
    ScreenCells[300] = 9;
    EXPECT_EQ(hostSends(50), KindDelta);
    EXPECT_EQ(Orders(), ""); // asked once
    HandleOnlineEvent({LinkEventType::Received, 0, 1, 1, ask.data(), ask.size(), 0}, 60);
    EXPECT_EQ(hostSends(70), KindFrame);
    EXPECT_TRUE(side.frameReady);
    ScreenCells[400] = 9;
    EXPECT_EQ(hostSends(90, true), KindDelta); // lost: the next carries its change too
    ScreenCells[401] = 9;
    side.frameReady = false;
    EXPECT_EQ(hostSends(110), KindDelta);
    ASSERT_TRUE(side.frameReady);
    EXPECT_EQ(std::memcmp(side.frameCells, ScreenCells, CanvasCells), 0);
    EXPECT_EQ(hostSends(120), 0); // nothing changed
    EXPECT_EQ(hostSends(110 + RepeatFrameMs), KindDelta);
    EXPECT_EQ(hostSends(70 + WholeFrameEveryMs), KindFrame);
    EXPECT_EQ(Orders(), "");
    Role = OnlineRole::Offline;
}

TEST_F(Online, EachSideKeysActOnlyInItsTeamsTurn)
{
    Role = OnlineRole::Hosting;
    HostSide = host;
    EXPECT_EQ(HandleFriendKey(KeyCursorUp, true), KeyResponse::None); // no friend in
    FriendJoined = true;
    DrawFrame(); // the title offers no match against the computer: any key starts the friend's
    EXPECT_EQ(std::count(ScreenCells + 96 * CanvasHeight, ScreenCells + CanvasCells, 9), 0);
    ASSERT_EQ(HandleFriendKey(Key1, true), KeyResponse::MatchStarted);
    ASSERT_NE(FriendMatch, nullptr);
    EXPECT_EQ(ComputerMatch, nullptr); // 1 plays no computer in a friend's match
    for (int team = 0; team < TeamCount; ++team)
    {
        FriendMatch->currentTeam = team;
        FriendMatch->turnBanner = false;
        FriendMatch->heldCount = 0;
        HandleKeyDown(KeyCursorLeft);
        HandleFriendKey(KeyCursorRight, true);
        HandleFriendKey(KeyCursorRight, true); // the friend's key repeats: still one press
        ASSERT_EQ(FriendMatch->heldCount, 1) << team;
        EXPECT_EQ(FriendMatch->heldActions[0], team == HostTeam ? ActionLeft : ActionRight);
        HandleKeyUp(KeyCursorRight);
        HandleFriendKey(KeyCursorLeft, false); // releases of the other side's keys: none
        EXPECT_EQ(FriendMatch->heldCount, 1) << team;
        HandleKeyUp(KeyCursorLeft);
        HandleFriendKey(KeyCursorRight, false);
        EXPECT_EQ(FriendMatch->heldCount, 0) << team; // each side's release reaches the match
    }
    Role = OnlineRole::Offline;
}

TEST_F(Online, AFriendsMatchWaitsWhileItIsAwayAndForItToJoinAgain)
{
    Role = OnlineRole::Hosting;
    HostSide = host;
    const auto join = [&](int peer, unsigned now)
    {
        HandleOnlineEvent({LinkEventType::Connected, peer, 77, 0, nullptr, 0, 0}, now);
        received = Hello("abcdefghjk");
        HandleOnlineEvent({LinkEventType::Received, peer, 77, ReliableChannel, received.data(),
                           received.size(), 0},
                          now);
    };
    join(0, 0);
    ClearLinkOrders();
    const unsigned char key[] = {KindKey, 1, 8}; // the key 1's place on the wire
    HandleOnlineEvent({LinkEventType::Received, 0, 77, ReliableChannel, key, sizeof key, 0}, 0);
    ASSERT_NE(FriendMatch, nullptr);
    GameTitle* match = FriendMatch;
    FriendMatch->currentTeam = FriendTeam;
    HandleFriendKey(KeyCursorLeft, true);

    TickOnline(10, QuietAwayMs - 1);
    EXPECT_FALSE(MatchWaits());
    TickOnline(20, QuietAwayMs);
    EXPECT_TRUE(MatchWaits());
    TickOnline(30, 0);
    EXPECT_FALSE(MatchWaits());
    TickOnline(40, QuietGoneMs); // a crash: gone, its held key let go, the match kept
    EXPECT_EQ(Orders(), "drop 0 0;");
    EXPECT_TRUE(MatchWaits());
    EXPECT_EQ(match->heldCount, 0);
    TickOnline(40 + RejoinWaitMs - 1, 0);
    EXPECT_EQ(FriendMatch, match);

    join(1, 50); // the same code again: it takes up the match
    EXPECT_EQ(FriendMatch, match);
    EXPECT_FALSE(MatchWaits());
    HandleOnlineEvent({LinkEventType::Disconnected, 0, 0, 0, nullptr, 0, 0}, 60); // not the friend
    EXPECT_FALSE(MatchWaits());
    HandleOnlineEvent({LinkEventType::Disconnected, 1, 0, 0, nullptr, 0, ReasonLeft}, 100);
    TickOnline(100 + RejoinWaitMs - 1, 0);
    EXPECT_TRUE(MatchWaits());
    TickOnline(100 + RejoinWaitMs, 0); // a minute: back to the title screen, still hosting
    EXPECT_FALSE(MatchRunning || FriendJoined);
    EXPECT_EQ(Role, OnlineRole::Hosting);
    Role = OnlineRole::Offline;
}

TEST(OnlineOptions, HostAndJoinTakeTheirValuesWhole)
{
    const struct
    {
        std::vector<const char*> arguments;
        bool play;
        int port;
    } cases[] = {
        {{"--host"}, true, DefaultPort},
        {{"--window", "--host", "--port", "1"}, true, 1},
        {{"--join", "example.net", "abcdefghjk"}, true, DefaultPort},
        {{"--join", "10.0.0.1:4000", "ABCDEFGHJK", "--window"}, true, 4000},
        {{"--host", "--port", "65535"}, true, 65535},
        {{"--join", "a:1900", "abcdefghjk"}, true, 1900},
        {{"--port", "80"}, false, 0},
        {{"--host", "--port"}, false, 0},
        {{"--host", "--port", "65536"}, false, 0},
        {{"--host", "--port", "+80"}, false, 0},
        {{"--host", "--join", "a", "abcdefghjk"}, false, 0},
        {{"--join", "a"}, false, 0},
        {{"--join", "a:", "abcdefghjk"}, false, 0},
        {{"--join", "a", "abcdefghj"}, false, 0},
    };
    for (const auto& c : cases)
    {
        std::vector<const char*> argv = {"tumblequay"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const Options options = ParseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.request == StartRequest::Play, c.play) << c.arguments[0];
        if (c.play)
        {
            EXPECT_EQ(options.port, c.port);
            EXPECT_EQ(options.host,
                      c.arguments.size() < 5 && std::string(c.arguments[0]) != "--join");
        }
    }
}
