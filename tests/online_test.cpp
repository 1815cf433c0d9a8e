// Online play's decisions: who the host lets in and how each side proves the code, what the
// friend's side does with what arrives, how the friend's presses play on the host however
// the messages fall, whose keys act in whose turn, the queue of orders for the network edge,
// the band's words, and the command line that starts it.
#include "app/online.h"
#include "app/options.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/font.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "net/frame_stream.h"
#include "net/join_proof.h"
#include "net/link.h"
#include "tests/meet/by_hand.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;
const CodeKey RightKey = KeyOf("abcdefghjk"), WrongKey = KeyOf("abcdefghjm");

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

// The messages queued since the last call, then cleared.
std::vector<Bytes> Sent()
{
    std::vector<Bytes> sent;
    for (int n = 0; n < LinkOrderCount; ++n)
    {
        const LinkOrder& o = LinkOrders[n];
        if (o.type == LinkOrderType::Send)
        {
            sent.emplace_back(LinkOrderData + o.offset, LinkOrderData + o.offset + o.size);
        }
    }
    ClearLinkOrders();
    return sent;
}

Bytes Hello(unsigned char first = 1)
{
    const unsigned char nonce[NonceBytes] = {first};
    unsigned char out[MaxMessageBytes];
    return Bytes(out, out + EncodeHello(nonce, out));
}

// The proof a friend with key makes for the challenge it got after Hello(first).
Bytes ProofFor(const Bytes& challenge, const CodeKey& key, unsigned char first = 1)
{
    const unsigned char nonce[NonceBytes] = {first};
    unsigned char proof[ProofBytes], out[MaxMessageBytes];
    MakeProof(key, Prover::Friend, nonce, challenge.data() + 1, proof);
    return Bytes(out, out + EncodeProof(proof, out));
}

// A challenge from a host with key to the friend's side, proving for its nonce.
Bytes ChallengeFor(const FriendSession& side, const CodeKey& key)
{
    const unsigned char nonce[NonceBytes] = {5};
    unsigned char proof[ProofBytes], out[MaxMessageBytes];
    MakeProof(key, Prover::Host, side.nonce, nonce, proof);
    return Bytes(out, out + EncodeChallenge(nonce, proof, out));
}

// An event of the edge: 'c'onnected, 'r'eceived, 'd'isconnected, 'p'ending.
LinkEvent Event(char what, int peer, const Bytes& bytes = {}, unsigned reason = 0)
{
    const auto type = static_cast<LinkEventType>(std::string("crdp").find(what));
    return {type, peer, 1000u + peer, QuickChannel, bytes.data(), bytes.size(), reason};
}

// One step of a session's script: an event of the edge ('c'onnected, 'p'ending, 'r'eceived,
// 'd'isconnected), a 't'ick, or on the host one that 'j'oins with the right code or 'w'ith a
// wrong one; and what it should show.
struct Step
{
    char what;
    int peer; // the friend's side: the reason of a goodbye
    unsigned now;
    Bytes bytes;
    const char* seen;
};

JoinCode Code()
{
    JoinCode code;
    ParseJoinCode("abcdefghjk", code);
    return code;
}

// The last message queued, still queued.
Bytes LastSent()
{
    const LinkOrder& o = LinkOrders[LinkOrderCount - 1];
    return Bytes(LinkOrderData + o.offset, LinkOrderData + o.offset + o.size);
}

// A friend with the right code joins the game's host; what it was told is cleared.
void Join(int peer, unsigned now)
{
    HandleOnlineEvent(Event('c', peer), now);
    HandleOnlineEvent(Event('r', peer, Hello()), now);
    const Bytes challenge = LastSent();
    HandleOnlineEvent(Event('r', peer, ProofFor(challenge, RightKey)), now);
    ClearLinkOrders();
}

