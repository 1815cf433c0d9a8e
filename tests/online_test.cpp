// Online play's decisions: who the host lets in, what the friend's side does with what
// arrives, whose keys act in whose turn, the queue of orders for the network edge, the
// band's words, and the command line that starts it.
#include "app/online.h"
#include "app/options.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/font.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "net/frame_stream.h"
#include "net/link.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

// The orders queued since the last call, as "send P KIND;" and "drop P REASON;", then cleared.
std::string Orders()
{
    std::string text;
    for (int n = 0; n < LinkOrderCount; ++n)
    {
        const LinkOrder& o = LinkOrders[n];
        const bool send = o.type == LinkOrderType::Send;
        text += (send ? "send " : "drop ") + std::to_string(o.peer) + " " +
                std::to_string(send ? LinkOrderData[o.offset] : static_cast<int>(o.reason)) + ";";
    }
    ClearLinkOrders();
    return text;
}

Bytes Hello(const char* text)
{
    JoinCode given;
    ParseJoinCode(text, given);
    unsigned char out[MaxShortMessageBytes];
    return Bytes(out, out + EncodeHello(given, out));
}

// An event of the edge: 'c'onnected, 'r'eceived ('f' on the frame channel), 'd'isconnected,
// 'p'ending.
LinkEvent Event(char what, int peer, const Bytes& bytes = {}, unsigned reason = 0)
{
    const auto type =
        static_cast<LinkEventType>(std::string("crdp").find(what == 'f' ? 'r' : what));
    const int channel = what == 'f' ? FrameChannel : ReliableChannel;
    return {type, peer, 1000u + peer, channel, bytes.data(), bytes.size(), reason};
}

// One step of a session's script: an event of the edge ('c'onnected, 'p'ending, 'r'eceived,
// on the 'f'rame channel, 'd'isconnected) or a 't'ick; and what it should show.
struct Step
{
    char what;
    int peer; // the friend's side: the reason of a goodbye; a tick: how long the other is quiet
    unsigned now;
    Bytes bytes;
    const char* seen;
};

// The columns of the title screen's band as the host's (with its red code) or the friend's
// session draws it into a cleared canvas at a time.
std::string Band(const HostSession* host, unsigned now)
{
    ClearCanvas();
    host != nullptr ? DrawHostBand(*host, now) : DrawFriendNotice(FriendSide, now);
    const std::string band(ScreenCells, ScreenCells + 32 * CanvasHeight);
    const std::string colours("\0\1\11", host != nullptr ? 3 : 2); // black, grey; the code red
    EXPECT_EQ(band.find_first_not_of(colours), std::string::npos);
    return band;
}

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
        Role = OnlineRole::Offline;
    }

    // The host's step: the orders queued, then what the session told the game.
    std::string Host(const Step& step, std::uint32_t address = 0)
    {
        LinkEvent event = Event(step.what, step.peer, step.bytes);
        event.address = address != 0 ? address : event.address;
        if (step.what == 'j') // connects and gives the right code, typed in capitals
        {
            const std::string connected = Host({'c', step.peer, step.now, {}, ""});
            return connected + Host({'r', step.peer, step.now, Hello("ABCDEFGHJK"), ""});
        }
        const HostInput in = step.what == 't' ? TickHostSession(host, step.now, step.peer)
                                              : HandleHostEvent(host, event, step.now);
        return Orders() + (in.joined ? "joined;" : "") + (in.left ? "left;" : "") +
               (in.keyMoved ? "key " + std::to_string(in.key) + " " + std::to_string(in.down) + ";"
                            : "") +
               (in.frameWanted ? "ask;" : "") + (FriendAway(host) ? "away;" : "");
    }

    // A friend with the right code joins the game's host; what it was told is cleared.
    void Join(int peer, unsigned now)
    {
        HandleOnlineEvent(Event('c', peer), now);
        HandleOnlineEvent(Event('r', peer, Hello("abcdefghjk")), now);
        ClearLinkOrders();
    }

    // A connection from an address that says hello and goes: what it was told.
    std::string Knock(std::uint32_t address, unsigned now, const Bytes& hello)
    {
        std::string told = Host({'c', 0, now, {}, ""}, address);
        told += told.empty() ? Host({'r', 0, now, hello, ""}, address) : "";
        Host({'d', 0, now, {}, ""});
        return told;
    }

    // The step of the friend's game ('s'tarts joining): the orders queued, the session's
    // stage, notice, and whether the host is away, a frame is ready and the title music plays.
    std::string Friend(const Step& step)
    {
        step.what == 's'   ? StartJoining(code, true, step.now)
        : step.what == 't' ? TickOnline(step.now, step.peer)
                           : static_cast<void>(HandleOnlineEvent(
                                 Event(step.what, 0, step.bytes, step.peer), step.now));
        const FriendSession& side = FriendSide;
        return Orders() + "OCKJ"[static_cast<int>(side.stage)] +
               std::to_string(static_cast<int>(side.notice)) + (side.hostAway ? "a" : "") +
               (side.frameReady ? "r" : "") + (side.titleMusic ? "m" : "");
    }

    JoinCode code;
    HostSession host;
};
} // namespace

