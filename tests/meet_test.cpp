// Meeting through a meeting point: a friend with the code finds the host and the two talk
// sealed; strangers without it, and messages played back, change nothing; the waits and
// the limits hold.
#include "net/meet.h"
#include "tests/meet/by_hand.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
const CodeKey Key = KeyOf("k3m9xq2tvw");
const CodeKey OtherKey = KeyOf("k3m9xq2tvx");

using Bytes = std::vector<unsigned char>;

struct Side
{
    unsigned char out[MaxMeetPayload];
    unsigned char plain[MaxMeetPlain + 1];
};

Side HostSide;
Side FriendSide;

// Ticks the friend until it knocks; the knock's bytes.
Bytes Knock(MeetFriend& joining, unsigned now)
{
    for (int n = 0; n < 3; ++n)
    {
        const MeetStep step = TickMeetFriend(joining, true, now, FriendSide.out);
        if (step.order == MeetOrder::Publish)
        {
            EXPECT_STREQ(step.subject, joining.hostSubject);
            return Bytes(FriendSide.out, FriendSide.out + step.size);
        }
    }
    return {};
}

MeetHostHeard HostHears(MeetHost& host, const Bytes& bytes, unsigned now)
{
    HostSide.plain[MaxMeetPlain] = 0xa5;
    const MeetHostHeard heard =
        HearAtHost(host, bytes.data(), bytes.size(), now, HostSide.out, HostSide.plain);
    EXPECT_EQ(HostSide.plain[MaxMeetPlain], 0xa5);
    return heard;
}

MeetHostHeard FriendHears(MeetFriend& joining, const Bytes& bytes)
{
    FriendSide.plain[MaxMeetPlain] = 0xa5;
    const MeetHostHeard heard = HearAtFriend(joining, bytes.data(), bytes.size(), FriendSide.plain);
    EXPECT_EQ(FriendSide.plain[MaxMeetPlain], 0xa5);
    return heard;
}

Bytes ToFriend(MeetHost& host, int conversation, const char* text)
{
    const int size = SealForFriend(host, conversation, reinterpret_cast<const unsigned char*>(text),
                                   static_cast<int>(std::strlen(text)), HostSide.out);
    return Bytes(HostSide.out, HostSide.out + size);
}

Bytes ToHost(MeetFriend& joining, const char* text)
{
    const int size = SealForHost(joining, reinterpret_cast<const unsigned char*>(text),
                                 static_cast<int>(std::strlen(text)), FriendSide.out);
    return Bytes(FriendSide.out, FriendSide.out + size);
}

std::string Plain(const Side& side, const MeetHostHeard& heard)
{
    return heard.what == MeetHeard::Message
               ? std::string(reinterpret_cast<const char*>(side.plain), heard.size)
               : "dropped";
}

// A friend knocked and answered: the conversation's number on the host.
int Meet(MeetHost& host, MeetFriend& joining, unsigned now)
{
    EXPECT_TRUE(StartMeetFriend(joining, Key, now));
    const MeetHostHeard heard = HostHears(host, Knock(joining, now), now);
    EXPECT_EQ(heard.what, MeetHeard::Answer);
    EXPECT_EQ(FriendHears(joining, Bytes(HostSide.out, HostSide.out + heard.size)).what,
              MeetHeard::Answer);
    EXPECT_EQ(joining.stage, MeetStage::Answered);
    return heard.conversation;
}
} // namespace