// The game hosting with a friend in on connection 0, and that friend's own session, let in
// at time 0.
FriendSession& HostWithFriend()
{
    StartHosting(Code());
    Join(0, 0);
    static FriendSession side;
    StartFriendSession(side, RightKey, 0);
    side.stage = FriendStage::Joined;
    side.heardAt = 0;
    return side;
}

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
        StartHostSession(host, code, RightKey);
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
        if (step.what == 'j' || step.what == 'w') // connects, says hello, proves with a key
        {
            std::string told = host.stages[step.peer] == PeerStage::Knocking
                                   ? ""
                                   : Host({'c', step.peer, step.now, {}, ""}, address);
            told += Host({'r', step.peer, step.now, Hello(), ""}, address);
            if (lastSent.empty() || lastSent[0] != KindChallenge)
            {
                return told; // turned away before its challenge
            }
            return told + Host({'r', step.peer, step.now,
                                ProofFor(lastSent, step.what == 'j' ? RightKey : WrongKey), ""},
                               address);
        }
        LinkEvent event = Event(step.what, step.peer, step.bytes);
        event.address = address != 0 ? address : event.address;
        const HostInput in = step.what == 't' ? TickHostSession(host, step.now)
                                              : HandleHostEvent(host, event, step.now);
        lastSent = LinkOrderCount > 0 ? LastSent() : Bytes();
        return Orders() + (in.joined ? "joined;" : "") + (in.left ? "left;" : "") +
               (in.bandsWanted ? "ask " + std::to_string(in.wantedBands) + ";" : "") +
               (FriendAway(host) ? "away;" : "");
    }

    // A connection from an address that says hello, proves with key and goes: what it was told.
    std::string Knock(std::uint32_t address, unsigned now, const CodeKey& key)
    {
        std::string told = Host({'c', 0, now, {}, ""}, address);
        if (told.empty())
        {
            told += Host({'r', 0, now, Hello(), ""}, address);
            told += told == "send 0 8;" ? Host({'r', 0, now, ProofFor(lastSent, key), ""}, address)
                                        : "";
        }
        Host({'d', 0, now, {}, ""});
        return told;
    }

    // The step of the friend's game ('s'tarts joining): the orders queued, the session's
    // stage, notice, and whether the host is away, a frame is ready and the title music plays.
    std::string Friend(const Step& step)
    {
        step.what == 's' ? StartJoining(code, true, step.now)
        : step.what == 't'
            ? static_cast<void>(TickOnline(step.now))
            : HandleOnlineEvent(Event(step.what, 0, step.bytes, step.peer), step.now);
        const FriendSession& side = FriendSide;
        return Orders() + "OCKPJ"[static_cast<int>(side.stage)] +
               std::to_string(static_cast<int>(side.notice)) + (side.hostAway ? "a" : "") +
               (side.frameReady ? "r" : "") + (side.titleMusic ? "m" : "");
    }

    JoinCode code;
    HostSession host;
    Bytes lastSent; // the last message the host's step queued
};
} // namespace

TEST_F(Online, TheHostProvesFirstLetsInOneFriendWhoProvesTheCodeAndTheBandSaysSo)
{
    constexpr unsigned T = 2 * HelloWaitMs;
    const Bytes hello = Hello(), report = {KindReport, 0, 0, 0}, ask = {KindAskFrame, 0, 0, 1, 0};
    const Step script[] = {
        // A stranger's request never connected, and one connected late: the wait for the
        // proof runs from the request; a goodbye unanswered as long is cut.
        {'p', 10, 0, {}, ""},
        {'p', 11, 0, {}, ""},
        {'c', 11, HelloWaitMs - 1, {}, ""},
        {'t', 0, HelloWaitMs - 1, {}, ""},
        {'t', 0, HelloWaitMs, {}, "drop 10 0;drop 11 0;"},
        {'d', 10, HelloWaitMs + 1, {}, ""},
        {'t', 0, 2 * HelloWaitMs - 1, {}, ""},
        {'t', 0, 2 * HelloWaitMs, {}, "drop 11 0;"},
        {'d', 11, T, {}, ""},
        {'c', MaxSessionPeers, T, {}, ""}, // no such connection
        {'c', 1, T, {}, ""},
        {'c', 2, T, {}, ""},
        {'c', 3, T, {}, ""},
        {'r', 3, T, report, "drop 3 4;"}, // a report before its proof
        {'r', 3, T, hello, ""},           // told to go already
        {'c', 4, T, {}, ""},
        {'r', 4, T, ProofFor(hello, RightKey), "drop 4 4;"}, // a proof before its challenge
        {'w', 5, T, {}, "send 5 8;drop 5 2;"},               // a wrong proof
        {'j', 0, T + 10, {}, "send 0 8;send 0 3;joined;"},
        {'j', 2, T + 20, {}, "send 2 8;drop 2 1;"}, // second in a race: full
        {'c', 1, T + 20, {}, "drop 1 1;"},          // a new one while the friend plays
        {'r', 0, T + 30, hello, ""},                // the friend's hello, sent again
        {'r', 0, T + 30, ask, "ask 1;"},
        {'t', 0, T + 10 + QuietAwayMs, {}, "away;"},      // no report: no sign it gets our frames
        {'r', 0, T + 40 + QuietAwayMs, report, ""},       // the first report: back
        {'r', 0, T + 50, {KindReport}, "drop 0 4;left;"}, // fails its checks
        {'r', 0, T + 50, report, ""},
        {'j', 6, T + 60, {}, "send 6 8;send 6 3;joined;"},
        {'c', 9, T + 60, {}, "drop 9 1;"}, // another game while it plays: full
        // A crash: away. Its game again takes its place, and in its turn goes silent; those
        // told to go before, their goodbyes unanswered, are cut.
        {'t', 0, T + 60 + QuietAwayMs, {}, "away;"},
        {'d', 9, T + 60 + QuietAwayMs, {}, "away;"},
        {'j', 8, T + 70 + QuietAwayMs, {}, "away;send 8 8;away;drop 6 0;send 8 3;joined;left;"},
        {'t',
         0,
         T + 70 + QuietAwayMs + QuietGoneMs,
         {},
         "drop 0 0;drop 1 0;drop 2 0;drop 3 0;drop 4 0;drop 5 0;drop 6 0;drop 8 0;left;"},
        {'j', 7, T + 90, {}, "send 7 8;send 7 3;joined;"},
        {'d', 7, T + 90, {}, "left;"},
    };
    for (const Step& step : script)
    {
        EXPECT_EQ(Host(step), step.seen) << &step - script;
    }
    EXPECT_EQ(FriendPeer(host), -1);
    // A hello sent again gets the same nonce and a proof for the nonce it brings; a proof sent
    // again, once in, another welcome.
    StartHostSession(host, code, RightKey);
    Host({'c', 8, 0, {}, ""});
    Host({'r', 8, 0, Hello(1), ""});
    const Bytes first = lastSent;
    Host({'r', 8, 0, Hello(2), ""});
    const Bytes again = lastSent;
    EXPECT_TRUE(std::equal(first.begin() + 1, first.begin() + 1 + NonceBytes, again.begin() + 1) &&
                !std::equal(first.begin(), first.end(), again.begin()));
    EXPECT_EQ(Host({'r', 8, 0, ProofFor(again, RightKey, 2), ""}), "send 8 3;joined;");
    EXPECT_EQ(Host({'r', 8, 0, ProofFor(again, RightKey, 2), ""}), "send 8 3;");
    // The band: the code in red and a word in grey, "left" for a while after the friend.
    StartHostSession(host, code, RightKey);
    const std::string waiting = Band(&host, 0);
    Host({'j', 0, 0, {}, ""});
    const std::string joined = Band(&host, 0);
    Host({'d', 0, 10, {}, ""});
    EXPECT_EQ((std::set<std::string>{waiting, joined, Band(&host, 10 + NoticeMs - 1)}).size(), 3u);
    EXPECT_EQ(Band(&host, 10 + NoticeMs), waiting);
    // However many connections wait too long, half the orders stay free for the friend's.
    for (int peer = 0; peer < MaxLinkOrders; ++peer)
    {
        Host({'p', peer, 0, {}, ""}, 5000u + peer);
    }
    TickHostSession(host, HelloWaitMs);
    EXPECT_EQ(LinkOrderCount, MaxLinkOrders / 2);
}