TEST_F(Online, TheHostLetsInOneFriendWithTheRightCodeNothingGoesToOthersAndTheBandSaysSo)
{
    constexpr unsigned T = 2 * HelloWaitMs;
    const Bytes right = Hello("ABCDEFGHJK"), key = {KindKey, 1, 2}, ask = {KindAskFrame};
    const Step script[] = {
        // A stranger's request never connected, and one connected late: the wait for the
        // code runs from the request; a goodbye unanswered as long is cut.
        {'p', 10, 0, {}, ""},
        {'p', 11, 0, {}, ""},
        {'c', 11, HelloWaitMs - 1, {}, ""},
        {'t', 0, HelloWaitMs - 1, {}, ""},
        {'t', 0, HelloWaitMs, {}, "drop 10 0;drop 11 0;"},
        {'d', 10, HelloWaitMs + 1, {}, ""},
        {'t', 0, 2 * HelloWaitMs - 1, {}, ""},
        {'t', 0, 2 * HelloWaitMs, {}, "drop 11 0;"},
        {'d', 11, T, {}, ""},
        {'c', MaxLinkPeers, T, {}, ""}, // no such connection
        {'c', 1, T, {}, ""},
        {'c', 2, T, {}, ""},
        {'c', 3, T, {}, ""},
        {'r', 3, T, key, "drop 3 4;"}, // a key before its code
        {'r', 3, T, right, ""},        // told to go already
        {'c', 0, T + 10, {}, ""},
        {'f', 0, T + 10, right, "drop 0 4;"}, // a code on the frame channel
        {'j', 0, T + 10, {}, "send 0 3;joined;"},
        {'r', 2, T + 20, right, "drop 2 1;"}, // second in a race: full
        {'c', 1, T + 20, {}, "drop 1 1;"},    // a new one while the friend plays
        {'r', 0, T + 30, key, "key 2 1;"},
        {'r', 0, T + 30, {KindKey, 0, 3}, "key 3 0;"},
        {'r', 0, T + 30, ask, "ask;"},
        {'t', QuietAwayMs, T + 40, {}, "away;"},
        {'f', 0, T + 50, key, "drop 0 4;left;"}, // a key on the frame channel
        {'r', 0, T + 50, key, ""},
        {'j', 4, T + 50, {}, "send 4 3;joined;"},
        {'r', 4, T + 50, right, "drop 4 4;left;"}, // a code from the friend
        {'j', 5, T + 60, {}, "send 5 3;joined;"},
        {'r', 5, T + 60, {KindKey, 1, WireKeyCount}, "drop 5 4;left;"}, // no such key
        {'j', 6, T + 70, {}, "send 6 3;joined;"},
        {'t', QuietGoneMs, T + 80, {}, "drop 6 0;left;"}, // a crash
        {'j', 7, T + 90, {}, "send 7 3;joined;"},
        {'d', 7, T + 90, {}, "left;"},
    };
    for (const Step& step : script)
    {
        EXPECT_EQ(Host(step), step.seen) << &step - script;
    }
    EXPECT_EQ(FriendPeer(host), -1);
    // The band: the code in red and a word in grey, "left" for a while after the friend.
    StartHostSession(host, code);
    const std::string waiting = Band(&host, 0);
    Host({'j', 0, 0, {}, ""});
    const std::string joined = Band(&host, 0);
    Host({'d', 0, 10, {}, ""});
    EXPECT_EQ((std::set<std::string>{waiting, joined, Band(&host, 10 + NoticeMs - 1)}).size(), 3u);
    EXPECT_EQ(Band(&host, 10 + NoticeMs), waiting);
    // However many connections wait too long, half the orders stay free for the friend's.
    for (int peer = 0; peer < MaxLinkOrders; ++peer)
    {
        Host({'p', peer, 0, {}, ""});
    }
    TickHostSession(host, HelloWaitMs, 0);
    EXPECT_EQ(LinkOrderCount, MaxLinkOrders / 2);
}

