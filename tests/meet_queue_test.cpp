// The hand-off from the meeting point's client threads to the main thread: in order, bounded,
// never waiting on the main thread's side, and whole under threads that push at once (also
// run under ThreadSanitizer).
#include "net/meet_queue.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace
{
MeetQueue Queue;
MeetDelivery Taken;

bool PushText(const char* subject, const char* text)
{
    return PushMeetDelivery(Queue, subject, reinterpret_cast<const unsigned char*>(text),
                            std::strlen(text));
}
} // namespace

TEST(MeetQueue, KeepsOrderDropsTheNewWhenFullAndNeverWaitsToTake)
{
    ResetMeetQueue(Queue);
    EXPECT_FALSE(TakeMeetDelivery(Queue, Taken));
    char text[16];
    for (int round = 0; round < 3; ++round) // the ring goes round
    {
        for (int n = 0; n < MeetQueueSlots; ++n)
        {
            std::snprintf(text, sizeof text, "m%d", n);
            ASSERT_TRUE(PushText("tq.a", text));
        }
        EXPECT_FALSE(PushText("tq.a", "one too many"));
        for (int n = 0; n < MeetQueueSlots - round; ++n)
        {
            ASSERT_TRUE(TakeMeetDelivery(Queue, Taken));
            std::snprintf(text, sizeof text, "m%d", n);
            EXPECT_EQ(std::string(reinterpret_cast<char*>(Taken.bytes), Taken.size), text);
            EXPECT_STREQ(Taken.subject, "tq.a");
        }
        while (TakeMeetDelivery(Queue, Taken))
        {
        }
        PushText("tq.a", "x"); // the next round starts elsewhere in the ring
        TakeMeetDelivery(Queue, Taken);
    }
    EXPECT_EQ(Queue.dropped, 3u);

    // Longer than the meeting point allows, or a subject no game uses: dropped. The longest
    // that are allowed come whole.
    static unsigned char big[MaxMeetPayload + 1];
    big[MaxMeetPayload - 1] = 7;
    EXPECT_FALSE(PushMeetDelivery(Queue, "tq.a", big, sizeof big));
    char subject[MeetSubjectBytes + 1];
    std::memset(subject, 's', MeetSubjectBytes);
    subject[MeetSubjectBytes] = 0;
    EXPECT_FALSE(PushText(subject, "long subject"));
    EXPECT_EQ(Queue.dropped, 5u);
    subject[MeetSubjectBytes - 1] = 0;
    ASSERT_TRUE(PushMeetDelivery(Queue, subject, big, MaxMeetPayload));
    // A producer copying: the main thread takes nothing, waits not, and finds it next time.
    Queue.lock.Enter();
    EXPECT_FALSE(TakeMeetDelivery(Queue, Taken));
    Queue.lock.Leave();
    ASSERT_TRUE(TakeMeetDelivery(Queue, Taken));
    EXPECT_STREQ(Taken.subject, subject);
    EXPECT_EQ(Taken.size, MaxMeetPayload);
    EXPECT_EQ(Taken.bytes[MaxMeetPayload - 1], 7);
    EXPECT_FALSE(TakeMeetDelivery(Queue, Taken));
}

TEST(MeetQueue, TheLineIsTheNewestNewsAndCountsReconnects)
{
    ResetMeetQueue(Queue);
    EXPECT_EQ(ReadMeetLine(Queue), MeetLine::Off);
    for (MeetLine line : {MeetLine::Connecting, MeetLine::Up, MeetLine::Lost, MeetLine::Lost,
                          MeetLine::Up, MeetLine::Up, MeetLine::Lost, MeetLine::Up})
    {
        SetMeetLine(Queue, line);
    }
    EXPECT_EQ(ReadMeetLine(Queue), MeetLine::Up);
    EXPECT_EQ(Queue.reconnects.load(), 2u);
    SetMeetLine(Queue, MeetLine::Refused);
    EXPECT_EQ(ReadMeetLine(Queue), MeetLine::Refused);
}

TEST(MeetQueue, ProducersOnTheirThreadsHandOverWholeMessages)
{
    ResetMeetQueue(Queue);
    constexpr int Each = 20000;
    std::atomic<int> queued = 0;
    std::atomic<int> done = 0;
    auto produce = [&](char mark)
    {
        unsigned char bytes[300];
        for (int n = 0; n < Each; ++n)
        {
            const int size = 1 + n % 299;
            std::memset(bytes, mark, size);
            bytes[0] = static_cast<unsigned char>(size);
            queued += PushMeetDelivery(Queue, mark == 'a' ? "tq.a" : "tq.b", bytes, size);
        }
        ++done;
    };
    std::thread first(produce, 'a');
    std::thread second(produce, 'b');
    int taken = 0;
    bool whole = true;
    for (bool finished = false; !finished;)
    {
        finished = done.load() == 2; // then whatever is left is taken, and no more comes
        while (TakeMeetDelivery(Queue, Taken))
        {
            ++taken;
            const char mark = Taken.subject[3];
            whole = whole && (mark == 'a' || mark == 'b') &&
                    Taken.bytes[0] == static_cast<unsigned char>(Taken.size);
            for (int n = 1; n < Taken.size; ++n)
            {
                whole = whole && Taken.bytes[n] == mark;
            }
        }
    }
    first.join();
    second.join();
    EXPECT_TRUE(whole);
    EXPECT_GT(taken, 0);
    EXPECT_EQ(taken, queued.load());
    EXPECT_EQ(taken + static_cast<int>(Queue.dropped), 2 * Each);
}