// Requests forged from the friend's own address, and more than the slots can hold.
TEST_F(Online, RequestsFromOneAddressOrAFloodCannotKeepAFriendOut)
{
    constexpr std::uint32_t Home = 7;
    for (int peer = 0; peer < 3 * MaxAskingPerAddress; ++peer)
    {
        Host({'p', peer, static_cast<unsigned>(peer), {}, ""}, Home);
    }
    // Only the newest of its requests hold slots; the one that connects is the friend's.
    int asking = 0;
    for (int peer = 0; peer < MaxLinkPeers; ++peer)
    {
        asking += host.stages[peer] == PeerStage::Asking;
    }
    EXPECT_EQ(asking, MaxAskingPerAddress);
    EXPECT_EQ(host.stages[3 * MaxAskingPerAddress - 1], PeerStage::Asking);
    EXPECT_EQ(Host({'j', 3 * MaxAskingPerAddress - 1, 100, {}, ""}, Home),
              "send 47 8;send 47 3;joined;");
    // A home's connections that never prove the code: its oldest goes.
    StartHostSession(host, code, RightKey);
    std::string told;
    for (int peer = 0; peer <= MaxKnockingPerAddress; ++peer)
    {
        told += Host({'c', peer, static_cast<unsigned>(peer), {}, ""}, Home);
    }
    EXPECT_EQ(told, "drop 0 0;");
    // A flood from everywhere: the oldest requests go, keeping slots free for the next.
    StartHostSession(host, code, RightKey);
    for (int peer = 0; peer < MaxLinkPeers; ++peer)
    {
        Host({'p', peer, static_cast<unsigned>(peer) / 64, {}, ""}, 100000u + peer);
    }
    TickHostSession(host, MaxLinkPeers / 64); // as many as the orders' half for strangers
    ClearLinkOrders();
    TickHostSession(host, MaxLinkPeers / 64);
    int free = 0;
    for (int peer = 0; peer < MaxLinkPeers; ++peer)
    {
        free += host.stages[peer] == PeerStage::Dropped;
        EXPECT_TRUE(host.stages[peer] != PeerStage::Dropped || peer < SpareLinkPeers) << peer;
    }
    EXPECT_EQ(free, SpareLinkPeers);
}