TEST(Meet, FriendWithTheCodeFindsTheHostAndTheyTalkSealed)
{
    MeetHost host;
    StartMeetHost(host, Key);
    const MeetAddress addresses[] = {{0x05050501, 27183}, {0, 27183},          {0x0a000001, 0},
                                     {0xc0a84d02, 27183}, {0x7f000001, 70000}, {0x01020304, 1},
                                     {0x01020305, 2},     {0x01020306, 3}};
    SetMeetAddresses(host, addresses, 8);
    ASSERT_EQ(host.addressCount, MaxMeetAddresses); // the unreachable left out, then four

    MeetFriend joining;
    ASSERT_TRUE(StartMeetFriend(joining, Key, 0));
    // Subjects: the name derived from the code, the friend's conversation in hex, no code.
    EXPECT_STREQ(joining.hostSubject, host.subject);
    EXPECT_STREQ(host.subject, "tq.a1cfa5eaa8f68954db3bf7b4");
    EXPECT_EQ(std::strlen(joining.ownSubject), static_cast<std::size_t>(MeetSubjectBytes - 1));
    EXPECT_EQ(std::strncmp(joining.ownSubject, host.subject, std::strlen(host.subject)), 0);
    EXPECT_EQ(std::string(joining.ownSubject).find_first_not_of("tq.0123456789abcdef"),
              std::string::npos);
    EXPECT_EQ(std::string(joining.ownSubject).find("k3m9xq2tvw"), std::string::npos);

    const MeetStep listen = TickMeetFriend(joining, true, 0, FriendSide.out);
    EXPECT_EQ(listen.order, MeetOrder::Subscribe);
    EXPECT_STREQ(listen.subject, joining.ownSubject);
    const Bytes knock = Knock(joining, 0);
    ASSERT_EQ(knock.size(), static_cast<std::size_t>(KnockBytes));
    EXPECT_EQ(std::string(knock.begin(), knock.end()).find("k3m9xq2tvw"), std::string::npos);

    const MeetHostHeard answered = HostHears(host, knock, 10);
    ASSERT_EQ(answered.what, MeetHeard::Answer);
    const int talk = answered.conversation;
    EXPECT_STREQ(host.conversations[talk].subject, joining.ownSubject);
    EXPECT_EQ(FriendHears(joining, Bytes(HostSide.out, HostSide.out + answered.size)).what,
              MeetHeard::Answer);
    ASSERT_EQ(joining.stage, MeetStage::Answered);
    ASSERT_EQ(joining.addressCount, MaxMeetAddresses);
    for (int n = 0; n < MaxMeetAddresses; ++n)
    {
        EXPECT_EQ(joining.addresses[n].address, host.addresses[n].address);
        EXPECT_EQ(joining.addresses[n].port, host.addresses[n].port);
    }
    EXPECT_EQ(TickMeetFriend(joining, true, 20, FriendSide.out).order, MeetOrder::None);

    // Both ways, in order; the largest message fits the meeting point's limit.
    EXPECT_EQ(Plain(HostSide, HostHears(host, ToHost(joining, "key up"), 30)), "key up");
    EXPECT_EQ(Plain(FriendSide, FriendHears(joining, ToFriend(host, talk, "frame 1"))), "frame 1");
    const std::string largest(MaxMeetPlain, 'f');
    const Bytes big = ToHost(joining, largest.c_str());
    EXPECT_EQ(big.size(), static_cast<std::size_t>(MaxMeetPayload));
    EXPECT_EQ(Plain(HostSide, HostHears(host, big, 40)), largest);
    EXPECT_EQ(Plain(FriendSide, FriendHears(joining, ToFriend(host, talk, largest.c_str()))),
              largest);
    const std::string tooLong(MaxMeetPlain + 1, 'f');
    EXPECT_TRUE(ToFriend(host, talk, tooLong.c_str()).empty());
    EXPECT_TRUE(ToHost(joining, tooLong.c_str()).empty());
}

