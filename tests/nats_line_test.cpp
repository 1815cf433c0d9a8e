// The page's connection to a meeting point: when it opens, greets, listens again after a lost
// line, notices a dead one, and what it hands on.
#include "net/nats_line.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
NatsLine Line;

std::string Output()
{
    const char* bytes = nullptr;
    const int size = TakeNatsOutput(Line, bytes);
    return std::string(bytes, size);
}

NatsOrder Hear(const std::string& text, unsigned now)
{
    return HearNats(Line, reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()), now);
}

// Opens the socket at now and lets the server greet and answer: the line is Up after.
void Connect(unsigned now)
{
    ASSERT_EQ(TickNatsLine(Line, now), NatsOrder::Open);
    NatsSocketOpened(Line, now);
    ASSERT_EQ(Hear("INFO {}\r\n", now), NatsOrder::None);
}
} // namespace

TEST(NatsLine, GreetsListensAgainAfterALostLineAndHandsMessagesOn)
{
    StartNatsLine(Line, 1000);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Connecting);
    EXPECT_FALSE(SendNats(Line, "tq.a", nullptr, 0)); // not yet
    Connect(1000);
    const std::string greeting = Output();
    EXPECT_EQ(greeting.rfind("CONNECT {", 0), 0u);
    EXPECT_EQ(greeting.substr(greeting.size() - 6), "PING\r\n");
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Connecting); // until the server answers
    EXPECT_FALSE(ListenNats(Line, "tq.a"));
    Hear("PONG\r\n", 1010);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Up);
    ASSERT_TRUE(ListenNats(Line, "tq.a"));
    ASSERT_TRUE(ListenNats(Line, "tq.b.c"));
    EXPECT_FALSE(ListenNats(Line, "tq bad"));
    const unsigned char bytes[] = {1, 2, 3};
    ASSERT_TRUE(SendNats(Line, "tq.x", bytes, 3));
    EXPECT_EQ(Output(), std::string("SUB tq.a 1\r\nSUB tq.b.c 2\r\nPUB tq.x 3\r\n\1\2\3\r\n"));
    // The server's ping is answered; its messages are queued whole, however they were split.
    Hear("PING\r\nMSG tq.b.c 2 4\r\nab", 1020);
    Hear("cd\r\n", 1030);
    EXPECT_EQ(Output(), "PONG\r\n");
    MeetDelivery delivery;
    ASSERT_TRUE(TakeMeetDelivery(Line.queue, delivery));
    EXPECT_STREQ(delivery.subject, "tq.b.c");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(delivery.bytes), delivery.size), "abcd");
    // The line lost: nothing is sent meanwhile, the next try comes NatsRetryMs later and listens
    // again on both subjects; Up again counts a reconnection.
    NatsSocketClosed(Line, 2000);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Lost);
    EXPECT_FALSE(SendNats(Line, "tq.x", bytes, 3));
    EXPECT_EQ(TickNatsLine(Line, 2000 + NatsRetryMs - 1), NatsOrder::None);
    Connect(2000 + NatsRetryMs);
    const std::string again = Output();
    EXPECT_NE(again.find("SUB tq.a 1\r\nSUB tq.b.c 2\r\nPING\r\n"), std::string::npos) << again;
    Hear("PONG\r\n", 2600);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Up);
    EXPECT_EQ(Line.queue.reconnects.load(), 1u);
    // A stream that breaks the protocol is closed; what a closed socket still brings is ignored.
    EXPECT_EQ(Hear("HELLO\r\n", 2700), NatsOrder::Close);
    NatsSocketClosed(Line, 2700);
    EXPECT_EQ(Hear("MSG tq.a 1 1\r\nz\r\n", 2710), NatsOrder::None);
    EXPECT_FALSE(TakeMeetDelivery(Line.queue, delivery));
}

TEST(NatsLine, GivesUpOnSocketsThatNeverGreetOrStopAnswering)
{
    StartNatsLine(Line, 0);
    ASSERT_EQ(TickNatsLine(Line, 0), NatsOrder::Open);
    EXPECT_EQ(TickNatsLine(Line, NatsOpenWaitMs - 1), NatsOrder::None);
    EXPECT_EQ(TickNatsLine(Line, NatsOpenWaitMs), NatsOrder::Close); // never opened
    NatsSocketClosed(Line, NatsOpenWaitMs);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Connecting);
    const unsigned opened = NatsOpenWaitMs + NatsRetryMs;
    ASSERT_EQ(TickNatsLine(Line, opened), NatsOrder::Open);
    NatsSocketOpened(Line, opened);
    EXPECT_EQ(TickNatsLine(Line, opened + NatsOpenWaitMs),
              NatsOrder::Close); // opened, never greeted
    NatsSocketClosed(Line, opened + NatsOpenWaitMs);
    const unsigned up = opened + NatsOpenWaitMs + NatsRetryMs;
    Connect(up);
    Hear("PONG\r\n", up);
    Output();
    // A ping every NatsPingMs; the second unanswered one gives the line up.
    EXPECT_EQ(TickNatsLine(Line, up + NatsPingMs - 1), NatsOrder::None);
    EXPECT_EQ(TickNatsLine(Line, up + NatsPingMs), NatsOrder::None);
    EXPECT_EQ(Output(), "PING\r\n");
    Hear("PONG\r\n", up + NatsPingMs + 5);
    EXPECT_EQ(TickNatsLine(Line, up + 2 * NatsPingMs), NatsOrder::None);
    EXPECT_EQ(TickNatsLine(Line, up + 3 * NatsPingMs), NatsOrder::None);
    EXPECT_EQ(TickNatsLine(Line, up + 4 * NatsPingMs), NatsOrder::Close);
    // A refused address is not tried again; an ended line is Off.
    RefuseNatsLine(Line);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Refused);
    EXPECT_EQ(TickNatsLine(Line, up + 10 * NatsPingMs), NatsOrder::None);
    EndNatsLine(Line);
    EXPECT_EQ(ReadMeetLine(Line.queue), MeetLine::Off);
}