TEST_F(Online, TheDoorShutsOutAnAddressForAMinuteAfterFiveWrongCodesAndNeverTheRightOne)
{
    constexpr unsigned Start = 4294960000u; // the clock wraps within the minute
    constexpr std::uint32_t Guessers = 40;
    for (std::uint32_t n = 0; n < WrongCodesAllowed * Guessers; ++n)
    {
        ASSERT_EQ(Knock(5000 + n % Guessers, Start + n / Guessers, WrongKey), "send 0 8;drop 0 2;");
    }
    for (std::uint32_t n = 0; n < Guessers; ++n)
    {
        EXPECT_EQ(Knock(5000 + n, Start + 3 + ShutOutMs, RightKey), "drop 0 3;");
    }

    // A right code forgives what came before it; another version's hello has its own reason
    // and is not counted, whatever its layout.
    const Bytes others[] = {{KindHello, ProtocolVersion + 1},
                            {KindHello, ProtocolVersion + 1, ProtocolVersion, 2}};
    for (int n = 0; n < 2 * WrongCodesAllowed; ++n)
    {
        const bool forgiven = n % WrongCodesAllowed == WrongCodesAllowed - 1;
        std::string told = Knock(7000, 10, forgiven ? RightKey : WrongKey);
        told += Host({'c', 0, 10, {}, ""}, 7000);
        told += Host({'r', 0, 10, others[n % 2], ""});
        Host({'d', 0, 10, {}, ""});
        EXPECT_EQ(told,
                  forgiven ? "send 0 8;send 0 3;joined;drop 0 6;" : "send 0 8;drop 0 2;drop 0 6;")
            << n;
    }

    // A door full of addresses guessing within the minute lets a new one in with the code:
    // its wrong codes take the place of the oldest guesser's not shut out, or while every
    // one is shut out go uncounted.
    StartHostSession(host, code, RightKey);
    for (std::uint32_t n = 0; n < DoorEntries; ++n)
    {
        ASSERT_EQ(Knock(9000 + n, n, WrongKey), "send 0 8;drop 0 2;");
    }
    EXPECT_EQ(Knock(8000, DoorEntries, RightKey), "send 0 8;send 0 3;joined;");
    for (int n = 0; n < WrongCodesAllowed; ++n)
    {
        Knock(8001, DoorEntries, WrongKey);
    }
    EXPECT_EQ(Knock(8001, DoorEntries, RightKey), "drop 0 3;");
    EXPECT_EQ(Knock(9000, DoorEntries, WrongKey), "send 0 8;drop 0 2;"); // forgotten: counts anew
    for (std::uint32_t n = 0; n < DoorEntries * WrongCodesAllowed; ++n)
    {
        Knock(10000 + n / WrongCodesAllowed, DoorEntries + 1, WrongKey);
    }
    for (int n = 0; n < 2 * WrongCodesAllowed; ++n)
    {
        ASSERT_EQ(Knock(8002, DoorEntries + 2, WrongKey), "send 0 8;drop 0 2;");
    }
    EXPECT_EQ(Knock(8002, DoorEntries + 2, RightKey), "send 0 8;send 0 3;joined;");
}

// A friend that reached a host of another code (two hosts in one home) and one that reached
// the right host, each through the sessions' own messages.
TEST_F(Online, AFriendProvesItsCodeOnlyToAHostThatProvedItFirst)
{
    for (const CodeKey* hostKey : {&WrongKey, &RightKey})
    {
        StartHostSession(host, code, *hostKey);
        static FriendSession side;
        StartFriendSession(side, RightKey, 0);
        HandleHostEvent(host, Event('c', 0), 0);
        HandleFriendEvent(side, Event('c', 0), 0);
        std::vector<Bytes> fromFriend;
        for (unsigned now = 0; now < 1000 && side.stage != FriendStage::Joined; now += 10)
        {
            TickFriendSession(side, now);
            for (const Bytes& bytes : Sent())
            {
                fromFriend.push_back(bytes);
                HandleHostEvent(host, Event('r', 0, bytes), now);
            }
            for (const Bytes& bytes : Sent())
            {
                HandleFriendEvent(side, Event('r', 0, bytes), now);
            }
        }
        if (hostKey == &WrongKey)
        {
            // Nothing but hellos went, and the wrong host counted no wrong code.
            EXPECT_EQ(side.notice, FriendNotice::WrongCode);
            EXPECT_TRUE(std::all_of(fromFriend.begin(), fromFriend.end(),
                                    [](const Bytes& bytes) { return bytes[0] == KindHello; }));
            EXPECT_FALSE(DoorRefuses(host.door, 1000, 0) || host.door.entries[0].address != 0);
        }
        else
        {
            EXPECT_TRUE(side.stage == FriendStage::Joined && FriendPeer(host) == 0);
        }
    }
}

