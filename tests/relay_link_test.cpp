// Connections through a meeting point: reliable messages arrive in order and once whatever the
// line loses, repeats or reorders; packets that fail their checks change nothing; goodbyes,
// silence and the pace of packets.
#include "net/messages.h"
#include "net/relay_link.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

RelayLink A, B; // two sides, each with its one peer 0

void OpenBoth(unsigned now)
{
    ResetRelayLink(A, MaxMessageBytes);
    ResetRelayLink(B, MaxMessageBytes);
    ASSERT_TRUE(OpenRelayPeer(A, 0, 7, 1, now) && OpenRelayPeer(B, 0, 9, 2, now));
    LinkEvent event;
    ASSERT_TRUE(PollRelayLink(A, event) && event.type == LinkEventType::Connected &&
                event.peer == 7 && event.address == 1);
    ASSERT_TRUE(PollRelayLink(B, event) && !PollRelayLink(B, event));
}

void Order(RelayLink& link, int channel, const Bytes& bytes)
{
    const LinkOrder order = {LinkOrderType::Send, 0, channel, 0, static_cast<int>(bytes.size()),
                             ReasonNone};
    OrderRelay(link, 0, order, bytes.data());
}

// Every packet due now, each checked to write nothing past RelayPacketBytes.
std::vector<Bytes> Packets(RelayLink& link, unsigned now, bool force = false)
{
    static unsigned char out[RelayPacketBytes + 1];
    std::vector<Bytes> made;
    out[RelayPacketBytes] = 0xa5;
    for (int size; (size = MakeRelayPacket(link, 0, 7, now, force, out)) > 0;)
    {
        made.emplace_back(out, out + size);
    }
    EXPECT_EQ(out[RelayPacketBytes], 0xa5);
    return made;
}

std::vector<LinkEvent> Events(RelayLink& link, std::vector<Bytes>* bytes = nullptr)
{
    std::vector<LinkEvent> events;
    for (LinkEvent event; PollRelayLink(link, event);)
    {
        events.push_back(event);
        if (bytes != nullptr && event.type == LinkEventType::Received)
        {
            bytes->emplace_back(event.bytes, event.bytes + event.size);
        }
    }
    return events;
}

Bytes Numbered(int n)
{
    return Bytes(static_cast<std::size_t>(1 + n % 300), static_cast<unsigned char>(n));
}

// A line that loses, repeats and holds packets back, at random but the same every run.
TEST(RelayLink, ReliableMessagesComeInOrderOnceOverALineThatLosesRepeatsAndReorders)
{
    OpenBoth(0);
    std::mt19937 line(5);
    std::multimap<unsigned, Bytes> toB, toA; // by arrival time, in the order sent
    constexpr int Messages = 1500;
    std::vector<Bytes> taken;
    int sent = 0, quickTaken = 0;
    auto carry =
        [&](std::vector<Bytes> packets, std::multimap<unsigned, Bytes>& queue, unsigned now)
    {
        for (Bytes& packet : packets)
        {
            const unsigned roll = line() % 100;
            if (roll < 25)
            {
                continue; // lost
            }
            queue.insert({now + 40 + line() % 120, packet}); // late ones overtaken
            if (roll < 35)
            {
                queue.insert({now + 40 + line() % 400, packet}); // and once more
            }
        }
    };
    auto deliver = [&](std::multimap<unsigned, Bytes>& queue, RelayLink& link, unsigned now)
    {
        while (!queue.empty() && queue.begin()->first <= now)
        {
            const Bytes& packet = queue.begin()->second;
            EXPECT_TRUE(HearRelayPacket(link, 0, 9, packet.data(), packet.size(), now));
            queue.erase(queue.begin());
        }
    };
    for (unsigned now = 0; now < 120000 && static_cast<int>(taken.size()) < Messages; now += 18)
    {
        for (unsigned n = line() % 3; n > 0 && sent < Messages; --n)
        {
            Order(A, ReliableChannel, Numbered(sent++));
        }
        Order(A, QuickChannel, Bytes(40, 0x51));
        carry(Packets(A, now), toB, now);
        carry(Packets(B, now), toA, now);
        deliver(toB, B, now);
        deliver(toA, A, now);
        std::vector<Bytes> bytes;
        for (const LinkEvent& event : Events(B, &bytes))
        {
            ASSERT_EQ(event.type, LinkEventType::Received);
            ASSERT_EQ(event.peer, 9);
        }
        for (const Bytes& message : bytes)
        {
            message == Bytes(40, 0x51) ? static_cast<void>(++quickTaken) : taken.push_back(message);
        }
        Events(A);
    }
    ASSERT_EQ(static_cast<int>(taken.size()), Messages);
    for (int n = 0; n < Messages; ++n)
    {
        ASSERT_EQ(taken[static_cast<std::size_t>(n)], Numbered(n)) << n;
    }
    EXPECT_GT(quickTaken, 0);
    EXPECT_EQ(A.droppedBytes, 0u);
}

