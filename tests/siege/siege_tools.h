// What the online siege and the matches over a poor line share: the clock, child processes,
// and the lossy relay (tests/e2e/udp_relay.py) they play through.
#pragma once

#include "net/link.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

inline unsigned NowMs()
{
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

inline void Sleep(unsigned ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Runs a child process; every run of one ends it with _exit.
template<typename Run>
pid_t Start(Run run)
{
    const pid_t pid = fork();
    pid == 0 ? run() : void();
    return pid;
}

// Runs tell(out) in a child process, out a pipe whose other end comes back in heard; ends the
// process with 2 when no pipe can be had.
template<typename Tell>
pid_t StartTelling(Tell tell, std::FILE*& heard)
{
    int ends[2];
    if (pipe(ends) != 0)
    {
        std::exit(2);
    }
    const pid_t pid = Start([&] { tell(fdopen(ends[1], "w")); });
    close(ends[1]);
    heard = fdopen(ends[0], "r");
    return pid;
}

// Opens the host's link on the first even port from port on that is free (other processes
// may hold some) and tells it on report; ends the process with 3 after a hundred tried.
inline void OpenHostPort(int& port, std::FILE* report)
{
    std::setvbuf(report, nullptr, _IOLBF, 0);
    for (const int last = port + 200; !OpenHostLink(port); port += 2)
    {
        port == last ? _exit(3) : void();
    }
    std::fprintf(report, "%d\n", port);
}

// Waits for a process to end; 0 when it exited with 0. With kill, ends it first.
inline int End(pid_t pid, bool kill = false)
{
    int status = 1;
    if (pid > 0 && (!kill || ::kill(pid, SIGKILL) == 0))
    {
        waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// The relay from port + 1 to the host on port, for seconds, dropping a share loss of the
// datagrams and holding each delay ms, its losses drawn from seed; returns once it listens.
inline pid_t StartRelay(const char* relay, int port, unsigned seconds, const char* loss,
                        const char* delay, const char* seed)
{
    int ends[2];
    if (pipe(ends) != 0)
    {
        return -1;
    }
    const std::string listen = std::to_string(port + 1), target = std::to_string(port),
                      lasting = std::to_string(seconds);
    const pid_t pid = Start(
        [&]
        {
            dup2(ends[1], 1);
            execlp("python3", "python3", relay, listen.c_str(), target.c_str(), lasting.c_str(),
                   "--seed", seed, "--loss", loss, "--delay", delay, nullptr);
            _exit(5);
        });
    close(ends[1]);
    char said[16] = "";
    const bool listening = read(ends[0], said, sizeof said - 1) > 0;
    close(ends[0]);
    if (!listening)
    {
        End(pid, true);
        return -1;
    }
    return pid;
}
