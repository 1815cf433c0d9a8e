// Measures online play from the friend's side without a window: joins a running host, counts
// the bytes it sends per second on the title screen and in a match, and times a key from the
// friend to the frame that shows its effect.
//
//   online_probe ADDRESS PORT CODE [samples [flag file [escape file]]]
//
// ADDRESS "meet:HOST" joins relayed through the meeting point at HOST:PORT instead, and the
// bytes counted are the sealed messages the meeting point passes on, and their count.
//
// The host must show its title screen. Each latency sample joins anew, presses a key that
// starts a match and waits for the first frame of it, then leaves. The flag file, when named,
// exists while the match is measured, for a helper that presses the host's keys only then;
// the escape file, when named, is made after each sample for the helper to press Escape on
// the host, whose match waits for its friend to come back, and to take the file away.
#include "net/friend_session.h"
#include "net/link.h"
#include "net/meet_play.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

namespace
{
FriendSession Side;
CodeKey SideKey; // the code's, made once

unsigned NowMs()
{
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Serves the link for a while; returns early once done() holds.
template<typename Done>
bool Serve(unsigned ms, Done done)
{
    const unsigned start = NowMs();
    while (NowMs() - start < ms)
    {
        TickMeetPlay(NowMs());
        LinkEvent event;
        while (PollLink(event))
        {
            HandleFriendEvent(Side, event, NowMs());
        }
        TickFriendSession(Side, NowMs());
        FlushLinkOrders();
        if (done())
        {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

void Leave()
{
    EndFriendSession(Side, FriendNotice::None, true, ReasonLeft, NowMs());
    FlushLinkOrders();
    CloseLink();
    EndMeetPlay();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

// Through the meeting point: knocks, and once answered the host is the link's relayed peer.
bool OpenRelayed(const char* host, int port)
{
    if (!StartMeetJoining(host, port, SideKey, NowMs()) ||
        !Serve(MeetConnectWaitMs + MeetAnswerWaitMs,
               [] { return MeetJoin().stage == MeetStage::Answered; }))
    {
        return false;
    }
    return GoRelayed(NowMs());
}

// Joins, trying again twice: through the lossy relay a join can fail on its own.
bool Join(const char* address, int port)
{
    const bool relayed = std::strncmp(address, "meet:", 5) == 0;
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        if (relayed ? !OpenRelayed(address + 5, port) : !OpenFriendLink(address, port))
        {
            return false;
        }
        StartFriendSession(Side, SideKey, NowMs());
        Side.frameReady = false;
        if (Serve(JoinWaitMs, [] { return Side.stage == FriendStage::Joined && Side.frameReady; }))
        {
            return true;
        }
        std::fprintf(stderr, "online_probe: a join failed; trying again\n");
        Leave();
    }
    return false;
}

// Bytes per second received over some seconds, while the friend presses keys or not.
double MeasureRate(unsigned seconds, bool pressing)
{
    const unsigned before = LinkBytesReceived() + MeetPlayBytesReceived();
    const unsigned messages = MeetPlayMessagesReceived();
    for (unsigned tenth = 0; tenth < seconds * 10; ++tenth)
    {
        if (pressing)
        {
            const Key key = tenth % 4 == 0 ? KeyOther : KeyCursorLeft;
            SendFriendKey(Side, key, true, NowMs());
            Serve(30, [] { return false; });
            SendFriendKey(Side, key, false, NowMs());
        }
        Serve(pressing ? 70 : 100, [] { return false; });
    }
    const unsigned relayed = MeetPlayMessagesReceived() - messages;
    if (relayed > 0)
    {
        std::printf("  relayed: %.1f messages/s\n", relayed / static_cast<double>(seconds));
    }
    return (LinkBytesReceived() + MeetPlayBytesReceived() - before) / static_cast<double>(seconds);
}

// Cells that differ between a frame and the title's.
int Changed(const unsigned char* title)
{
    int count = 0;
    for (int n = 0; n < CanvasCells; ++n)
    {
        count += Side.frameCells[n] != title[n];
    }
    return count;
}
} // namespace

int main(int argc, char** argv)
{
    JoinCode code;
    if (argc < 4 || !ParseJoinCode(argv[3], code) || !DeriveCodeKey(code, SideKey))
    {
        std::fprintf(stderr,
                     "usage: online_probe ADDRESS PORT CODE [samples [flag file [escape file]]]\n");
        return 2;
    }
    const int port = std::atoi(argv[2]);
    const int samples = argc > 4 ? std::atoi(argv[4]) : 10;
    std::vector<unsigned> latencies;
    static unsigned char title[CanvasCells];
    for (int sample = 0; sample < samples; ++sample)
    {
        if (!Join(argv[1], port))
        {
            std::fprintf(stderr, "online_probe: could not join\n");
            return 1;
        }
        if (sample == 0)
        {
            std::printf("title screen: %.0f bytes/s host to friend\n", MeasureRate(5, false));
        }
        Serve(300, [] { return false; });
        std::copy(Side.frameCells, Side.frameCells + CanvasCells, title);
        const unsigned pressed = NowMs();
        SendFriendKey(Side, KeyOther, true, pressed);
        SendFriendKey(Side, KeyOther, false, pressed + 30);
        Side.frameReady = false;
        if (Serve(3000,
                  [] {
                      return Side.frameReady && Changed(title) > 1000 &&
                             (Side.frameReady = false, true);
                  }))
        {
            latencies.push_back(NowMs() - pressed);
        }
        if (sample == 0)
        {
            if (argc > 5)
            {
                std::ofstream{argv[5]};
            }
            std::printf("match: %.0f bytes/s host to friend\n", MeasureRate(20, true));
            if (argc > 5)
            {
                std::remove(argv[5]);
                // A press of the helper's under way lands in this match, not after it, where
                // it would start a match of the host's own before the next sample.
                Serve(1000, [] { return false; });
            }
        }
        Leave();
        if (argc > 6)
        {
            std::ofstream{argv[6]};
            for (int wait = 0; wait < 50 && std::ifstream{argv[6]}; ++wait)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the title is back
        }
    }
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty())
    {
        std::printf("no key was seen to take effect\n");
        return 1;
    }
    std::printf(
        "key to the frame that shows it: median %u ms, least %u ms, most %u ms (%zu of %d)\n",
        latencies[latencies.size() / 2], latencies.front(), latencies.back(), latencies.size(),
        samples);
    return 0;
}