TEST_F(Online, TheFriendSideJoinsShowsFramesPlaysSoundsSendsKeysAndSaysWhyItEnded)
{
    unsigned char bytes[MaxMessageBytes];
    const auto sent = [&](int size) { return Bytes(bytes, bytes + size); };
    static const unsigned char cleared[CanvasCells] = {};
    const Bytes welcome = sent(EncodeWelcome(bytes)),
                frame = sent(EncodeBands(KindFrame, 0, 0, FrameBands, nullptr, cleared, bytes));
    const SoundMessage squares[] = {{SoundSquare, 440.0f, 0.4f, 0.6f, 0.0f},
                                    {SoundSquare, 220.0f, 0.4f, 0.6f, 0.0f}};
    const Bytes match = sent(EncodeSounds(false, squares, 2, bytes));
    const Bytes title = sent(EncodeSounds(true, squares, 1, bytes));
    const unsigned char nonce[NonceBytes] = {}, proof[ProofBytes] = {};
    const Bytes forged = sent(EncodeChallenge(nonce, proof, bytes));
    SamplesLoaded.store(false);
    Friend({'s', 0, 0, {}, ""});
    Friend({'c', 0, 0, {}, ""});
    const Bytes challenge = ChallengeFor(FriendSide, RightKey);
    const Step script[] = {
        {'t', 0, RepeatHandshakeMs - 1, {}, "K0m"},
        {'t', 0, RepeatHandshakeMs, {}, "send 0 1;K0m"}, // the hello, again
        {'r', 0, 5, frame, "K0m"},                       // anything but a challenge is let go
        {'r', 0, 5, challenge, "send 0 9;P0m"},          // the host proved it: our proof
        {'t', 0, 5 + RepeatHandshakeMs, {}, "send 0 9;P0m"},
        {'r', 0, 10, frame, "J0rm"}, // overtook the welcome, which was lost: in, and kept
        {'r', 0, 10, challenge, "J0rm"},
        {'r', 0, 10, welcome, "J0rm"},
        {'r', 0, 30, match, "J0r"},                        // a match began
        {'r', 0, 40, Bytes(1, KindReport), "drop 0 4;O6"}, // fails its checks
        {'r', 0, 50, welcome, "O6"},                       // ended: nothing more is ours
        {'s', 0, 100, {}, "C0m"},
        {'d', ReasonNone, 100, {}, "O2m"}, // never answered
        {'s', 0, 100, {}, "C0m"},
        {'t', 0, 100 + JoinWaitMs, {}, "drop 0 5;O2m"},
        {'s', 0, 0, {}, "C0m"},
        {'c', 0, 0, {}, "send 0 1;K0m"},
        {'d', ReasonFull, 0, {}, "O3m"},
        {'s', 0, 0, {}, "C0m"},
        {'c', 0, 0, {}, "send 0 1;K0m"},
        {'r', 0, 0, forged, "drop 0 0;O4m"}, // a host that does not know the code
    };
    for (const Step& step : script)
    {
        EXPECT_EQ(Friend(step), step.seen) << &step - script;
    }
    // The match's two sounds were played, with the match's echo.
    EXPECT_TRUE(AudioStatusSlots[MainSlot].voiceCount == 2 && AudioStatusSlots[MainSlot].halveEcho);
    // Joined, a host that sends nothing is away, then back, and after QuietGoneMs gone.
    Friend({'s', 0, 0, {}, ""});
    Friend({'c', 0, 0, {}, ""});
    Friend({'r', 0, 0, ChallengeFor(FriendSide, RightKey), ""});
    const Step quiet[] = {
        {'r', 0, 10, welcome, "J0m"},
        {'t', 0, 10 + QuietReportMs, {}, "send 0 2;J0m"}, // a report, as no press is on record
        {'t', 0, 10 + QuietAwayMs - 1, {}, "send 0 2;J0m"},
        {'t', 0, 10 + QuietAwayMs, {}, "J0am"},
        {'r', 0, 20 + QuietAwayMs, title, "J0m"},
        {'t', 0, 20 + QuietAwayMs + QuietGoneMs, {}, "drop 0 0;O6m"},
    };
    for (const Step& step : quiet)
    {
        EXPECT_EQ(Friend(step), step.seen) << &step - quiet;
    }
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
    HandleOnlineEvent(Event('r', 0, ChallengeFor(FriendSide, RightKey)), 0);
    HandleOnlineEvent(Event('r', 0, welcome), 0);
    EXPECT_FALSE(DrawJoinedFrame()); // nothing new
    Palette[0] = 1.3f;               // strayed past 1: shown as 1, and so on the friend's screen
    unsigned char given[PaletteBytes], shown[PaletteBytes];
    CapturePalette(given);
    HandleOnlineEvent(Event('r', 0, sent(EncodeBands(KindFrame, 0, 0, 1, nullptr, cells, bytes))),
                      10);
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
    TickOnline(10 + QuietAwayMs);
    EXPECT_TRUE(DrawJoinedFrame()); // "away", once
    EXPECT_FALSE(DrawJoinedFrame());
    EXPECT_EQ(Orders(), "send 0 1;send 0 9;send 0 2;");
    SendFriendKey(FriendSide, KeyEscape, true, 20); // a key of the friend's own side goes nowhere
    // A key held on the keyboard and a pad at once goes as one press and one release.
    PressJoinedKey(KeyD, 30);
    std::vector<Bytes> reports = Sent();
    PressJoinedKey(KeyD, 40, KeySource::Pads);
    ReleaseJoinedKey(KeyD, 50);
    EXPECT_EQ(Orders(), "");
    ReleaseJoinedKey(KeyD, 70, KeySource::Pads);
    const std::vector<Bytes> up = Sent();
    reports.insert(reports.end(), up.begin(), up.end());
    FriendMessage message;
    std::string said;
    for (const Bytes& report : reports)
    {
        ASSERT_TRUE(DecodeFriendMessage(report.data(), report.size(), message) &&
                    message.pressCount == 1);
        const PressReport& press = message.presses[0];
        said += std::to_string(press.number) + " " + std::to_string(press.key) + " " +
                std::to_string(press.released) + " " + std::to_string(press.heldMs) + ";";
    }
    EXPECT_EQ(said, "0 7 0 0;0 7 1 40;"); // D, held 40 ms
    PressJoinedKey(KeyEscape, 80);
    EXPECT_EQ(Orders(), "drop 0 5;");
    EXPECT_FALSE(ShowingHost());
    // A notice shows while it lasts; its words are seen end to end.
    StartFriendSession(FriendSide, RightKey, 0);
    EndFriendSession(FriendSide, FriendNotice::ShutOut, false, ReasonNone, 5);
    EXPECT_TRUE(Band(nullptr, 5 + NoticeMs - 1) != Band(nullptr, 5 + NoticeMs));
    EXPECT_EQ(Band(nullptr, 5 + NoticeMs), std::string(32 * CanvasHeight, 0));
}

