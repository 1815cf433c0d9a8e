// Simulated games through a meeting point, to find how many one server (or a cluster) carries:
// pairs of connections speaking NATS's own protocol directly, on one thread, each pair a host
// and a friend at a match's rates, every message stamped with the time it was sent, so that
// the time each took through the meeting point is measured on the clock that sent it.
//
//   meet_load PAIRS SECONDS HOST:PORT [HOST:PORT ...]
//
// Hosts connect to the first server, each friend to the next one in the list (round the list),
// so that with a cluster a host and its friend sit on different servers. Per pair, like a
// relayed match (bench/README.md): the host sends a sealed delta every 18 ms step (61 bytes)
// and a sealed whole frame every 2 s (2,621 bytes) in its place; the friend sends a sealed key
// every 200 ms (42 bytes). Prints one line: pairs, messages and bytes a second sent and
// received, messages lost, and the time through the meeting point (median, 99th and 99.9th
// percentile, most).
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr std::int64_t StepNs = 18000000;         // a host's message every step
constexpr std::int64_t WholeEveryNs = 2000000000; // a whole frame in place of a delta
constexpr std::int64_t KeyEveryNs = 200000000;    // a friend's key
constexpr int DeltaBytes = 61;
constexpr int WholeBytes = 2621;
constexpr int KeyBytes = 42;
constexpr int BinUs = 10; // the latency histogram's bins: 10 us up to 2 s
constexpr int Bins = 200000;

std::int64_t Now()
{
    timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return time.tv_sec * 1000000000LL + time.tv_nsec;
}

struct Connection
{
    int socket = -1;
    std::string in;        // what came and is not yet read
    std::string out;       // what waits to be written
    bool ready = false;    // the first PONG came
    std::string sendTo;    // the subject it publishes to
    std::int64_t next = 0; // ns, its next message
    std::int64_t nextWhole = 0;
    bool host = false;
};

std::vector<Connection> Connections;
std::vector<long> Histogram(Bins + 1);
long Sent = 0, Received = 0, SentBytes = 0, ReceivedBytes = 0;
std::int64_t MeasureFrom = 0; // ns: messages sent from then
std::int64_t MeasureEnd = 0;  // until then count

int Dial(const std::string& address)
{
    const std::size_t colon = address.rfind(':');
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (colon == std::string::npos ||
        getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints,
                    &found) != 0)
    {
        return -1;
    }
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    const bool joined = connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    freeaddrinfo(found);
    if (!joined)
    {
        close(fd);
        return -1;
    }
    return fd;
}

void Publish(Connection& connection, int size, std::int64_t now)
{
    char head[96];
    const int headSize =
        std::snprintf(head, sizeof head, "PUB %s %d\r\n", connection.sendTo.c_str(), size);
    connection.out.append(head, headSize);
    const std::size_t at = connection.out.size();
    connection.out.append(size, 'x');
    std::memcpy(&connection.out[at], &now, sizeof now);
    connection.out.append("\r\n");
    if (now >= MeasureFrom && now < MeasureEnd)
    {
        ++Sent;
        SentBytes += size;
    }
}

// Reads the whole protocol lines and messages that came.
void Read(Connection& connection)
{
    std::size_t at = 0;
    for (;;)
    {
        const std::size_t end = connection.in.find("\r\n", at);
        if (end == std::string::npos)
        {
            break;
        }
        if (connection.in.compare(at, 4, "MSG ") == 0)
        {
            const std::size_t space = connection.in.rfind(' ', end);
            const long size = std::strtol(connection.in.c_str() + space + 1, nullptr, 10);
            if (connection.in.size() < end + 2 + size + 2)
            {
                break; // the rest is on its way
            }
            std::int64_t stamp = 0;
            std::memcpy(&stamp, connection.in.data() + end + 2, sizeof stamp);
            if (stamp >= MeasureFrom && stamp < MeasureEnd)
            {
                const std::int64_t us = (Now() - stamp) / 1000;
                ++Histogram[std::min<std::int64_t>(us / BinUs, Bins)];
                ++Received;
                ReceivedBytes += size;
            }
            at = end + 2 + size + 2;
            continue;
        }
        if (connection.in.compare(at, 4, "PING") == 0)
        {
            connection.out += "PONG\r\n";
        }
        else if (connection.in.compare(at, 4, "PONG") == 0)
        {
            connection.ready = true;
        }
        else if (connection.in.compare(at, 4, "-ERR") == 0)
        {
            std::fprintf(stderr, "meet_load: %s\n", connection.in.substr(at, end - at).c_str());
        }
        at = end + 2;
    }
    connection.in.erase(0, at);
}

void Flush(Connection& connection)
{
    while (!connection.out.empty())
    {
        const ssize_t wrote = send(connection.socket, connection.out.data(), connection.out.size(),
                                   MSG_DONTWAIT | MSG_NOSIGNAL);
        if (wrote <= 0)
        {
            return; // the socket is full: later
        }
        connection.out.erase(0, wrote);
    }
}