TEST_F(Online, TheDoorShutsOutAnAddressForAMinuteAfterFiveWrongCodesHoweverManyGuess)
{
    constexpr unsigned Start = 4294960000u; // the clock wraps within the minute
    constexpr std::uint32_t Guessers = 40;  // more addresses than the door once remembered
    const Bytes wrong = Hello("abcdefghjm"), right = Hello("abcdefghjk");
    for (std::uint32_t n = 0; n < WrongCodesAllowed * Guessers; ++n)
    {
        ASSERT_EQ(Knock(5000 + n % Guessers, Start + n / Guessers, wrong), "drop 0 2;");
    }
    for (std::uint32_t n = 0; n < Guessers; ++n)
    {
        EXPECT_EQ(Knock(5000 + n, Start + 3 + ShutOutMs, right), "drop 0 3;");
    }

    // A right code forgives what came before it; another version's hello has its own reason
    // and is not counted, whatever its layout.
    const Bytes others[] = {{KindHello, ProtocolVersion + 1},
                            {KindHello, ProtocolVersion + 1, ProtocolVersion, 2}};
    for (int n = 0; n < 2 * WrongCodesAllowed; ++n)
    {
        const bool forgiven = n % WrongCodesAllowed == WrongCodesAllowed - 1;
        std::string told = Knock(7000, 10, forgiven ? right : wrong);
        told += Knock(7000, 10, others[n % 2]);
        EXPECT_EQ(told, forgiven ? "send 0 3;joined;drop 0 6;" : "drop 0 2;drop 0 6;") << n;
    }

    // A door full of addresses guessing within the minute refuses new ones, forgetting none;
    // a minute after their last guess, there is room again.
    StartHostSession(host, code);
    for (std::uint32_t n = 0; n < DoorEntries; ++n)
    {
        ASSERT_EQ(Knock(9000 + n, 0, wrong), "drop 0 2;");
    }
    EXPECT_EQ(Knock(8000, 10, right), "drop 0 3;");
    EXPECT_EQ(Knock(9001, 10, right), "send 0 3;joined;");
    EXPECT_EQ(Knock(8000, ShutOutMs, right), "send 0 3;joined;");
}