// The host's frames go to a friend's session as the edge would carry them, but for those lost.
TEST_F(Online, AFriendWhoLostBandsAsksForThemAndGetsThoseAlone)
{
    FriendSession& side = HostWithFriend();
    for (int n = 0; n < CanvasCells; ++n)
    {
        ScreenCells[n] = static_cast<unsigned char>(n % 7); // no band packs small
    }
    constexpr unsigned W = 1050 + WholeFrameEveryMs;
    // The time; a cell of the host's screen changed first (0: none); whether the first of the
    // messages is 'l'ost, 'a'll are lost, or the friend 'j'oins again first; the kinds sent
    // and their count ("5x16": sixteen whole pieces), 'r' when the friend shows them, the
    // friend's orders, and whether its screen is the host's.
    const std::tuple<unsigned, int, char, const char*> steps[] = {
        {10, 0, 'l', "5x16 r other"},          // the first goes whole, its first piece lost
        {30, 200, 0, "6x1 r send 0 7; other"}, // band 0 is asked for; the others show
        {50, 201, 0, "5x1 6x1 r same"},        // band 0 of that whole frame, then the delta
        {70, 0, 0, "none same"},               // nothing changed
        {70 + RepeatFrameMs, 0, 0, "6x1 r same"},
        {1050, 400, 'a', "6x1 other"}, // lost: the next carries its change too
        {1070, 401, 0, "6x1 r same"},
        {W, 0, 'a', "5x16 same"},                  // a new whole frame, lost
        {W + 10, 500, 0, "6x1 r send 0 7; other"}, // a delta on it: every band asked for
        {W + 30, 501, 'a', "5x16 6x1 other"},      // they went again, and were lost
        {W + 40, 502, 0, "6x1 r other"},           // asked once within AskFrameAgainMs
        {W + 30 + AskFrameAgainMs, 503, 0, "6x1 r send 0 7; other"},
        {W + 40 + AskFrameAgainMs, 504, 0, "5x16 6x1 r same"},
        {W + 50 + AskFrameAgainMs, 0, 'j', "5x16 r same"}, // joining again: whole first
    };
    for (const auto& [now, changed, what, seen] : steps)
    {
        ScreenCells[changed] = changed != 0 ? 9 : 0; // cell 0 stays 0
        if (what == 'j')
        {
            HandleOnlineEvent(Event('d', 0), now);
            Join(1, now);
        }
        side.frameReady = false;
        SendHostFrame(now);
        std::vector<Bytes> pieces = Sent();
        std::string told;
        for (std::size_t n = 0; n < pieces.size();)
        {
            std::size_t same = n;
            while (same < pieces.size() && pieces[same][0] == pieces[n][0])
            {
                ++same;
            }
            told += std::to_string(pieces[n][0]) + "x" + std::to_string(same - n) + " ";
            n = same;
        }
        for (std::size_t n = 0; n < pieces.size(); ++n)
        {
            if (what != 'a' && (what != 'l' || n > 0))
            {
                HandleFriendEvent(side, Event('r', 0, pieces[n]), now);
            }
        }
        const std::vector<Bytes> asks = Sent();
        for (const Bytes& ask : asks)
        {
            HandleOnlineEvent(Event('r', FriendPeer(HostSide), ask), now);
        }
        const bool same = std::memcmp(side.frameCells, ScreenCells, CanvasCells) == 0;
        EXPECT_EQ((pieces.empty() ? "none " : told) + (side.frameReady ? "r " : "") +
                      (asks.empty() ? "" : "send 0 7; ") + (same ? "same" : "other"),
                  seen)
            << now;
    }
}

