// The computer opponent's strength: seeded matches between policies at the keys of the real
// match scene, with win rates, their 95 % intervals and the time per decision.
//
//   arena [matches] [first seed]      (default 1000 matches per pairing, seed 1)
//   arena --replays [matches] [first seed]   (default 100 matches, seed 1)
//
// Pairings: the computer against a random player (uniform over the four moves), against a
// greedy one (a goal in one move if it has one, else towards the ball), and against itself
// with the computer under test on either side. Sides alternate between matches, and the
// match's own draw decides which team begins.
//
// With --replays: the computer against itself, each match recorded; the replays' sizes, and
// every replay played back through the shell as fast as the core steps (32 steps an
// iteration, the most the main loop runs at once), each checked to end as it ended.
#include "app/replay.h"
#include "app/shell.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "computer/pace.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <type_traits>
#include <vector>

namespace
{
constexpr long MaxMatchSteps = 400000; // a match still going after 2 hours is a draw

std::uint64_t ArenaState = 1; // the random player's own generator, not the match's

ComputerMove RandomMove(const Board&, int, int)
{
    ArenaState = ArenaState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<ComputerMove>((ArenaState >> 33) % ComputerMoveCount);
}

// One move ahead: a forward step that scores, else towards the ball, turning when the step
// ahead leads away from it or is blocked.
ComputerMove GreedyMove(const Board& board, int selected, int)
{
    Board next = board;
    const MoveOutcome outcome = StepForward(next, selected);
    int ball = -1;
    for (int i = 0; i < next.count; ++i)
    {
        ball = next.pieces[i].type == UnitBall ? i : ball;
    }
    if (outcome.made && ball >= 0 && IsGoalRow(next.pieces[ball].row))
    {
        return MoveForward;
    }
    if (ball < 0)
    {
        return MoveLeft; // nothing to go for
    }
    const Piece& me = board.pieces[selected];
    const Piece& target = board.pieces[ball];
    const int dx = target.column - me.column;
    const int dy = target.row - me.row;
    const auto towards = [&](int facing)
    { return DirectionColumn[facing] * dx > 0 || DirectionRow[facing] * dy > 0; };
    if (towards(me.facing) && outcome.made)
    {
        return MoveForward;
    }
    if (towards((me.facing + 1) & 3))
    {
        return MoveLeft;
    }
    return MoveRight;
}

// The processor time of the calling thread in microseconds: what a decision costs, whatever
// else the machine runs meanwhile.
double ThreadMicros()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

struct Decision
{
    double micros; // processor time it took
    Board board;   // what it was asked
    int selected, movesLeft;
};
std::vector<Decision> Decisions; // every decision of the computer under test

ComputerMove TimedChooseMove(const Board& board, int selected, int movesLeft)
{
    const double start = ThreadMicros();
    const ComputerMove move = ChooseMove(board, selected, movesLeft);
    Decisions.push_back({ThreadMicros() - start, board, selected, movesLeft});
    return move;
}

// The slowest decision asked again: the least of five timings of each of the twenty slowest,
// so that a moment the machine took the processor away is not counted as thinking.
double SlowestRetimed()
{
    double slowest = 0;
    for (std::size_t i = 0; i < Decisions.size() && i < 20; ++i)
    {
        double least = 1e9;
        for (int again = 0; again < 5; ++again)
        {
            InitPlanner();
            const double start = ThreadMicros();
            ChooseMove(Decisions[i].board, Decisions[i].selected, Decisions[i].movesLeft);
            least = std::min(least, ThreadMicros() - start);
        }
        slowest = std::max(slowest, least);
    }
    return slowest;
}

// Plays one match, recorded when Match is a RecordedMatch; returns the winning team, or -1 for
// a draw.
template<typename Match = GameTitle>
int PlayMatch(unsigned seed, MovePolicy team0, MovePolicy team1)
{
    SeedRand(seed);
    InitPlanner(); // as a match against the computer starts
    if constexpr (std::is_same_v<Match, RecordedMatch>)
    {
        BeginRecording(0, false);
    }
    Match match;
    ComputerPlayer players[2] = {MakeComputerPlayer(0, team0), MakeComputerPlayer(1, team1)};
    match.Step();
    for (long step = 0; step < MaxMatchSteps && !match.finished; ++step)
    {
        TickComputerPlayer(players[0], match);
        TickComputerPlayer(players[1], match);
        match.Step();
    }
    if constexpr (std::is_same_v<Match, RecordedMatch>)
    {
        EndRecording(match);
    }
    return match.finished ? match.winner : -1;
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
    MovePolicy tested; // the computer under test
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
    argc -= replays ? 1 : 0;
    argv += replays ? 1 : 0;
    const int matches = argc > 1 ? std::atoi(argv[1]) : (replays ? 100 : 1000);
    const unsigned firstSeed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    SamplesLoaded.store(false); // no sounds: the match plays the same without them
    if (replays)
    {
        return MeasureReplays(matches, firstSeed);
    }
    const Pairing pairings[] = {
        {"computer vs random", TimedChooseMove, RandomMove},
        {"computer vs greedy", TimedChooseMove, GreedyMove},
        {"computer vs itself", TimedChooseMove, ChooseMove},
    };
    std::printf("| pairing | matches | computer wins | draws | win rate | 95 %% interval | "
                "as team 0 | as team 1 |\n|---|---|---|---|---|---|---|---|\n");
    for (const Pairing& pairing : pairings)
    {
        int wins = 0, draws = 0, winsAs[2] = {0, 0};
        for (int m = 0; m < matches; ++m)
        {
            const int side = m % 2; // the computer under test plays this team
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
    std::sort(Decisions.begin(), Decisions.end(),
              [](const Decision& a, const Decision& b) { return a.micros > b.micros; });
    const auto at = [](double share)
    { return Decisions[static_cast<std::size_t>((1 - share) * (Decisions.size() - 1))].micros; };
    double sum = 0;
    for (const Decision& decision : Decisions)
    {
        sum += decision.micros;
    }
    std::printf("\nProcessor time per decision of the computer under test over %zu decisions: "
                "mean %.0f us, median %.0f us, 99th percentile %.0f us, longest %.0f us; the "
                "slowest asked again: %.0f us\n",
                Decisions.size(), sum / static_cast<double>(Decisions.size()), at(0.5), at(0.99),
                Decisions.front().micros, SlowestRetimed());
    return 0;
}
