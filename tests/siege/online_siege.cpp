// The host's door under siege and over a poor line, through the real network edge on the
// loopback addresses: the host (its session and the edge, no window) runs in one child
// process, strangers in another, and each friend's try in one of its own.
//
//   online_siege held [tries]         64 addresses each hold a connection without a code,
//                                     renewed as soon as it is dropped
//   online_siege bare [tries]         bare connect requests, 50 a second, never answered, each
//                                     from a new address
//   online_siege forged [tries]       bare connect requests, 20 a second, from the friend's own
//                                     address
//   online_siege door [tries]         as many addresses as the door remembers each give a wrong
//                                     code, and again every 20 s
//   online_siege flood RATE [tries]   bare connect requests, RATE a second, each from a new
//                                     address, never answered
//   online_siege storm RATE [tries]   bare connect requests, RATE a second, all from one
//                                     address
//   online_siege loss RELAY [tries]   joins through RELAY (tests/e2e/udp_relay.py) at 5 % loss
//   online_siege stall                a joined friend's game stops for 6 s and goes on; then
//                                     another friend joins (a crash and its rejoining are
//                                     played end to end: tests/e2e/run.py online)
//   online_siege sizes                a stranger sends the host more than a short message: it
//                                     does not arrive, and a friend still joins
//
// Prints each friend's time to be let in and what the host's session saw; exits 0 when every
// friend was let in within JoinWaitMs (for stall: the host saw the friend away and back; for
// sizes: nothing too long arrived), 1 otherwise.
#include "app/main_loop.h"
#include "app/online.h"
#include "net/link.h"
#include "siege_tools.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <enet/enet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace
{
constexpr char CodeText[] = "abcdefghjk";
int Port;
bool CountRequests; // the host tells how many requests it heard

// The host as the game runs it: its frames go as soon as a friend is in, racing the welcome.
// Tells the parent the port it took (another process may hold the first one tried), then
// what its session saw, a line each, and with CountRequests every 5 s how many requests it
// heard. Its loop turns as often as the game's.
[[noreturn]] void RunHost(std::FILE* report)
{
    InitPalette();
    JoinCode code;
    ParseJoinCode(CodeText, code);
    OpenHostPort(Port, report);
    StartHosting(code);
    LoopClock clock = StartLoopClock(NowMs());
    unsigned asked = 0, counted = NowMs();
    for (bool joined = false, away = false;;)
    {
        const unsigned now = NowMs();
        LinkEvent event;
        for (int n = 0; n < MaxLinkEventsPerIteration && PollLink(event); ++n)
        {
            if (event.type == LinkEventType::Received && event.size > HostReceiveBytes)
            {
                std::fprintf(report, "too long\n");
            }
            asked += event.type == LinkEventType::Pending;
            HandleOnlineEvent(event, now);
        }
        if (now - counted >= 5000)
        {
            CountRequests ? static_cast<void>(std::fprintf(report, "%u requests in 5 s\n", asked))
                          : void();
            asked = 0;
            counted = now;
        }
        TickOnline(now);
        if (FriendJoined != joined || FriendAway(HostSide) != away)
        {
            std::fprintf(report, FriendJoined != joined ? (FriendJoined ? "joined\n" : "left\n")
                                                        : (away ? "back\n" : "away\n"));
            joined = FriendJoined;
            away = FriendAway(HostSide);
        }
        SendHostFrame(now);
        FlushLinkOrders();
        Sleep(ChooseSleep(clock, AdvanceLoopClock(clock, now).steps));
    }
}

// One friend's try, as the exit of its process: 0 when it was let in within JoinWaitMs (and,
// with stayMs, is still in after that long), 1 otherwise. Leaves and waits for the host to
// hear it.
[[noreturn]] void RunFriend(int port, unsigned stayMs)
{
    JoinCode code;
    ParseJoinCode(CodeText, code);
    const unsigned start = NowMs();
    if (!OpenFriendLink("127.0.0.1", port))
    {
        _exit(3);
    }
    StartJoining(code, true, start);
    LinkEvent event;
    FriendStage reached = FriendSide.stage;
    for (unsigned joined = 0;
         FriendSide.stage != FriendStage::Off &&
         (joined == 0 ? NowMs() - start < JoinWaitMs + 1000 : NowMs() - joined < stayMs);
         Sleep(1))
    {
        for (int n = 0; n < MaxLinkEventsPerIteration && PollLink(event); ++n)
        {
            HandleOnlineEvent(event, NowMs());
        }
        TickOnline(NowMs());
        FlushLinkOrders();
        reached = std::max(reached, FriendSide.stage);
        if (joined == 0 && FriendSide.stage == FriendStage::Joined)
        {
            joined = NowMs();
            std::printf("let in in %u ms\n", joined - start);
        }
    }
    const bool stayed = FriendSide.stage == FriendStage::Joined;
    std::printf("%s at the end (notice %d, stage %d reached, %u ms)\n", stayed ? "in" : "not in",
                static_cast<int>(FriendSide.notice), static_cast<int>(reached), NowMs() - start);
    LeaveOnline(); // says goodbye
    FlushLinkOrders();
    for (const unsigned begun = NowMs();
         NowMs() - begun < 1000 && !(PollLink(event) && event.type == LinkEventType::Disconnected);)
    {
        Sleep(1); // until the host has heard the goodbye
    }
    CloseLink();
    _exit(stayed ? 0 : 1);
}

// Strangers at 127.x.y.z: held, 64 addresses each holding a connection that never gives a
// code, asking again as soon as it is dropped; bare, a connect request every 20 ms from a new
// address, never answered; forged, one every 50 ms from the friend's own address (127.0.0.1,
// a new port each), never answered; door, DoorEntries addresses each giving a wrong code, and
// again 20 s after each refusal; sizes, one that sends a message longer than any the host
// takes.
[[noreturn]] void RunStrangers(const std::string& mode)
{
    enet_initialize();
    ENetAddress host;
    enet_address_set_host_ip(&host, "127.0.0.1");
    host.port = static_cast<enet_uint16>(Port);
    std::vector<ENetHost*> strangers;
    std::vector<unsigned> again; // door: ms, when each asks again; 0 connected or asking
    const bool bare = mode == "bare", forged = mode == "forged", door = mode == "door";
    const unsigned staying = mode == "held" ? 64u : door ? DoorEntries : 1u;
    const unsigned char nothing[ProofBytes] = {}; // a nonce, and a wrong proof
    for (unsigned n = 1;; ++n, Sleep(bare ? 20 : forged ? 50 : 1))
    {
        ENetAddress address = {
            htonl(forged ? 127u << 24 | 1 : 127u << 24 | (n / 65536 % 200 + 1) << 16 | n % 65536),
            0};
        ENetHost* stranger = bare || forged || n <= staying
                                 ? enet_host_create(&address, 1, LinkChannels, 0, 0)
                                 : nullptr;
        if (stranger != nullptr)
        {
            enet_host_compress_with_range_coder(stranger); // as the game's own link does
            enet_host_connect(stranger, &host, LinkChannels, 0);
            enet_host_flush(stranger);
            // A bare or forged one's request is sent, never to hear an answer.
            bare || forged ? enet_host_destroy(stranger) : strangers.push_back(stranger);
            again.push_back(0);
        }
        for (std::size_t k = 0; k < strangers.size(); ++k)
        {
            ENetHost* held = strangers[k];
            if (again[k] != 0 && static_cast<int>(NowMs() - again[k]) >= 0)
            {
                again[k] = 0;
                enet_host_connect(held, &host, LinkChannels, 0);
            }
            ENetEvent event;
            while (enet_host_service(held, &event, 0) > 0)
            {
                if (event.type == ENET_EVENT_TYPE_DISCONNECT)
                {
                    door ? static_cast<void>(again[k] = NowMs() + 20000)
                         : static_cast<void>(enet_host_connect(held, &host, LinkChannels, 0));
                }
                std::vector<unsigned char> bytes(HostReceiveBytes + 1, KindReport);
                if (event.type == ENET_EVENT_TYPE_CONNECT && door)
                {
                    bytes.resize(static_cast<std::size_t>(EncodeHello(nothing, bytes.data())));
                }
                else if (event.type == ENET_EVENT_TYPE_RECEIVE && door &&
                         event.packet->data[0] == KindChallenge)
                {
                    bytes.resize(static_cast<std::size_t>(EncodeProof(nothing, bytes.data())));
                }
                else if (event.type != ENET_EVENT_TYPE_CONNECT || mode != "sizes")
                {
                    bytes.clear();
                }
                event.type == ENET_EVENT_TYPE_RECEIVE ? enet_packet_destroy(event.packet) : void();
                if (!bytes.empty())
                {
                    enet_peer_send(
                        event.peer, ReliableChannel,
                        enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE));
                }
            }
        }
    }
}
} // namespace

