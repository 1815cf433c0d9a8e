// A host or a friend that meets through a real meeting point with the game's own client edge
// and rules, and talks there: for the tests of the relayed line (tests/meet/relay_test.py, and
// the homes of tests/e2e/run.py).
//
//   meet_probe host|friend HOST PORT CODE SECONDS
//
// Each side sends a numbered message every 20 ms ("h7", "f7") and checks that what it takes
// from the other side counts up without a repeat. It says on standard output what happens
// ("line up", "answered", "line lost", "line back", "heard the friend"), and at the end one
// line of figures ("took N, out of order M, sent K, close X ms"). A friend that cannot reach
// the meeting point or finds no host says so and ends with status 3.
#include "net/meet_link.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace
{
unsigned Now()
{
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

MeetDelivery Delivery;
unsigned char Out[MaxMeetPayload];
unsigned char Plain[MaxMeetPlain];

struct Count
{
    long took = 0;       // messages taken from the other side
    long outOfOrder = 0; // a number not above the last one taken
    long sent = 0;
    long last = -1;
};

void Take(Count& count, char mark, int size)
{
    char text[32] = {};
    std::memcpy(text, Plain, size < 31 ? size : 31);
    long number = -1;
    if (text[0] != mark || std::sscanf(text + 1, "%ld", &number) != 1 || number <= count.last)
    {
        ++count.outOfOrder;
        return;
    }
    count.last = number;
    ++count.took;
}

void SayLine(MeetLine& shown)
{
    const MeetLine line = MeetLineNow();
    if (line != shown)
    {
        constexpr const char* Words[] = {"off", "connecting", "up", "lost", "refused"};
        std::printf("line %s\n", shown == MeetLine::Lost && line == MeetLine::Up
                                     ? "back"
                                     : Words[static_cast<int>(line)]);
        std::fflush(stdout);
        shown = line;
    }
}

int Finish(const Count& count, int status)
{
    const unsigned before = Now();
    CloseMeet();
    std::printf("took %ld, out of order %ld, sent %ld, dropped %u, close %u ms\n", count.took,
                count.outOfOrder, count.sent, MeetDropped(), Now() - before);
    return status;
}

int RunHost(const CodeKey& key, unsigned seconds)
{
    static MeetHost host;
    StartMeetHost(host, key);
    Count count;
    MeetLine shown = MeetLine::Off;
    bool listening = false;
    int talk = -1;
    unsigned lastSent = 0;
    for (unsigned now = Now(); now < seconds * 1000; now = Now())
    {
        SayLine(shown);
        if (!listening && MeetLineNow() == MeetLine::Up)
        {
            listening = ListenMeet(host.subject);
        }
        while (TakeMeet(Delivery))
        {
            const MeetHostHeard heard =
                HearAtHost(host, Delivery.bytes, Delivery.size, now, Out, Plain);
            if (heard.what == MeetHeard::Answer)
            {
                SendMeet(host.conversations[heard.conversation].subject, Out, heard.size);
            }
            else if (heard.what == MeetHeard::Message)
            {
                if (talk != heard.conversation)
                {
                    std::printf("heard the friend\n");
                    std::fflush(stdout);
                    talk = heard.conversation;
                    count.last = -1; // a new friend counts from 0
                }
                Take(count, 'f', heard.size);
            }
        }
        TickMeetHost(host, now);
        if (talk >= 0 && now - lastSent >= 20)
        {
            char text[32];
            const int size = std::snprintf(text, sizeof text, "h%ld", count.sent);
            const int sealed =
                SealForFriend(host, talk, reinterpret_cast<unsigned char*>(text), size, Out);
            count.sent += SendMeet(host.conversations[talk].subject, Out, sealed);
            lastSent = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Finish(count, 0);
}

int RunFriend(const CodeKey& key, unsigned seconds)
{
    static MeetFriend joining;
    if (!StartMeetFriend(joining, key, Now()))
    {
        return 1;
    }
    Count count;
    MeetLine shown = MeetLine::Off;
    unsigned lastSent = 0;
    for (unsigned now = Now(); now < seconds * 1000; now = Now())
    {
        SayLine(shown);
        const bool up = MeetLineNow() == MeetLine::Up;
        for (MeetStep step = TickMeetFriend(joining, up, now, Out); step.order != MeetOrder::None;
             step = TickMeetFriend(joining, up, now, Out))
        {
            if (step.order == MeetOrder::Subscribe)
            {
                ListenMeet(step.subject);
            }
            else
            {
                SendMeet(step.subject, Out, step.size);
            }
        }
        if (joining.stage == MeetStage::Unreachable || joining.stage == MeetStage::NoAnswer)
        {
            std::printf(joining.stage == MeetStage::Unreachable ? "meeting point unreachable\n"
                                                                : "no answer\n");
            return Finish(count, 3);
        }
        while (TakeMeet(Delivery))
        {
            const MeetHostHeard heard = HearAtFriend(joining, Delivery.bytes, Delivery.size, Plain);
            if (heard.what == MeetHeard::Answer)
            {
                std::printf("answered, %d addresses\n", joining.addressCount);
                std::fflush(stdout);
            }
            else if (heard.what == MeetHeard::Message)
            {
                Take(count, 'h', heard.size);
            }
        }
        if (joining.stage == MeetStage::Answered && now - lastSent >= 20)
        {
            char text[32];
            const int size = std::snprintf(text, sizeof text, "f%ld", count.sent);
            const int sealed =
                SealForHost(joining, reinterpret_cast<unsigned char*>(text), size, Out);
            count.sent += SendMeet(joining.hostSubject, Out, sealed);
            lastSent = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Finish(count, 0);
}
} // namespace

int main(int argc, char** argv)
{
    JoinCode code;
    CodeKey key;
    if (argc != 6 || (std::strcmp(argv[1], "host") != 0 && std::strcmp(argv[1], "friend") != 0) ||
        !ParseJoinCode(argv[4], code) || !DeriveCodeKey(code, key))
    {
        std::fprintf(stderr, "usage: meet_probe host|friend HOST PORT CODE SECONDS\n");
        return 2;
    }
    if (!OpenMeet(argv[2], std::atoi(argv[3])))
    {
        std::fprintf(stderr, "meet_probe: cannot open the meeting point's line\n");
        return 1;
    }
    const unsigned seconds = static_cast<unsigned>(std::atoi(argv[5]));
    return argv[1][0] == 'h' ? RunHost(key, seconds) : RunFriend(key, seconds);
}
