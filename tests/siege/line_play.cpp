// Matches over a poor line: the host runs the real game without a window (its shell, its
// matches, its frames and sounds) and a friend joins it through a lossy relay; both press keys
// at random for a while, then rest, and the friend's screen must still follow the host's.
//
//   line_play RELAY SECONDS LOSS DELAY [SEED]
//
// RELAY is tests/e2e/udp_relay.py, LOSS the share of datagrams it drops (0..1), DELAY the ms
// it holds each one (the round trip is twice that). Run from the source folder, for the
// pictures. Prints what each side saw; exits 0 when the friend was still in at the end and
// showed one of the host's last frames, 1 otherwise.
#include "app/main_loop.h"
#include "app/online.h"
#include "app/shell.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "match/game_title.h"
#include "net/link.h"
#include "platform/rand.h"
#include "siege_tools.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
constexpr char CodeText[] = "abcdefghjk";
constexpr unsigned RestMs = 4000; // no keys at the end: the friend's screen catches up
constexpr int KeptFrames = 256;   // the host's last frames, for the friend's to be among
constexpr Key PlayKeys[] = {KeyCursorUp, KeyCursorUp, KeyCursorLeft, KeyCursorRight, KeyCursorDown,
                            KeySpace,    KeyW,        KeyA,          KeyD,           KeyS};
int Port;

std::uint64_t Digest(const unsigned char* cells)
{
    std::uint64_t digest = 14695981039346656037u;
    for (int n = 0; n < CanvasCells; ++n)
    {
        digest = (digest ^ cells[n]) * 1099511628211u;
    }
    return digest;
}

// A person at the keys: a tap, now and then a longer hold, and a pause between.
struct Player
{
    Key held;
    unsigned until; // ms: the key goes up, or the next goes down
};

// The next key change, if one is due: down (true) or up (false) of *key.
bool PlayKey(Player& player, unsigned now, bool playing, Key& key, bool& down)
{
    if (static_cast<int>(now - player.until) < 0)
    {
        return false;
    }
    if (player.held != KeyCount)
    {
        key = player.held;
        down = false;
        player.held = KeyCount;
        player.until = now + 100 + static_cast<unsigned>(Rand() % 400);
        return true;
    }
    if (!playing)
    {
        return false;
    }
    key = player.held = PlayKeys[Rand() % (sizeof PlayKeys / sizeof PlayKeys[0])];
    down = true;
    player.until = now + (Rand() % 8 == 0 ? 500 + Rand() % 1000 : 30 + Rand() % 220);
    return true;
}

// What an event that ended a session was: the connection's end (a goodbye, or ENet gave up),
// or a message that failed the session's checks.
std::string HowEnded(const LinkEvent& event)
{
    if (event.type != LinkEventType::Received)
    {
        return "the connection's end, reason " + std::to_string(event.reason);
    }
    return "a message of kind " + std::to_string(event.size > 0 ? event.bytes[0] : -1) + ", " +
           std::to_string(event.size) + " bytes, that failed its checks";
}

// The host: the game's main loop without the window. Reports its port, then at the end the
// digests of its last frames.
[[noreturn]] void RunHost(std::FILE* report, unsigned seconds)
{
    ResetShell();
    SeedRand(1);
    InitPalette();
    InitStatusHandoff();
    LoadPictures();
    JoinCode code;
    ParseJoinCode(CodeText, code);
    OpenHostPort(Port, report);
    StartHosting(code);
    static std::uint64_t kept[KeptFrames];
    int drawn = 0, matches = 0, turns = 0, team = -1;
    Player player = {KeyCount, 0};
    LoopClock clock = StartLoopClock(NowMs());
    const unsigned start = NowMs();
    while (NowMs() - start < (seconds + 2) * 1000 + RestMs)
    {
        const unsigned now = NowMs();
        const bool running = MatchRunning;
        LinkEvent event;
        for (int n = 0; n < MaxLinkEventsPerIteration && PollLink(event); ++n)
        {
            const bool was = FriendJoined;
            HandleOnlineEvent(event, now);
            if (was && !FriendJoined)
            {
                std::fprintf(report, "the friend went at %u s: %s\n", (now - start) / 1000,
                             HowEnded(event).c_str());
            }
        }
        const unsigned heard = now - HostSide.heardAt;
        const bool joined = FriendJoined;
        TickOnline(now);
        if (joined && !FriendJoined)
        {
            std::fprintf(report, "the friend went at %u s: nothing new from it for %u ms\n",
                         (now - start) / 1000, heard);
        }
        Key key;
        bool down;
        if (FriendJoined && PlayKey(player, now, now - start < seconds * 1000, key, down))
        {
            down ? static_cast<void>(HandleKeyDown(key)) : HandleKeyUp(key);
        }
        const StepsDue due = AdvanceLoopClock(clock, now);
        RunSteps(MatchWaits() ? 0 : due.steps);
        matches += !running && MatchRunning;
        const int turnOf = FriendMatch != nullptr ? FriendMatch->currentTeam : -1;
        turns += turnOf >= 0 && team >= 0 && turnOf != team;
        team = turnOf;
        SendHostSounds();
        if (due.drawFrame)
        {
            DrawFrame();
            DrawOnlineBand(now);
            kept[drawn++ % KeptFrames] = Digest(ScreenCells);
            SendHostFrame(now);
        }
        FlushLinkOrders();
        Sleep(ChooseSleep(clock, due.steps));
    }
    const unsigned lasted = NowMs() - start;
    std::fprintf(report, "%d frames drawn, %d matches begun, %d turns passed, %.1f kB/s sent\n",
                 drawn, matches, turns, LinkBytesSent() / static_cast<double>(lasted));
    for (int n = 0; n < KeptFrames && n < drawn; ++n)
    {
        std::fprintf(report, "= %llu\n", static_cast<unsigned long long>(kept[n]));
    }
    std::fclose(report);
    _exit(0);
}