// A socket on a loopback address, on any port; -1 when it cannot be had.
int LoopbackSocket(std::uint32_t address)
{
    const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in own = {};
    own.sin_family = AF_INET;
    own.sin_addr.s_addr = htonl(address);
    if (socket >= 0 && bind(socket, reinterpret_cast<sockaddr*>(&own), sizeof own) != 0)
    {
        close(socket);
        return -1;
    }
    return socket;
}

// A bare connect request as ENet sends it, caught on a socket of our own: each copy with
// another connectID is a request of its own.
std::vector<unsigned char> CaughtRequest()
{
    const int catcher = LoopbackSocket(127u << 24 | 1);
    sockaddr_in at = {};
    socklen_t size = sizeof at;
    getsockname(catcher, reinterpret_cast<sockaddr*>(&at), &size);
    enet_initialize();
    ENetHost* asker = enet_host_create(nullptr, 1, LinkChannels, 0, 0);
    ENetAddress address = {at.sin_addr.s_addr, ntohs(at.sin_port)};
    enet_host_connect(asker, &address, LinkChannels, 0);
    enet_host_flush(asker);
    std::vector<unsigned char> bytes(1500);
    bytes.resize(
        static_cast<std::size_t>(std::max<ssize_t>(recv(catcher, bytes.data(), 1500, 0), 0)));
    enet_host_destroy(asker);
    close(catcher);
    return bytes;
}