TEST(Meet, StrangersAndPlayedBackMessagesChangeNothing)
{
    MeetHost host;
    StartMeetHost(host, Key);
    MeetFriend joining;
    const int talk = Meet(host, joining, 0);
    const Bytes first = ToHost(joining, "first");
    const Bytes reply = ToFriend(host, talk, "reply");

    // A stranger with another code: its knock is not answered, its answer not taken.
    MeetFriend stranger;
    ASSERT_TRUE(StartMeetFriend(stranger, OtherKey, 0));
    Bytes strangeKnock = Knock(stranger, 0);
    EXPECT_EQ(HostHears(host, strangeKnock, 10).what, MeetHeard::Nothing);
    // Its knock on our host's subject, with our name, still lacks the proof.
    EXPECT_EQ(HostHears(host, strangeKnock, 10).what, MeetHeard::Nothing);
    MeetHost strangeHost;
    StartMeetHost(strangeHost, OtherKey);
    MeetFriend late;
    ASSERT_TRUE(StartMeetFriend(late, Key, 0));
    const Bytes lateKnock = Knock(late, 0);
    strangeKnock = lateKnock;
    strangeKnock.back() ^= 1;
    EXPECT_EQ(HostHears(host, strangeKnock, 10).what, MeetHeard::Nothing); // a proof bent
    const MeetHostHeard strangeAnswer = HostHears(strangeHost, Knock(stranger, 600), 10);
    ASSERT_EQ(strangeAnswer.what, MeetHeard::Answer);
    EXPECT_EQ(FriendHears(late, Bytes(HostSide.out, HostSide.out + strangeAnswer.size)).what,
              MeetHeard::Nothing);
    EXPECT_EQ(late.stage, MeetStage::Knocking);

    // Played back: a message, an answer, a knock; garbage; a message for no conversation.
    EXPECT_EQ(Plain(HostSide, HostHears(host, first, 20)), "first");
    EXPECT_EQ(HostHears(host, first, 20).what, MeetHeard::Nothing);
    EXPECT_EQ(Plain(FriendSide, FriendHears(joining, reply)), "reply");
    EXPECT_EQ(FriendHears(joining, reply).what, MeetHeard::Nothing);
    Bytes garbage(200, 'D');
    EXPECT_EQ(HostHears(host, garbage, 20).what, MeetHeard::Nothing);
    EXPECT_EQ(FriendHears(joining, garbage).what, MeetHeard::Nothing);
    Bytes moved = ToHost(joining, "moved");
    moved[1] ^= 1; // another conversation
    EXPECT_EQ(HostHears(host, moved, 20).what, MeetHeard::Nothing);
    EXPECT_EQ(Plain(HostSide, HostHears(host, ToHost(joining, "second"), 20)), "second");

    // A knock of a conversation that ended is not answered again, played back however late.
    Bytes knock = Knock(late, 1000);
    const MeetHostHeard heard = HostHears(host, knock, 1000);
    ASSERT_EQ(heard.what, MeetHeard::Answer);
    EXPECT_EQ(HostHears(host, knock, 1100).what, MeetHeard::Nothing); // answered lately
    const MeetHostHeard again = HostHears(host, knock, 1500);         // lost? once more
    ASSERT_EQ(again.what, MeetHeard::Answer);
    EXPECT_EQ(FriendHears(late, Bytes(HostSide.out, HostSide.out + again.size)).what,
              MeetHeard::Answer);
    EXPECT_EQ(Plain(HostSide, HostHears(host, ToHost(late, "hello"), 1600)), "hello");
    EXPECT_EQ(HostHears(host, knock, 3000).what, MeetHeard::Nothing); // it has the keys
    EndConversation(host, heard.conversation);
    EXPECT_EQ(HostHears(host, knock, 9000).what, MeetHeard::Nothing);
    EXPECT_EQ(HostHears(host, ToHost(late, "gone"), 9000).what, MeetHeard::Nothing);
    // The first friend goes on as before.
    EXPECT_EQ(Plain(HostSide, HostHears(host, ToHost(joining, "third"), 9000)), "third");
}

