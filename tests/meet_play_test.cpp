// Online play through a meeting point, wired to a meeting point in memory: a friend's knock is
// answered with the host's addresses, its relayed packets become the link's events for a peer
// after the network's own, the sessions' orders go back sealed, a goodbye ends the
// conversation, and strangers' bytes and played-back packets change nothing.
#include "net/host_session.h"
#include "net/meet_play.h"
#include "net/messages.h"
#include "net/relay_squeeze.h"
#include "tests/meet/by_hand.h"
#include "tests/meet/fake_meet_link.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

const CodeKey Key = KeyOf("k3m9xq2tvw");

// The friend's side as the test plays it: its knock, and its own relayed peer.
struct TestFriend
{
    MeetFriend meet;
    RelayLink relay;
    SqueezeLine line;
    unsigned char squeezed[MaxSqueezedBytes];
    unsigned char out[MaxMeetPayload];
    unsigned char plain[MaxMeetPlain];
    unsigned char packet[RelayPacketBytes];
};
TestFriend Friend;

// The friend knocks and hears what the host sent to its subject: its stage after.
MeetStage Knock(unsigned now)
{
    StartMeetFriend(Friend.meet, Key, now);
    ResetRelayLink(Friend.relay, MaxMessageBytes);
    ResetSqueezeLine(Friend.line);
    for (MeetStep step;
         (step = TickMeetFriend(Friend.meet, true, now, Friend.out)).order != MeetOrder::None;)
    {
        if (step.order == MeetOrder::Publish)
        {
            DeliverFake(step.subject, Bytes(Friend.out, Friend.out + step.size));
        }
    }
    TickMeetPlay(now);
    for (const FakeMessage& sent : FakeSent)
    {
        if (sent.subject == Friend.meet.ownSubject)
        {
            HearAtFriend(Friend.meet, sent.bytes.data(), sent.bytes.size(), Friend.plain);
        }
    }
    FakeSent.clear();
    return Friend.meet.stage;
}

// A relayed packet of the friend's, squeezed and sealed, as the meeting point passes it on.
Bytes FriendPacket(unsigned now)
{
    const int size = MakeRelayPacket(Friend.relay, 0, 0, now, true, Friend.packet);
    const int squeezed = SqueezePacket(Friend.line, Friend.packet, size, Friend.squeezed);
    const int sealed = SealForHost(Friend.meet, Friend.squeezed, squeezed, Friend.out);
    return Bytes(Friend.out, Friend.out + sealed);
}

std::vector<LinkEvent> HostEvents(std::vector<Bytes>* received = nullptr)
{
    std::vector<LinkEvent> events;
    for (LinkEvent event; PollMeetPlay(event);)
    {
        events.push_back(event);
        if (received != nullptr && event.type == LinkEventType::Received)
        {
            received->emplace_back(event.bytes, event.bytes + event.size);
        }
    }
    return events;
}

void StartHosting()
{
    EndMeetPlay();
    ResetFakeMeet();
    ClearLinkOrders();
    ASSERT_TRUE(StartMeetHosting("meet.example", 4222, Key));
    EXPECT_FALSE(StartMeetHosting("meet.example", 4222, Key)); // one at a time
    const MeetAddress direct[] = {{0x05050501, 27183}};
    SetMeetPlayAddresses(direct, 1);
    TickMeetPlay(0);
    EXPECT_TRUE(FakeListens.empty()); // not before the line is up
    SetFakeLine(MeetLine::Up);
    TickMeetPlay(0);
    ASSERT_EQ(FakeListens.size(), 1u);
}