// Connect requests at rate a second: flood, each from an address of its own (127.10.0.0 on);
// storm, all from 127.0.9.9, from a few ports in turn.
[[noreturn]] void RunFlood(unsigned rate, bool oneAddress)
{
    std::vector<unsigned char> request = CaughtRequest();
    const std::size_t idAt = sizeof(ENetProtocolHeader) + offsetof(ENetProtocolConnect, connectID);
    if (request.size() < idAt + 4)
    {
        _exit(4);
    }
    sockaddr_in host = {};
    host.sin_family = AF_INET;
    host.sin_addr.s_addr = htonl(127u << 24 | 1);
    host.sin_port = htons(static_cast<std::uint16_t>(Port));
    std::vector<int> ports;
    for (int n = 0; oneAddress && n < 64; ++n)
    {
        ports.push_back(LoopbackSocket(127u << 24 | 9 << 8 | 9));
    }
    const unsigned start = NowMs();
    for (unsigned n = 0;; Sleep(1))
    {
        for (const unsigned due = (NowMs() - start) * rate / 1000; n < due; ++n)
        {
            std::memcpy(request.data() + idAt, &n, 4);
            const int socket =
                oneAddress ? ports[n % ports.size()]
                           : LoopbackSocket(127u << 24 | (10 + n / 65536 % 200) << 16 | n % 65536);
            sendto(socket, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&host),
                   sizeof host);
            oneAddress ? void() : static_cast<void>(close(socket));
        }
    }
}

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool loss = mode == "loss", stall = mode == "stall";
    const bool crowd = mode == "held" || mode == "bare" || mode == "forged" || mode == "door";
    const bool flood = mode == "flood" || mode == "storm", sizes = mode == "sizes";
    const bool argued = loss || flood; // the relay, or the rate
    if (!(crowd || loss || stall || sizes || flood) || (argued && argc < 3))
    {
        std::fprintf(stderr, "usage: online_siege held|bare|forged|door|loss RELAY|flood RATE|"
                             "storm RATE|stall|sizes [tries]\n");
        return 2;
    }
    const int tries = argc > (argued ? 3 : 2) ? std::atoi(argv[argued ? 3 : 2]) : 20;
    CountRequests = crowd || flood;
    // Even, below the ephemeral ports: the relay takes the odd one after.
    Port = 20000 + 2 * (getpid() % 6000);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // The code's key is made here once (as a game makes it once), and every process forked
    // after finds it made.
    JoinCode code;
    ParseJoinCode(CodeText, code);
    StartHosting(code);
    std::FILE* report = nullptr;
    const pid_t host = StartTelling(RunHost, report);
    if (std::fscanf(report, "%d", &Port) != 1)
    {
        std::printf("the host could not open a port\n");
        return 1;
    }
    const unsigned rate = flood ? static_cast<unsigned>(std::atoi(argv[2])) : 0;
    const pid_t stranger = stall   ? -1
                           : loss  ? StartRelay(argv[2], Port, 3600, "0.05", "0", "17")
                           : flood ? Start([&] { RunFlood(rate, mode == "storm"); })
                                   : Start([&] { RunStrangers(mode); });
    // Every slot the strangers can take is taken, and renewed; the relay or the long message is on.
    Sleep(crowd || flood ? 2 * HelloWaitMs + 300 : loss ? 0 : 1300);

    int failures = 0;
    for (int n = 0; n < (stall ? 2 : sizes ? 1 : tries); ++n)
    {
        const bool stalls = stall && n == 0; // and then another joins
        const pid_t friendGame =
            Start([&] { RunFriend(loss ? Port + 1 : Port, stalls ? 10000 : 0); });
        if (stalls)
        {
            Sleep(1500);
            kill(friendGame, SIGSTOP); // a stall longer than ENet's own time-out once was
            Sleep(6000);
            kill(friendGame, SIGCONT);
        }
        failures += End(friendGame) != 0;
    }
    End(stranger, true);
    End(host, true);
    char seen[4096] = "";
    seen[std::fread(seen, 1, sizeof seen - 1, report)] = '\0';
    std::printf("the host saw:%s", seen);
    // The stall: joined, away and back, left; then another joined and left.
    const char stalled[] = "\njoined\naway\nback\nleft\njoined\nleft\n";
    failures += sizes && std::strstr(seen, "too long") != nullptr;
    failures += stall && std::strncmp(seen, stalled, sizeof stalled - 1) != 0;
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