TEST_F(Online, TheFriendSideJoinsShowsFramesPlaysSoundsSendsKeysAndSaysWhyItEnded)
{
    unsigned char bytes[MaxMessageBytes];
    const auto sent = [&](int size) { return Bytes(bytes, bytes + size); };
    const Bytes welcome = sent(EncodeWelcome(bytes)),
                frame = sent(EncodeFrame(0, ScreenCells, bytes));
    const SoundMessage squares[] = {{SoundSquare, 440.0f, 0.4f, 0.6f, 0.0f},
                                    {SoundSquare, 220.0f, 0.4f, 0.6f, 0.0f}};
    const Bytes match = sent(EncodeSounds(false, squares, 2, bytes));
    const Bytes title = sent(EncodeSounds(true, squares, 1, bytes));
    SamplesLoaded.store(false);
    const Step script[] = {
        {'s', 0, 0, {}, "C0m"},
        {'c', 0, 0, {}, "send 0 1;K0m"},     // the code
        {'f', 0, 5, frame, "K0m"},           // overtook the welcome
        {'r', 0, 5, {KindKey, 1, 0}, "K0m"}, // anything at all
        {'t', 0, JoinWaitMs - 1, {}, "K0m"},
        {'r', 0, 10, welcome, "J0m"},
        {'f', 0, 20, frame, "J0rm"},
        {'r', 0, 30, match, "J0r"},         // a match began
        {'f', 0, 40, title, "drop 0 4;O6"}, // on the wrong channel
        {'r', 0, 50, welcome, "O6"},        // ended: nothing more is ours
        {'s', 0, 100, {}, "C0m"},
        {'d', ReasonNone, 100, {}, "O2m"}, // never answered
        {'s', 0, 100, {}, "C0m"},
        {'t', 0, 100 + JoinWaitMs, {}, "drop 0 5;O2m"},
        {'s', 0, 0, {}, "C0m"},
        {'c', 0, 0, {}, "send 0 1;K0m"},
        {'d', ReasonFull, 0, {}, "O3m"},
        // Joined, a quiet host is away, then back, and after QuietGoneMs gone.
        {'s', 0, 0, {}, "C0m"},
        {'c', 0, 0, {}, "send 0 1;K0m"},
        {'r', 0, 10, welcome, "J0m"},
        {'r', 0, 10, Bytes(1, KindKey), "drop 0 4;O6m"}, // fails its checks
        {'s', 0, 0, {}, "C0m"},
        {'c', 0, 0, {}, "send 0 1;K0m"},
        {'r', 0, 10, welcome, "J0m"},
        {'t', QuietAwayMs - 1, 20, {}, "J0m"},
        {'t', QuietAwayMs, 30, {}, "J0am"},
        {'t', 0, 40, {}, "J0m"},
        {'t', QuietGoneMs, 50, {}, "drop 0 0;O6m"},
    };
    for (const Step& step : script)
    {
        EXPECT_EQ(Friend(step), step.seen) << &step - script;
    }
    // The match's two sounds were played, with the match's echo.
    EXPECT_TRUE(AudioStatusSlots[MainSlot].voiceCount == 2 && AudioStatusSlots[MainSlot].halveEcho);
    // Each reason the host gives for turning us away has its own notice.
    const std::pair<unsigned, const char*> turnedAway[] = {
        {ReasonWrongCode, "O4m"}, {ReasonShutOut, "O5m"}, {ReasonOtherVersion, "O7m"}};
    for (const auto& [reason, seen] : turnedAway)
    {
        Friend({'s', 0, 0, {}, ""});
        EXPECT_EQ(Friend({'d', static_cast<int>(reason), 0, {}, ""}), seen);
    }
    // The friend's game: its own title screen while joining, then the host's frames.
    StartJoining(code, true, 0);
    ASSERT_TRUE(ShowingHost() && DrawJoinedFrame()); // its own title screen, "joining" in grey
    const std::vector<unsigned char> joining(ScreenCells, ScreenCells + CanvasCells);
    DrawText("joining", 16 - TextWidth("joining") / 2, 32, 1, 1); // over itself: no change
    EXPECT_TRUE(std::equal(joining.begin(), joining.end(), ScreenCells));
    unsigned char cells[CanvasCells] = {};
    cells[77] = 5;
    HandleOnlineEvent(Event('c', 0), 0);
    HandleOnlineEvent(Event('r', 0, welcome), 0);
    EXPECT_FALSE(DrawJoinedFrame()); // nothing new
    Palette[0] = 1.3f;               // strayed past 1: shown as 1, and so on the friend's screen
    unsigned char given[PaletteBytes], shown[PaletteBytes];
    CapturePalette(given);
    HandleOnlineEvent(Event('f', 0, sent(EncodeFrame(0, cells, bytes))), 10);
    InitPalette();
    ASSERT_TRUE(DrawJoinedFrame());
    CapturePalette(shown);
    unsigned char seen[CanvasCells]; // the host's cells, with the friend's team named over them
    std::memcpy(seen, ScreenCells, CanvasCells);
    std::memcpy(ScreenCells, cells, CanvasCells);
    DrawOwnTeam(FriendSide.titleMusic);
    EXPECT_TRUE(std::memcmp(ScreenCells, seen, CanvasCells) == 0 &&
                std::memcmp(given, shown, sizeof given) == 0);
    EXPECT_FALSE(DrawJoinedFrame());
    TickOnline(20, QuietAwayMs);
    EXPECT_TRUE(DrawJoinedFrame()); // "away", once
    EXPECT_FALSE(DrawJoinedFrame());
    EXPECT_EQ(Orders(), "send 0 1;");
    SendFriendKey(FriendSide, KeyEscape, true); // a key of the friend's own side goes nowhere
    // A key held on the keyboard and a pad at once goes as one press and one release.
    PressJoinedKey(KeyD, 30);
    EXPECT_EQ(Orders() + std::to_string(LinkOrderData[1]), "send 0 2;1"); // down
    PressJoinedKey(KeyD, 30, KeySource::Pads);
    ReleaseJoinedKey(KeyD);
    EXPECT_EQ(Orders(), "");
    ReleaseJoinedKey(KeyD, KeySource::Pads);
    EXPECT_EQ(Orders() + std::to_string(LinkOrderData[1]), "send 0 2;0"); // up
    EXPECT_EQ(OnlinePeer(), 0);
    PressJoinedKey(KeyEscape, 40);
    EXPECT_EQ(Orders(), "drop 0 5;");
    EXPECT_FALSE(ShowingHost() || OnlinePeer() == 0);
    // A notice shows while it lasts; its words are seen end to end.
    StartFriendSession(FriendSide, code, 0);
    EndFriendSession(FriendSide, FriendNotice::ShutOut, false, ReasonNone, 5);
    EXPECT_TRUE(Band(nullptr, 5 + NoticeMs - 1) != Band(nullptr, 5 + NoticeMs));
    EXPECT_EQ(Band(nullptr, 5 + NoticeMs), std::string(32 * CanvasHeight, 0));
}

