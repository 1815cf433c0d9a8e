// The computer opponent's strength: seeded matches between policies at the keys of the real
// match scene, with win rates, their 95 % intervals and the time per decision.
//
//   arena [matches] [first seed] [part of a pairing's name]
//       (default 1000 matches per pairing, seed 1, every pairing)
//   arena --replays [matches] [first seed]   (default 100 matches, seed 1)
//   arena --trace [matches] [first seed]     (default 400 matches, seed 1)
//
// Pairings: each level of the computer against a random player (uniform over the four
// moves), against a greedy one (a goal in one move if it has one, else towards the ball),
// against a second reference that walks to the ball's column (ColumnMove), and against the
// level below. Sides alternate between matches, and the match's own draw decides which team
// begins. The times per decision are of every decision of each level in those matches.
//
// With --replays: the hard computer against itself, each match recorded; the replays' sizes,
// and every replay played back through the shell as fast as the core steps (32 steps an
// iteration, the most the main loop runs at once), each checked to end as it ended.
//
// With --trace: each level against the greedy player, its moves traced turn by turn
// (MeasureTrace).
#include "app/shell.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "bench/arena_players.h"
#include "bench/arena_trace.h"
#include "display/palette.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace
{
// The processor time of the calling thread in microseconds: what a decision costs, whatever
// else the machine runs meanwhile.
double ThreadMicros()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// A decision, to be asked again.
struct Decision
{
    double micros; // processor time it took
    Board board;   // what it was asked
    int selected, movesLeft;
};

constexpr int KeptSlowest = 20;

// The decisions of one level: every time, and the slowest few in full.
struct LevelTimes
{
    std::vector<float> micros;
    std::vector<Decision> slowest; // at most KeptSlowest, the fastest first
};
LevelTimes Times[LevelHard + 1];

ComputerMove TimedMove(ComputerLevel level, const Board& board, int selected, int movesLeft)
{
    const double start = ThreadMicros();
    const ComputerMove move = ChooseLevelMove(level, board, selected, movesLeft);
    const double micros = ThreadMicros() - start;
    LevelTimes& times = Times[level];
    times.micros.push_back(static_cast<float>(micros));
    if (times.slowest.size() < KeptSlowest || micros > times.slowest.front().micros)
    {
        if (times.slowest.size() == KeptSlowest)
        {
            times.slowest.erase(times.slowest.begin());
        }
        const Decision decision{micros, board, selected, movesLeft};
        times.slowest.insert(std::upper_bound(times.slowest.begin(), times.slowest.end(), decision,
                                              [](const Decision& a, const Decision& b)
                                              { return a.micros < b.micros; }),
                             decision);
    }
    return move;
}

ComputerMove Easy(const Board& board, int selected, int movesLeft)
{
    return TimedMove(LevelEasy, board, selected, movesLeft);
}

ComputerMove Normal(const Board& board, int selected, int movesLeft)
{
    return TimedMove(LevelNormal, board, selected, movesLeft);
}

ComputerMove Hard(const Board& board, int selected, int movesLeft)
{
    return TimedMove(LevelHard, board, selected, movesLeft);
}

// The slowest decisions of the level asked again: the least of five timings of each, so that
// a moment the machine took the processor away is not counted as thinking.
double SlowestRetimed(ComputerLevel level)
{
    double slowest = 0;
    for (const Decision& decision : Times[level].slowest)
    {
        double least = 1e9;
        for (int again = 0; again < 5; ++again)
        {
            InitPlanner();
            const double start = ThreadMicros();
            ChooseLevelMove(level, decision.board, decision.selected, decision.movesLeft);
            least = std::min(least, ThreadMicros() - start);
        }
        slowest = std::max(slowest, least);
    }
    return slowest;
}

// The wall-clock time in seconds.
double Seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int MeasureReplays(int matches, unsigned firstSeed)
{
    std::vector<std::vector<unsigned char>> replays;
    std::vector<std::size_t> sizes;
    long steps = 0;
    for (int m = 0; m < matches; ++m)
    {
        PlayMatch<RecordedMatch>(firstSeed + m, ChooseMove, ChooseMove);
        std::size_t size = 0;
        const unsigned char* bytes = RecordedReplay(size);
        replays.emplace_back(bytes, bytes + size);
        sizes.push_back(size);
        ReplayHeader header;
        ReadReplay(bytes, size, header);
        steps += header.endStep;
    }
    std::sort(sizes.begin(), sizes.end());
    std::printf("%d matches of the computer against itself, %.0f steps on average: replay files "
                "of median %zu bytes, smallest %zu, largest %zu\n",
                matches, static_cast<double>(steps) / matches, sizes[sizes.size() / 2],
                sizes.front(), sizes.back());

    SamplesLoaded.store(true); // the sounds the matches dropped are dropped again
    InitStatusHandoff();
    InitPalette();
    int differing = 0;
    const double start = Seconds();
    for (const auto& replay : replays)
    {
        LoadReplay(replay.data(), replay.size());
        while (PlaybackPending() || MatchRunning)
        {
            RunSteps(32);
            std::fill(EffectVoiceTaken, EffectVoiceTaken + EffectVoices, false);
        }
        differing += PlaybackNoticeShown();
    }
    const double seconds = Seconds() - start;
    std::printf("played back in %.2f s: %.1f matches per second, %.2f million steps per second; "
                "%d ended otherwise than recorded\n",
                seconds, matches / seconds, static_cast<double>(steps) / seconds / 1e6, differing);
    return differing == 0 ? 0 : 1;
}

struct Pairing
{
    const char* name;
    MovePolicy tested; // the player whose wins are counted
    MovePolicy opponent;
};

// Wilson's 95 % interval of a share.
void Interval(double wins, double n, double& low, double& high)
{
    const double z = 1.959964, p = wins / n;
    const double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
    const double half = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n)) / (1 + z * z / n);
    low = centre - half;
    high = centre + half;
}
} // namespace

