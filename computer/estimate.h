// What a board is worth to either team without a search: the fewest moves a player needs to
// score with the others standing still, and from them a team's chance to score in a turn of its
// own; and a player's way to the ball. The planner values the board at the end of its
// look-ahead with these.
//
// Nothing here allocates or draws a random number. Main thread (or any one thread at a time).
#pragma once

#include "match/board_rules.h"

#include <cstdint>

constexpr int MaxTurnMoves = 9;    // the most moves a turn can have
constexpr int FewestTurnMoves = 4; // the fewest
constexpr int Unreachable = 99;    // moves to score that no turn has

// Cells as bits, cell (column, row) at bit 8 * column + row: a column's rows are adjacent.
using Cells = std::uint64_t;

// The fewest moves to a goal from every state (cell and facing) of a player, with the other
// pieces standing still, found backwards from the states that score by pushing: reached[d][f]
// holds the cells from which facing f it takes d moves.
struct ScoreMap
{
    Cells taken;             // cells of solid pieces
    int ballColumn, ballRow; // -1 without a ball
    Cells reached[MaxTurnMoves + 1][4];
    Cells reachable[4]; // every cell of reached[..][facing]
};

void BuildScoreMap(const Board& board, ScoreMap& map);

// The chance, 0..1, that the team scores in a turn of its own on the board the map was built
// from, with 4 to 9 moves and a random player selected first. anyFacing lets each player face
// whichever way it likes first.
float ChanceOnMap(const Board& board, const ScoreMap& map, int team, bool anyFacing);

// The chance, 0..1, that the team scores in a turn of its own from this board, with 4 to 9
// moves and a random player selected first, playing as well as the estimate knows.
float TeamScoreChance(const Board& board, int team);

// The fewest moves the piece needs to score with the rest of the board standing still, or a
// number above 9 when it cannot within a turn.
int MovesToScore(const Board& board, int piece);

// The fewest moves the piece needs, with the other pieces standing still, to stand beside the
// ball facing it, so that its next step pushes the ball on (or changes places with it). Without
// a ball, the moves to face one of the four middle cells, near which the next one comes; with
// the ball walled in by other pieces, FarMoves plus those. A piece walled in itself gets twice
// FarMoves plus the cells from the one it faces to the ball (or the middle). A move along the
// shortest way leaves one move fewer, so a player that follows it never turns back.
int WayToBall(const Board& board, int piece);
constexpr int FarMoves = BoardColumns * BoardRows * 4; // more than any walk, which passes each
                                                       // cell and facing once

// Fills the table of a team of three's chances, so that no estimate after it has to.
void InitEstimate();

// The index of the ball among the board's pieces; -1 when there is none.
int FindBall(const Board& board);