TEST(MeetPlay, AFriendsRelayedMessagesReachTheHostsSessionsAndBack)
{
    StartHosting();
    ASSERT_EQ(Knock(10), MeetStage::Answered);
    ASSERT_EQ(Friend.meet.addressCount, 1);
    EXPECT_EQ(Friend.meet.addresses[0].address, 0x05050501u);
    EXPECT_EQ(FakeListens[0], Friend.meet.hostSubject);

    // The friend's hello: a Connected event for the first relayed peer, then the message.
    ASSERT_TRUE(OpenRelayPeer(Friend.relay, 0, 0, 0, 20));
    const Bytes hello = {KindHello, 1, 2, 3};
    OrderRelay(Friend.relay, 0, {LinkOrderType::Send, 0, ReliableChannel, 0, 4, ReasonNone},
               hello.data());
    const Bytes first = FriendPacket(20);
    DeliverFake(Friend.meet.hostSubject, first);
    TickMeetPlay(30);
    std::vector<Bytes> received;
    std::vector<LinkEvent> events = HostEvents(&received);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].type == LinkEventType::Connected && events[0].peer == MaxLinkPeers &&
                events[0].address == RelayedAddress(0));
    EXPECT_TRUE(RelayedPeer(events[1].peer) && !RelayedPeer(MaxLinkPeers - 1));
    EXPECT_EQ(received, std::vector<Bytes>{hello});

    // Played back, or a stranger's bytes: nothing.
    DeliverFake(Friend.meet.hostSubject, first);
    DeliverFake(Friend.meet.hostSubject, Bytes(200, 'D'));
    TickMeetPlay(40);
    EXPECT_TRUE(HostEvents().empty());

    // The host's answer on its quick channel and a goodbye: sealed to the friend's subject.
    const Bytes challenge = {KindChallenge, 9};
    OrderSend(MaxLinkPeers, QuickChannel, challenge.data(), 2);
    OrderSend(MaxLinkPeers - 1, QuickChannel, challenge.data(), 2); // the network's, not ours
    OrderDrop(MaxLinkPeers, ReasonFull);
    FlushMeetPlay();
    ClearLinkOrders();
    ASSERT_EQ(FakeSent.size(), 1u);
    EXPECT_EQ(FakeSent[0].subject, Friend.meet.ownSubject);
    ASSERT_EQ(
        HearAtFriend(Friend.meet, FakeSent[0].bytes.data(), FakeSent[0].bytes.size(), Friend.plain)
            .what,
        MeetHeard::Message);
    FakeSent.clear();
    events = HostEvents();
    ASSERT_EQ(events.size(), 1u); // the host's own end of it
    EXPECT_EQ(events[0].type, LinkEventType::Disconnected);

    // The conversation is over: the friend's later packets are dropped.
    OrderRelay(Friend.relay, 0, {LinkOrderType::Send, 0, QuickChannel, 0, 4, ReasonNone},
               hello.data());
    DeliverFake(Friend.meet.hostSubject, FriendPacket(60));
    TickMeetPlay(60);
    EXPECT_TRUE(HostEvents().empty());
    EndMeetPlay();
    EXPECT_FALSE(FakeOpened);
}

// The friend's side: the host is link peer 0 once relayed, after its answer, and what the
// friend's session sends goes sealed to the host's subject.
TEST(MeetPlay, AFriendGoesRelayedAfterTheAnswer)
{
    EndMeetPlay();
    ResetFakeMeet();
    ClearLinkOrders();
    ASSERT_TRUE(StartMeetJoining("meet.example", 4222, Key, 0));
    EXPECT_FALSE(GoRelayed(0)); // no answer yet
    SetFakeLine(MeetLine::Up);
    TickMeetPlay(0);
    ASSERT_EQ(FakeListens.size(), 1u);
    ASSERT_EQ(FakeSent.size(), 1u); // the knock
    static MeetHost host;
    static unsigned char out[MaxMeetPayload], plain[MaxMeetPlain];
    StartMeetHost(host, Key);
    const MeetAddress direct[] = {{0x05050501, 27183}};
    SetMeetAddresses(host, direct, 1);
    const MeetHostHeard knock =
        HearAtHost(host, FakeSent[0].bytes.data(), FakeSent[0].bytes.size(), 0, out, plain);
    ASSERT_EQ(knock.what, MeetHeard::Answer);
    FakeSent.clear();
    DeliverFake(host.conversations[0].subject, Bytes(out, out + knock.size));
    TickMeetPlay(10);
    ASSERT_EQ(MeetJoin().stage, MeetStage::Answered);
    EXPECT_EQ(MeetJoin().addresses[0].port, 27183);
    EXPECT_FALSE(JoinedRelayed());

    TickMeetPlay(20);
    ASSERT_TRUE(GoRelayed(20));
    EXPECT_FALSE(GoRelayed(20));
    LinkEvent event;
    ASSERT_TRUE(PollMeetPlay(event));
    EXPECT_TRUE(event.type == LinkEventType::Connected && event.peer == 0);
    const Bytes hello = {KindHello, 1};
    OrderSend(0, QuickChannel, hello.data(), 2);
    FlushMeetPlay();
    ClearLinkOrders();
    ASSERT_EQ(FakeSent.size(), 1u);
    EXPECT_EQ(FakeSent[0].subject, host.subject);
    const MeetHostHeard heard =
        HearAtHost(host, FakeSent[0].bytes.data(), FakeSent[0].bytes.size(), 20, out, plain);
    ASSERT_EQ(heard.what, MeetHeard::Message);
    static SqueezeLine line;
    ResetSqueezeLine(line);
    static unsigned char packet[RelayPacketBytes];
    const int size = ExpandPacket(line, plain, heard.size, packet);
    ASSERT_GE(size, 0);
    EXPECT_EQ(Bytes(packet, packet + size), (Bytes{0, 0, 'Q', 0, 2, KindHello, 1}));
    EXPECT_TRUE(JoinedRelayed());
    EndMeetPlay();
    EXPECT_EQ(MeetPlayRole(), MeetRole::Off);
    EXPECT_EQ(MeetPlayLine(), MeetLine::Off);
}
} // namespace
