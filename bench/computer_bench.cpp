// The computer opponent's thinking: one decision at the start of a turn of nine moves (the most
// it ever looks at), and decisions as they come in a match between two computers.
#include "audio/sample_bank.h"
#include "computer/pace.h"
#include "match/game_title.h"
#include "platform/rand.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace
{
// A new match's first turn, given nine moves.
void DecisionAtTurnStart(benchmark::State& state)
{
    SeedRand(static_cast<unsigned>(state.range(0)));
    InitPlanner();
    GameTitle match;
    match.Step();
    const Board board = match.CurrentBoard();
    const int selected = FindPiece(board, match.selectedId);
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(ChooseMove(board, selected, 9));
    }
}
BENCHMARK(DecisionAtTurnStart)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond);

struct Asked
{
    Board board;
    int selected, movesLeft;
};
std::vector<Asked> Decisions; // every decision of a seeded match between two computers

ComputerMove Record(const Board& board, int selected, int movesLeft)
{
    Decisions.push_back({board, selected, movesLeft});
    return ChooseMove(board, selected, movesLeft);
}

// Every decision of a whole match in turn: the mean time a decision takes in play.
void DecisionInPlay(benchmark::State& state)
{
    if (Decisions.empty())
    {
        SamplesLoaded.store(false);
        SeedRand(7);
        InitPlanner();
        GameTitle match;
        ComputerPlayer computers[2] = {MakeComputerPlayer(0, Record),
                                       MakeComputerPlayer(1, Record)};
        match.Step();
        while (!match.finished)
        {
            TickComputerPlayer(computers[0], match);
            TickComputerPlayer(computers[1], match);
            match.Step();
        }
    }
    std::size_t next = 0;
    for (auto _ : state)
    {
        const Asked& asked = Decisions[next];
        benchmark::DoNotOptimize(ChooseMove(asked.board, asked.selected, asked.movesLeft));
        next = next + 1 == Decisions.size() ? 0 : next + 1;
    }
    state.counters["decisions"] = static_cast<double>(Decisions.size());
}
BENCHMARK(DecisionInPlay)->Unit(benchmark::kMicrosecond);
} // namespace