// The host's frames go to a friend's session as the edge would carry them, but for those lost.
TEST_F(Online, AFriendWhoLostAWholeFrameAsksOnceAndTheHostSendsOne)
{
    StartHosting(code);
    Join(0, 0);
    static FriendSession side;
    StartFriendSession(side, code, 0);
    side.stage = FriendStage::Joined;
    for (int n = 0; n < CanvasCells; ++n)
    {
        ScreenCells[n] = static_cast<unsigned char>(n % 7);
    }
    constexpr unsigned W = 1050 + WholeFrameEveryMs;
    // The time; a cell of the host's screen changed first (0: none); whether the message is
    // 'l'ost, the host hears the friend 'a'sk for a whole frame first, or the friend 'j'oins
    // again first; the kind sent (0: none), 'r' when the friend shows it, and what it asks.
    const std::tuple<unsigned, int, char, const char*> steps[] = {
        {10, 0, 'l', "5"},                            // the first goes whole, and is lost
        {30, 200, 0, "6send 0 7;"},                   // on a frame it does not hold: not shown
        {50, 300, 0, "6"},                            // asked once
        {30 + AskFrameAgainMs, 301, 0, "6send 0 7;"}, // and again when none came
        {1050, 0, 'a', "5r"},
        {1070, 400, 'l', "6"}, // lost: the next carries its change too
        {1090, 401, 0, "6r"},
        {1090 + RepeatFrameMs - 1, 0, 0, "0"}, // nothing changed
        {1090 + RepeatFrameMs, 0, 0, "6r"},
        {W, 0, 'l', "5"},               // lost: the friend holds the last
        {W + 10, 500, 0, "6send 0 7;"}, // on the lost one: not shown
        {W + 50, 0, 'j', "5r"},         // a friend joining again gets a whole frame first
        {W + 60, 0, 'A', "5"},          // the host hears an ask, and its whole frame is lost
        {W + 80, 700, 0, "6send 0 7;"}, // a whole frame came since the last ask: asked at once
    };
    for (const auto& [now, changed, what, seen] : steps)
    {
        ScreenCells[changed] = changed != 0 ? 9 : 0; // cell 0 stays 0
        if (what == 'a' || what == 'A' || what == 'j')
        {
            HandleOnlineEvent(
                what == 'j' ? Event('d', 0) : Event('r', OnlinePeer(), {KindAskFrame}), now);
        }
        what == 'j' ? Join(1, now) : void();
        side.frameReady = false;
        SendHostFrame(now);
        const Bytes message(LinkOrderData, LinkOrderData + LinkOrderDataUsed);
        ClearLinkOrders(); // what the friend asks in turn stays queued
        if (what != 'l' && what != 'A' && !message.empty())
        {
            HandleFriendEvent(side, Event('f', 0, message), now);
        }
        EXPECT_EQ(std::to_string(message.empty() ? 0 : message[0]) + (side.frameReady ? "r" : "") +
                      Orders(),
                  seen)
            << now;
        EXPECT_TRUE(!side.frameReady ||
                    std::memcmp(side.frameCells, ScreenCells, CanvasCells) == 0);
    }
}