// A packet that fails its checks is dropped whole: not even its messages before the fault come.
TEST(RelayLink, APacketThatFailsItsChecksChangesNothing)
{
    OpenBoth(0);
    Order(A, ReliableChannel, {1, 2, 3});
    const Bytes good = Packets(A, 0).at(0);
    const Bytes quick = {0, 0, 'Q', 0, 2, 7, 8};
    const std::vector<Bytes> bad = {
        {0},                            // no ack
        {0, 1},                         // acks a message B never sent
        {0, 0, 'Q', 0, 3, 7, 8},        // cut short
        {0, 0, 'Q', 0, 2, 7, 8, 'X'},   // an unknown record after a good one
        {0, 0, 'G', 0, 'Q', 0, 0},      // bytes after a goodbye
        {0, 0, 'R', 0, 0, 0x04, 0xb1},  // longer than any message (1201 bytes)
        Bytes(RelayPacketBytes + 1, 0), // longer than any packet
    };
    for (const Bytes& packet : bad)
    {
        EXPECT_FALSE(HearRelayPacket(B, 0, 9, packet.data(), packet.size(), 0));
    }
    EXPECT_TRUE(Events(B).empty());
    EXPECT_TRUE(RelayPeerOpen(B, 0));
    std::vector<Bytes> bytes;
    EXPECT_TRUE(HearRelayPacket(B, 0, 9, good.data(), good.size(), 0));
    EXPECT_TRUE(HearRelayPacket(B, 0, 9, quick.data(), quick.size(), 0));
    EXPECT_EQ(Events(B, &bytes).size(), 2u);
    EXPECT_EQ(bytes, (std::vector<Bytes>{{1, 2, 3}, {7, 8}}));
}

// The host's frames of two steps go in one packet; what fills a packet goes at once; an ack with
// nothing to carry it waits, and then goes alone.
TEST(RelayLink, PacketsKeepTheirPaceAndAcksFollow)
{
    OpenBoth(0);
    Order(A, QuickChannel, Bytes(500, 1));
    EXPECT_EQ(Packets(A, 0).size(), 1u); // the first at once
    Order(A, QuickChannel, Bytes(500, 2));
    EXPECT_TRUE(Packets(A, 18).empty());
    Order(A, QuickChannel, Bytes(500, 3));
    const std::vector<Bytes> both = Packets(A, 36);
    ASSERT_EQ(both.size(), 1u);
    EXPECT_EQ(both[0].size(), 2u + 2 * 503u);
    for (int n = 0; n < 20; ++n)
    {
        Order(A, QuickChannel, Bytes(1000, 4));
    }
    EXPECT_EQ(Packets(A, 40).size(), 2u); // 20 kB: two full packets at once, gap or not
    EXPECT_EQ(Packets(A, 70).size(), 1u); // and the rest in its time
    Order(B, ReliableChannel, {5});
    const Bytes reliable = Packets(B, 100).at(0);
    ASSERT_TRUE(HearRelayPacket(A, 0, 9, reliable.data(), reliable.size(), 100));
    EXPECT_TRUE(Packets(A, 100 + RelayAckDelayMs - 1).empty());
    const std::vector<Bytes> ack = Packets(A, 100 + RelayAckDelayMs);
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0], (Bytes{0, 1}));
    ASSERT_TRUE(HearRelayPacket(B, 0, 9, ack[0].data(), ack[0].size(), 300));
    EXPECT_TRUE(Packets(B, 100 + FirstRelayResendMs).empty()); // acknowledged: never again
}

// A goodbye closes both ends with its reason on the far one; a silent peer closes after
// PeerTimeoutMs; orders for a closed peer are dropped.
TEST(RelayLink, GoodbyesAndSilenceCloseAPeer)
{
    OpenBoth(0);
    Order(A, ReliableChannel, {6});
    OrderRelay(A, 0, {LinkOrderType::Drop, 0, 0, 0, 0, ReasonFull}, nullptr);
    const std::vector<Bytes> last = Packets(A, 0);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_FALSE(RelayPeerOpen(A, 0));
    const std::vector<LinkEvent> closed = Events(A);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_TRUE(closed[0].type == LinkEventType::Disconnected && closed[0].reason == ReasonNone);
    ASSERT_TRUE(HearRelayPacket(B, 0, 9, last[0].data(), last[0].size(), 0));
    const std::vector<LinkEvent> told = Events(B);
    ASSERT_EQ(told.size(), 2u); // the message before the goodbye, then the goodbye
    EXPECT_EQ(told[0].type, LinkEventType::Received);
    EXPECT_TRUE(told[1].type == LinkEventType::Disconnected && told[1].reason == ReasonFull);
    EXPECT_FALSE(RelayPeerOpen(B, 0));

    OpenBoth(1000);
    EXPECT_FALSE(TimeOutRelayPeer(A, 0, 7, 1000 + PeerTimeoutMs - 1));
    EXPECT_TRUE(TimeOutRelayPeer(A, 0, 7, 1000 + PeerTimeoutMs));
    EXPECT_EQ(Events(A).size(), 1u);
    Order(A, ReliableChannel, {1});
    EXPECT_TRUE(Packets(A, 1000 + PeerTimeoutMs + 100, true).empty());
}
} // namespace
