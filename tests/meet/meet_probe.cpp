// A host or a friend that meets through a real meeting point with the game's own client edge
// and rules, and talks there: for the tests of the relayed line (tests/meet/relay_test.py).
//
//   meet_probe host|friend HOST PORT CODE SECONDS
//
// Each side sends a numbered message every 20 ms ("h7", "f7"). It says on standard output what
// happens ("line up", "answered", "line lost", "heard the friend"), and at the end
// one line of figures ("sent K, dropped D, close X ms"). A friend that cannot reach the meeting
// point or finds no host says so and ends with status 3.
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

void SayLine(MeetLine& shown)
{
    const MeetLine line = MeetLineNow();
    if (line != shown)
    {
        constexpr const char* Words[] = {"off", "connecting", "up", "lost", "refused"};
        std::printf("line %s\n", Words[static_cast<int>(line)]);
        std::fflush(stdout);
        shown = line;
    }
}

int Finish(long sent, int status)
{
    const unsigned before = Now();
    CloseMeet();
    std::printf("sent %ld, dropped %u, close %u ms\n", sent, MeetDropped(), Now() - before);
    return status;
}

int RunHost(const CodeKey& key, unsigned seconds)
{
    static MeetHost host;
    StartMeetHost(host, key);
    long sent = 0;
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
                }
            }
        }
        TickMeetHost(host, now);
        if (talk >= 0 && now - lastSent >= 20)
        {
            char text[32];
            const int size = std::snprintf(text, sizeof text, "h%ld", sent);
            const int sealed =
                SealForFriend(host, talk, reinterpret_cast<unsigned char*>(text), size, Out);
            sent += SendMeet(host.conversations[talk].subject, Out, sealed);
            lastSent = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Finish(sent, 0);
}

int RunFriend(const CodeKey& key, unsigned seconds)
{
    static MeetFriend joining;
    if (!StartMeetFriend(joining, key, Now()))
    {
        return 1;
    }
    long sent = 0;
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
            return Finish(sent, 3);
        }
        while (TakeMeet(Delivery))
        {
            const MeetHostHeard heard = HearAtFriend(joining, Delivery.bytes, Delivery.size, Plain);
            if (heard.what == MeetHeard::Answer)
            {
                std::printf("answered, %d addresses\n", joining.addressCount);
                std::fflush(stdout);
            }
        }
        if (joining.stage == MeetStage::Answered && now - lastSent >= 20)
        {
            char text[32];
            const int size = std::snprintf(text, sizeof text, "f%ld", sent);
            const int sealed =
                SealForHost(joining, reinterpret_cast<unsigned char*>(text), size, Out);
            sent += SendMeet(joining.hostSubject, Out, sealed);
            lastSent = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Finish(sent, 0);
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