TEST_F(Online, TheFriendsKeyStartsItsMatchWhichWaitsForIt)
{
    StartHosting(code);
    EXPECT_EQ(HandleFriendKey(KeyCursorUp, true), KeyResponse::None); // no friend in
    SoundLogCount = 1;
    SendHostSounds(); // nothing goes, and the log is emptied
    EXPECT_EQ(Orders() + std::to_string(SoundLogCount) + std::to_string(OnlinePeer()), "0-1");
    Join(0, 0);
    SendHostSounds(); // the music's state, once
    SendHostSounds();
    SoundLogCount = MaxMessageSounds + 1; // more than one message holds
    SendHostSounds();
    EXPECT_EQ(Orders() + std::to_string(SoundLogCount) + std::to_string(OnlinePeer()),
              "send 0 4;send 0 4;send 0 4;00");
    EXPECT_EQ(HandleOnlineEvent(Event('r', 0, {KindKey, 1, 8}), 0), // the key 1 on the wire
              KeyResponse::MatchStarted);
    GameTitle* match = FriendMatch;
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(ComputerMatch, nullptr); // 1 plays no computer in a friend's match
    SendHostSounds();                  // the match's music
    EXPECT_EQ(Orders(), "send 0 4;");
    match->currentTeam = FriendTeam; // the friend's turn, and a key of its held
    match->turnBanner = false;
    HandleFriendKey(ActionKeys[0], true);
    ASSERT_EQ(match->heldCount, 1);
    TickOnline(10, QuietAwayMs); // the friend away: the match waits
    EXPECT_TRUE(MatchWaits());
    TickOnline(40, QuietGoneMs); // a crash: gone, its held key let go, the match kept
    EXPECT_EQ(Orders() + std::to_string(OnlinePeer()), "drop 0 0;-1");
    EXPECT_TRUE(MatchWaits());
    EXPECT_EQ(match->heldCount, 0);
    TickOnline(40 + RejoinWaitMs - 1, 0);
    EXPECT_EQ(FriendMatch, match);

    Join(1, 50);      // the same code again: it takes up the match
    SendHostSounds(); // the music's state goes to it again
    LeaveOnline();    // and the host leaving says goodbye
    EXPECT_EQ(Orders(), "send 1 4;drop 1 5;");
    EXPECT_EQ(FriendMatch, match);
    EXPECT_FALSE(MatchWaits());
    HandleOnlineEvent(Event('d', 0), 60); // not the friend
    EXPECT_FALSE(MatchWaits());
    HandleOnlineEvent(Event('d', 1, {}, ReasonLeft), 100);
    TickOnline(100 + RejoinWaitMs - 1, 0);
    EXPECT_TRUE(MatchWaits());
    TickOnline(100 + RejoinWaitMs, 0); // a minute: back to the title screen, still hosting
    EXPECT_FALSE(MatchRunning || FriendJoined);
    EXPECT_EQ(Role, OnlineRole::Hosting);
}