double Percentile(double share)
{
    long total = 0;
    for (long count : Histogram)
    {
        total += count;
    }
    long seen = 0;
    for (int bin = 0; bin <= Bins; ++bin)
    {
        seen += Histogram[bin];
        if (seen >= share * total && total > 0)
        {
            return (bin + 0.5) * BinUs / 1000.0;
        }
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: meet_load PAIRS SECONDS HOST:PORT [HOST:PORT ...]\n");
        return 2;
    }
    const int pairs = std::atoi(argv[1]);
    const int seconds = std::atoi(argv[2]);
    const int servers = argc - 3;
    rlimit files;
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    const int poll = epoll_create1(0);
    Connections.resize(2 * pairs);
    std::vector<epoll_event> events(256);
    char buffer[65536];
    auto serve = [&](int waitMs)
    {
        const int count = epoll_wait(poll, events.data(), static_cast<int>(events.size()), waitMs);
        for (int n = 0; n < count; ++n)
        {
            Connection& connection = Connections[events[n].data.u32];
            for (;;)
            {
                const ssize_t got = recv(connection.socket, buffer, sizeof buffer, MSG_DONTWAIT);
                if (got <= 0)
                {
                    break;
                }
                connection.in.append(buffer, got);
            }
            Read(connection);
            Flush(connection);
        }
    };
    for (int pair = 0; pair < pairs; ++pair)
    {
        char name[64];
        std::snprintf(name, sizeof name, "tq.%024x", pair * 2654435761u);
        const std::string game = name;
        const std::string conversation = game + ".00000000deadbeef";
        for (int side = 0; side < 2; ++side)
        {
            Connection& connection = Connections[2 * pair + side];
            connection.host = side == 0;
            connection.socket = Dial(argv[3 + (side == 0 ? 0 : (1 + pair) % servers)]);
            if (connection.socket < 0)
            {
                std::fprintf(stderr, "meet_load: cannot connect (pair %d)\n", pair);
                return 1;
            }
            connection.sendTo = connection.host ? conversation : game;
            connection.out = "CONNECT {\"verbose\":false,\"pedantic\":false,\"echo\":false,"
                             "\"lang\":\"bench\",\"version\":\"0\",\"protocol\":1}\r\nSUB " +
                             (connection.host ? game : conversation) + " 1\r\nPING\r\n";
            epoll_event event = {};
            event.events = EPOLLIN;
            event.data.u32 = static_cast<std::uint32_t>(2 * pair + side);
            epoll_ctl(poll, EPOLL_CTL_ADD, connection.socket, &event);
            Flush(connection);
        }
    }
    // Every connection in (or 30 s gone), then the games begin; measured after two seconds.
    const std::int64_t connecting = Now();
    long ready = 0;
    while (ready < 2 * pairs && Now() - connecting < 30000000000LL)
    {
        serve(10);
        ready = std::count_if(Connections.begin(), Connections.end(),
                              [](const Connection& c) { return c.ready; });
    }
    const std::int64_t start = Now();
    for (int index = 0; index < 2 * pairs; ++index)
    {
        // Spread the pairs over the step, and their whole frames over two seconds.
        Connection& connection = Connections[index];
        const int pair = index / 2;
        connection.next =
            start + StepNs * pair / pairs + (connection.host ? 0 : KeyEveryNs * pair / pairs);
        connection.nextWhole = start + WholeEveryNs * pair / pairs;
    }
    MeasureFrom = start + 2000000000LL;
    MeasureEnd = MeasureFrom + seconds * 1000000000LL;
    const std::int64_t end = MeasureEnd;
    bool told = false;
    for (std::int64_t now = Now(); now < end + 500000000LL; now = Now())
    {
        if (!told && now >= MeasureFrom)
        {
            std::printf("measuring\n"); // the servers' use is taken from now on
            std::fflush(stdout);
            told = true;
        }
        for (Connection& connection : Connections)
        {
            if (!connection.ready || now < connection.next || now >= end)
            {
                continue;
            }
            if (connection.host)
            {
                const bool whole = now >= connection.nextWhole;
                connection.nextWhole += whole ? WholeEveryNs : 0;
                Publish(connection, whole ? WholeBytes : DeltaBytes, now);
                connection.next += StepNs;
            }
            else
            {
                Publish(connection, KeyBytes, now);
                connection.next += KeyEveryNs;
            }
            connection.next = std::max(connection.next, now); // fallen behind: no burst
            Flush(connection);
        }
        serve(1);
    }
    const double due = pairs * (1e9 / StepNs + 1e9 / KeyEveryNs);
    rusage used;
    getrusage(RUSAGE_SELF, &used);
    const double cpu = used.ru_utime.tv_sec + used.ru_stime.tv_sec +
                       (used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    std::printf(
        "pairs %d, servers %d, connected %ld of %d, sent %.0f msg/s of %.0f due, %.0f kB/s, "
        "received %.0f msg/s, lost %ld, through the meeting point: median %.2f ms, p99 %.2f ms, "
        "p99.9 %.2f ms, most %.2f ms; meet_load %.1f CPU s in all\n",
        pairs, servers, ready, 2 * pairs, double(Sent) / seconds, due,
        double(SentBytes) / seconds / 1000, double(Received) / seconds, Sent - Received,
        Percentile(0.5), Percentile(0.99), Percentile(0.999), Percentile(1.0), cpu);
    return 0;
}