TEST(Meet, WaitsRunOutAndConversationsAreBounded)
{
    MeetFriend joining;
    unsigned char out[KnockBytes];
    // The meeting point never reached.
    ASSERT_TRUE(StartMeetFriend(joining, Key, 100));
    EXPECT_EQ(TickMeetFriend(joining, false, 100 + MeetConnectWaitMs - 1, out).order,
              MeetOrder::None);
    EXPECT_EQ(joining.stage, MeetStage::Connecting);
    TickMeetFriend(joining, false, 100 + MeetConnectWaitMs, out);
    EXPECT_EQ(joining.stage, MeetStage::Unreachable);
    EXPECT_EQ(TickMeetFriend(joining, true, 100 + MeetConnectWaitMs, out).order, MeetOrder::None);

    // Reached, never answered: a knock every MeetKnockEveryMs, none while the line is down.
    ASSERT_TRUE(StartMeetFriend(joining, Key, 0));
    EXPECT_EQ(TickMeetFriend(joining, true, 1000, out).order, MeetOrder::Subscribe);
    int knocks = 0;
    for (unsigned now = 1000; now < 1000 + MeetAnswerWaitMs + 100; now += 10)
    {
        knocks += TickMeetFriend(joining, now < 2000 || now >= 3000, now, out).order ==
                  MeetOrder::Publish;
        EXPECT_EQ(joining.stage,
                  now < 1000 + MeetAnswerWaitMs ? MeetStage::Knocking : MeetStage::NoAnswer);
    }
    EXPECT_EQ(knocks, 8); // 1000, 1500; 3000 .. 5500

    // A host of another version is told apart.
    ASSERT_TRUE(StartMeetFriend(joining, Key, 0));
    TickMeetFriend(joining, true, 0, out);
    unsigned char answer[MaxAnswerBytes];
    // Sealed right, yet claiming two addresses it does not hold: no answer.
    const unsigned char counted[] = {MeetVersion, 2};
    int size = AnswerByHand(Key, joining, counted, 2, answer);
    EXPECT_EQ(FriendHears(joining, Bytes(answer, answer + size)).what, MeetHeard::Nothing);
    EXPECT_EQ(joining.stage, MeetStage::Knocking);
    const unsigned char other[] = {MeetVersion + 1, 0};
    size = AnswerByHand(Key, joining, other, 2, answer);
    EXPECT_EQ(FriendHears(joining, Bytes(answer, answer + size)).what, MeetHeard::Nothing);
    EXPECT_EQ(joining.stage, MeetStage::OtherVersion);

    // The host holds MaxMeetConversations; one never used is forgotten, one in use is kept.
    MeetHost host;
    StartMeetHost(host, Key);
    static MeetFriend friends[MaxMeetConversations + 1];
    for (int n = 0; n < MaxMeetConversations; ++n)
    {
        Meet(host, friends[n], 0);
    }
    ASSERT_TRUE(StartMeetFriend(friends[MaxMeetConversations], Key, 0));
    const Bytes extra = Knock(friends[MaxMeetConversations], 0);
    EXPECT_EQ(HostHears(host, extra, 100).what, MeetHeard::Nothing);
    EXPECT_EQ(Plain(HostSide, HostHears(host, ToHost(friends[0], "used"), 100)), "used");
    TickMeetHost(host, MeetKnockWaitMs - 1);
    EXPECT_EQ(HostHears(host, extra, MeetKnockWaitMs - 1).what, MeetHeard::Nothing);
    TickMeetHost(host, MeetKnockWaitMs);
    EXPECT_EQ(HostHears(host, ToHost(friends[1], "late"), MeetKnockWaitMs).what,
              MeetHeard::Nothing);
    EXPECT_EQ(HostHears(host, extra, MeetKnockWaitMs).what, MeetHeard::Answer);
    EXPECT_EQ(Plain(HostSide, HostHears(host, ToHost(friends[0], "kept"), MeetKnockWaitMs)),
              "kept");
}

// A friend tries directly a host's public address, and a private one only on its own network;
// never its own.
TEST(Meet, AFriendTriesOnlyAddressesItMayReach)
{
    const std::uint32_t own[] = {0xc0a80102, 0x0a000005}; // 192.168.1.2, 10.0.0.5
    const auto worth = [&](std::uint32_t address) { return WorthTrying({address, 27183}, own, 2); };
    EXPECT_TRUE(worth(0x05050501));                      // 5.5.5.1
    EXPECT_TRUE(worth(0xc0a80114) && worth(0x0a0000fe)); // 192.168.1.20, 10.0.0.254
    EXPECT_FALSE(worth(0xc0a80102));                     // our own
    for (const std::uint32_t other :
         {0xc0a80202u, 0x0a000105u, 0xac1f0002u, 0x64400102u, 0xa9fe0102u})
    {
        EXPECT_FALSE(worth(other)) << std::hex << other; // another home's private addresses
    }
    EXPECT_TRUE(worth(0xac200002) && worth(0x64800102)); // 172.32.0.2, 100.128.1.2: public
}