namespace
{
// A key going down or up at a time (ms), on the friend's side or at the host's keyboard.
struct KeyAt
{
    unsigned at;
    Key key;
    bool down;
};

// How the line carries the friend's messages: given the time and the message, when it
// arrives (ms later); Lost for a datagram that never does.
using Line = std::function<unsigned(unsigned, const Bytes&)>;
constexpr unsigned Lost = ~0u;

// A match in the turn of team, its banner down, nine moves to spend.
GameTitle& TurnOf(int team)
{
    StartMatch(LevelNone);
    GameTitle& match = *static_cast<GameTitle*>(CurrentScene);
    match.currentTeam = team;
    match.turnBanner = false;
    match.movesLeft = 9;
    return match;
}

// The moves a person at the host's keyboard spends in its turn with the keys, the games'
// loops running every 6 ms and a step every 18 ms.
int HostMoves(const std::vector<KeyAt>& keys, unsigned until)
{
    ResetShell();
    GameTitle& match = TurnOf(HostTeam);
    for (unsigned now = 0; now < until; now += 6)
    {
        for (const KeyAt& key : keys)
        {
            key.at == now
                ? (key.down ? static_cast<void>(HandleKeyDown(key.key)) : HandleKeyUp(key.key))
                : void();
        }
        RunSteps(now % 18 == 0 ? 1 : 0);
    }
    return 9 - match.movesLeft;
}

// The moves the friend's team spends in its turn with the friend's keys, over a line.
int FriendMoves(const std::vector<KeyAt>& keys, const Line& line, unsigned until)
{
    ResetShell();
    ClearLinkOrders();
    FriendSession& side = HostWithFriend();
    GameTitle& match = TurnOf(FriendTeam);
    std::vector<std::pair<unsigned, Bytes>> coming;
    for (unsigned now = 0; now < until; now += 6)
    {
        for (const KeyAt& key : keys)
        {
            key.at == now ? SendFriendKey(side, key.key, key.down, now) : void();
        }
        TickFriendSession(side, now);
        for (const Bytes& bytes : Sent())
        {
            const unsigned after = line(now, bytes);
            if (after != Lost)
            {
                coming.emplace_back(now + after, bytes);
            }
        }
        for (const auto& [at, bytes] : coming)
        {
            at == now ? HandleOnlineEvent(Event('r', 0, bytes), now) : void();
        }
        TickOnline(now);
        RunSteps(now % 18 == 0 ? 1 : 0);
        SendHostFrame(now);
        for (const Bytes& bytes : Sent())
        {
            HandleFriendEvent(side, Event('r', 0, bytes), now);
        }
    }
    EXPECT_FALSE(MatchWaits());
    return 9 - match.movesLeft;
}

} // namespace

// A tap is one move on the host whichever of its messages fall; a held key repeats there as
// at the host's own keyboard, and only as long as the friend held it.
TEST_F(Online, AFriendsTapIsOneMoveAndItsHeldKeyRepeatsAsLongAsItIsHeld)
{
    const Line clear = [](unsigned, const Bytes&) { return 0u; };
    const auto reliable = [](const Bytes& bytes) { return bytes.size() > 4 && bytes[4] == 0; };
    const std::vector<KeyAt> tap = {{0, KeyCursorLeft, true}, {96, KeyCursorLeft, false}};
    const std::vector<KeyAt> hold = {{0, KeyCursorLeft, true}, {798, KeyCursorLeft, false}};
    const std::vector<KeyAt> taps = {{0, KeyCursorLeft, true},
                                     {60, KeyCursorLeft, false},
                                     {402, KeyCursorRight, true},
                                     {462, KeyCursorRight, false}};
    // The case, its keys, the moves they make at the host's own keyboard, and the line.
    const std::tuple<const char*, std::vector<KeyAt>, int, Line> cases[] = {
        {"a tap", tap, 1, clear},
        // Its down and its up come together, everything before them lost.
        {"a tap that comes whole", tap, 1,
         [](unsigned now, const Bytes&) { return now < 96 ? Lost : 0u; }},
        // Its up comes a second late, and every message between is lost.
        {"a tap whose up is lost", tap, 1,
         [](unsigned now, const Bytes&) { return now >= 96 && now < 1100 ? Lost : 0u; }},
        {"a hold", hold, 4, clear},
        // Every third message lost, a reliable one coming 300 ms late instead.
        {"a hold on a poor line", hold, 4,
         [&reliable, n = 0](unsigned, const Bytes& bytes) mutable {
             return ++n % 3 != 0 ? 0u : reliable(bytes) ? 300u : Lost;
         }},
        // Two taps, 400 ms apart, all of it coming late and together.
        {"two taps together", taps, 2, [](unsigned now, const Bytes&) { return 600 - now; }},
        // A hold whose up is lost and whose reports stop: it repeats no more.
        {"a hold whose up is lost", hold, 4,
         [](unsigned now, const Bytes&) { return now >= 700 && now < 2000 ? Lost : 0u; }},
    };
    for (const auto& [name, keys, moves, line] : cases)
    {
        EXPECT_EQ(HostMoves(keys, 2000), moves) << name;
        EXPECT_EQ(FriendMoves(keys, line, 2000), moves) << name;
    }
}