TEST(LinkOrders, KeepEachMessageWholeAndDropWhatWouldOverflow)
{
    static unsigned char big[LinkOrderBytes] = {'a'};
    ClearLinkOrders();
    // A message that does not fit whole is dropped; a smaller one still goes.
    OrderSend(0, 0, big, LinkOrderBytes + 1);
    OrderSend(0, 0, big, LinkOrderBytes);
    EXPECT_EQ(LinkOrderCount, 1);
    OrderSend(0, 0, big, 1);
    EXPECT_EQ(Orders(), "send 0 97;");
    // The queue holds MaxLinkOrders, and a goodbye past them is lost too.
    for (int n = 0; n <= MaxLinkOrders; ++n)
    {
        OrderSend(n, 0, big, 1);
    }
    OrderDrop(0, ReasonLeft);
    EXPECT_EQ(LinkOrderCount, MaxLinkOrders);
    EXPECT_EQ(LinkOrders[MaxLinkOrders - 1].peer, MaxLinkOrders - 1);
    ClearLinkOrders();
    EXPECT_EQ(LinkOrderDataUsed, 0);
}

TEST(OnlineOptions, HostAndJoinTakeTheirValuesWhole)
{
    const std::string longest(MaxAddressLength, 'a'), tooLong = longest + "a";
    const std::pair<std::vector<const char*>, int> cases[] = {
        // The arguments, and the port they give; 0: refused.
        {{"--window", "--host", "--port", "1"}, 1},
        {{"--join", "a:4000", "ABCDEFGHJK", "--window"}, 4000},
        {{"--host", "--port", "65535"}, 65535},
        {{"--host"}, DefaultPort},
        {{"--join", longest.c_str(), "abcdefghjk"}, DefaultPort},
        {{"--join", tooLong.c_str(), "abcdefghjk"}, 0},
        {{"--join", ":4000", "abcdefghjk"}, 0},
        {{"--host", "--port", "0"}, 0},
        {{"--host", "--port", "65536"}, 0},
        {{"--host", "--port", "+80"}, 0},
        {{"--join", "a:8x", "abcdefghjk"}, 0},
        {{"--join", "a", "abcdefghj"}, 0},
    };
    for (auto [arguments, port] : cases)
    {
        const bool host = std::count(arguments.begin(), arguments.end(), std::string("--host"));
        arguments.insert(arguments.begin(), "tumblequay");
        const Options options = ParseOptions(static_cast<int>(arguments.size()), arguments.data());
        const bool plays = options.request == StartRequest::Play;
        EXPECT_TRUE(plays ? options.port == port && options.host == host : port == 0) << port;
    }
}