int main(int argc, char** argv)
{
    const bool replays = argc > 1 && std::strcmp(argv[1], "--replays") == 0;
    const bool trace = argc > 1 && std::strcmp(argv[1], "--trace") == 0;
    argc -= replays || trace ? 1 : 0;
    argv += replays || trace ? 1 : 0;
    const int matches = argc > 1 ? std::atoi(argv[1]) : (replays ? 100 : trace ? 400 : 1000);
    const unsigned firstSeed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    const char* only = argc > 3 ? argv[3] : ""; // only the pairings whose names hold this
    SamplesLoaded.store(false);                 // no sounds: the match plays the same without them
    if (replays)
    {
        return MeasureReplays(matches, firstSeed);
    }
    if (trace)
    {
        return MeasureTrace(matches, firstSeed);
    }
    const Pairing pairings[] = {
        {"easy vs random", Easy, RandomMove},     {"easy vs greedy", Easy, GreedyMove},
        {"normal vs greedy", Normal, GreedyMove}, {"hard vs greedy", Hard, GreedyMove},
        {"normal vs easy", Normal, Easy},         {"hard vs normal", Hard, Normal},
        {"easy vs column", Easy, ColumnMove},     {"normal vs column", Normal, ColumnMove},
        {"hard vs column", Hard, ColumnMove},
    };
    std::printf("| pairing | matches | wins of the first | draws | win rate | 95 %% interval | "
                "as team 0 | as team 1 |\n|---|---|---|---|---|---|---|---|\n");
    for (const Pairing& pairing : pairings)
    {
        if (std::strstr(pairing.name, only) == nullptr)
        {
            continue;
        }
        int wins = 0, draws = 0, winsAs[2] = {0, 0};
        for (int m = 0; m < matches; ++m)
        {
            const int side = m % 2; // the first of the pairing plays this team
            const int winner =
                PlayMatch(firstSeed + m, side == 0 ? pairing.tested : pairing.opponent,
                          side == 0 ? pairing.opponent : pairing.tested);
            wins += winner == side;
            winsAs[side] += winner == side;
            draws += winner < 0;
        }
        double low = 0, high = 0;
        Interval(wins, matches, low, high);
        std::printf("| %s | %d | %d | %d | %.1f %% | %.1f-%.1f %% | %d of %d | %d of %d |\n",
                    pairing.name, matches, wins, draws, 100.0 * wins / matches, 100 * low,
                    100 * high, winsAs[0], (matches + 1) / 2, winsAs[1], matches / 2);
        std::fflush(stdout);
    }
    std::printf("\n| level | decisions | mean | median | 99th percentile | longest | slowest "
                "asked again |\n|---|---|---|---|---|---|---|\n");
    for (int level = LevelEasy; level <= LevelHard; ++level)
    {
        std::vector<float>& micros = Times[level].micros;
        if (micros.empty())
        {
            continue;
        }
        std::sort(micros.begin(), micros.end());
        double sum = 0;
        for (const float m : micros)
        {
            sum += m;
        }
        const auto at = [&](double share) {
            return micros[static_cast<std::size_t>(share * static_cast<double>(micros.size() - 1))];
        };
        std::printf("| %s | %zu | %.0f us | %.0f us | %.0f us | %.0f us | %.0f us |\n",
                    LevelName(static_cast<ComputerLevel>(level)), micros.size(),
                    sum / static_cast<double>(micros.size()), at(0.5), at(0.99), micros.back(),
                    SlowestRetimed(static_cast<ComputerLevel>(level)));
    }
    return 0;
}