TEST_F(Online, TheFriendsKeyStartsItsMatchWhichWaitsForIt)
{
    StartHosting(code);
    SoundLogCount = 1;
    SendHostSounds(); // nothing goes, and the log is emptied
    EXPECT_EQ(Orders() + std::to_string(SoundLogCount), "0");
    Join(0, 0);
    SendHostSounds(); // the music's state, once
    SendHostSounds();
    SoundLogCount = MaxMessageSounds + 1; // more than one message holds
    SendHostSounds();
    EXPECT_EQ(Orders() + std::to_string(SoundLogCount), "send 0 4;send 0 4;send 0 4;0");
    // The key 1 on the wire, pressed and let go, its report sent twice.
    const PressReport one = {0, Key1, true, 30, 30};
    unsigned char report[MaxMessageBytes];
    const Bytes ones(report, report + EncodeReport(1, &one, 1, report));
    HandleOnlineEvent(Event('r', 0, ones), 0);
    HandleOnlineEvent(Event('r', 0, ones), 0);
    EXPECT_EQ(TickOnline(0), KeyResponse::MatchStarted);
    GameTitle* match = FriendMatch;
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(ComputerMatch, nullptr); // 1 plays no computer in a friend's match
    RunSteps(1);
    EXPECT_EQ(TickOnline(100), KeyResponse::None); // once
    SendHostSounds();                              // the match's music
    EXPECT_EQ(Orders(), "send 0 4;");
    match->currentTeam = FriendTeam; // the friend's turn, and a key of its held
    match->turnBanner = false;
    const PressReport held = {1, KeyCursorUp, false, 0, 0};
    HandleOnlineEvent(Event('r', 0, Bytes(report, report + EncodeReport(2, &held, 1, report))),
                      100);
    TickOnline(100);
    ASSERT_EQ(match->heldCount, 1);
    TickOnline(100 + QuietAwayMs); // the friend away: the match waits
    EXPECT_TRUE(MatchWaits());
    TickOnline(100 + QuietGoneMs); // a crash: gone, its held key let go, the match kept
    EXPECT_EQ(Orders() + std::to_string(FriendPeer(HostSide)), "drop 0 0;-1");
    EXPECT_TRUE(MatchWaits());
    EXPECT_EQ(match->heldCount, 0);
    TickOnline(100 + QuietGoneMs + RejoinWaitMs - 1);
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
    TickOnline(100 + RejoinWaitMs - 1);
    EXPECT_TRUE(MatchWaits());
    TickOnline(100 + RejoinWaitMs); // a minute: back to the title screen, still hosting
    EXPECT_FALSE(MatchRunning || FriendJoined);
    EXPECT_EQ(Role, OnlineRole::Hosting);
}

// A line that still answers but carries nothing one way: the side that hears nothing new
// waits for the other, and gives it up in time.
TEST_F(Online, EachSideSeesALineThatCarriesNothingToTheFriend)
{
    FriendSession& side = HostWithFriend();
    // The host's frames stop reaching the friend at 1000 ms; its reports still come.
    std::string seen, last;
    for (unsigned now = 0; now <= 1500 + QuietGoneMs; now += 6)
    {
        TickFriendSession(side, now);
        for (const Bytes& bytes : Sent())
        {
            HandleOnlineEvent(Event('r', 0, bytes), now);
        }
        TickOnline(now);
        ScreenCells[now % CanvasCells] = static_cast<unsigned char>(now); // the screen moves
        SendHostFrame(now);
        const std::vector<Bytes> toFriend = Sent();
        for (const Bytes& bytes : toFriend)
        {
            now < 1000 ? HandleFriendEvent(side, Event('r', 0, bytes), now) : void();
        }
        const std::string state = std::string(FriendPeer(HostSide) < 0 ? "gone"
                                              : FriendAway(HostSide)   ? "away"
                                                                       : "in") +
                                  (side.stage == FriendStage::Off ? ", host gone"
                                   : side.hostAway                ? ", host away"
                                                                  : ", host in");
        if (state != last)
        {
            seen += std::to_string(now / 100) + ": " + state + "; ";
            last = state;
        }
    }
    // Both within QuietAwayMs and QuietGoneMs of the last frame that reached the friend.
    EXPECT_EQ(seen, "0: in, host in; 30: in, host away; 30: away, host away; 109: away, host gone; "
                    "110: gone, host gone; ");
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