// The friend: joins through the relay, presses keys, and tells what it showed last.
[[noreturn]] void RunFriend(std::FILE* report, int port, unsigned seconds)
{
    std::setvbuf(report, nullptr, _IOLBF, 0);
    SeedRand(2);
    InitPalette();
    InitStatusHandoff();
    JoinCode code;
    ParseJoinCode(CodeText, code);
    const unsigned start = NowMs();
    StartJoining(code, OpenFriendLink("127.0.0.1", port), start);
    Player player = {KeyCount, 0};
    unsigned shown = 0, lastShown = start, longest = 0, joinedAt = 0, frozenAt = 0, stalls = 0;
    int tries = 1;
    std::string ended; // how the session ended, if it did
    for (;;)
    {
        const unsigned now = NowMs();
        // A join that goes unanswered on a line this poor is made again, as a person would,
        // up to three times: what is measured is the match once in.
        if (joinedAt == 0 && FriendSide.stage == FriendStage::Off &&
            FriendSide.notice == FriendNotice::NoAnswer && tries < 3)
        {
            CloseLink();
            StartJoining(code, OpenFriendLink("127.0.0.1", port), now);
            ended.clear();
            tries += 1;
        }
        if (now - start >= seconds * 1000 + RestMs || FriendSide.stage == FriendStage::Off)
        {
            break;
        }
        LinkEvent event;
        for (int n = 0; n < MaxLinkEventsPerIteration && PollLink(event); ++n)
        {
            HandleOnlineEvent(event, now);
            ended = ended.empty() && FriendSide.stage == FriendStage::Off ? HowEnded(event) : ended;
        }
        TickOnline(now);
        ended = ended.empty() && FriendSide.stage == FriendStage::Off ? "the host silent" : ended;
        const bool joined = FriendSide.stage == FriendStage::Joined;
        joinedAt = joinedAt == 0 && joined ? now : joinedAt;
        Key key;
        bool down;
        if (joined && PlayKey(player, now, now - start < seconds * 1000, key, down))
        {
            down ? static_cast<void>(PressJoinedKey(key, now)) : ReleaseJoinedKey(key, now);
        }
        RunJoinedSteps(1);
        if (joined && FriendSide.frameReady && DrawJoinedFrame())
        {
            // The host sends at least every 250 ms: a longer wait is a line that let it down.
            const unsigned waited = shown > 0 ? now - lastShown : 0;
            frozenAt = waited > longest ? lastShown : frozenAt;
            longest = std::max(longest, waited);
            stalls += waited >= 1000;
            shown += 1;
            lastShown = now;
        }
        FlushLinkOrders();
        Sleep(5);
    }
    const bool in = FriendSide.stage == FriendStage::Joined;
    std::fprintf(
        report, "%s at the end (notice %d), let in after %u ms at try %d, %u frames shown\n",
        in ? "in" : "not in", static_cast<int>(FriendSide.notice), joinedAt - start, tries, shown);
    std::fprintf(report,
                 "once in, longest without a new frame: %u ms, from %u s on; %u of 1 s or more\n",
                 longest, (frozenAt - start) / 1000, stalls);
    std::fprintf(report, "last frame shown %u ms before the end%s%s\n", NowMs() - lastShown,
                 ended.empty() ? "" : "; ended by ", ended.c_str());
    // The host's frame as it came, without the team's name the friend's side draws over it.
    std::fprintf(report, "= %llu\n",
                 static_cast<unsigned long long>(in ? Digest(FriendSide.frameCells) : 0));
    LeaveOnline();
    FlushLinkOrders();
    CloseLink();
    std::fclose(report);
    _exit(in ? 0 : 1);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
    {
        std::fprintf(stderr, "usage: line_play RELAY SECONDS LOSS DELAY [SEED]\n");
        return 2;
    }
    const unsigned seconds = static_cast<unsigned>(std::atoi(argv[2]));
    const std::string seed = argc > 5 ? argv[5] : "1";
    Port = 20000 + 2 * (getpid() % 6000);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::FILE *fromHost = nullptr, *fromFriend = nullptr;
    const pid_t host = StartTelling([&](std::FILE* out) { RunHost(out, seconds); }, fromHost);
    if (std::fscanf(fromHost, "%d", &Port) != 1)
    {
        std::printf("the host could not open a port\n");
        return 1;
    }
    const pid_t relay = StartRelay(argv[1], Port, seconds + 60, argv[3], argv[4], seed.c_str());
    if (relay < 0)
    {
        std::printf("the relay did not start\n");
        End(host, true);
        return 1;
    }
    const pid_t friendGame =
        StartTelling([&](std::FILE* out) { RunFriend(out, Port + 1, seconds); }, fromFriend);

    char line[256];
    unsigned long long shown = 0, frame = 0;
    while (std::fgets(line, sizeof line, fromFriend) != nullptr)
    {
        line[0] == '=' ? static_cast<void>(shown = std::strtoull(line + 2, nullptr, 10))
                       : static_cast<void>(std::printf("friend: %s", line));
    }
    bool among = false;
    while (std::fgets(line, sizeof line, fromHost) != nullptr)
    {
        line[0] == '=' ? static_cast<void>(frame = std::strtoull(line + 2, nullptr, 10),
                                           among |= frame == shown)
                       : static_cast<void>(line[0] != '\n' && std::printf("host: %s", line));
    }
    const bool in = End(friendGame) == 0;
    End(relay, true);
    End(host);
    std::printf("the friend's last frame is %samong the host's last %d\n", among ? "" : "not ",
                KeptFrames);
    return in && among ? 0 : 1;
}
