// The computer opponent's thinking: which move to make next, planned on the board's own rules.
//
// The planner sees what a player sees (the board with every facing, the selected player and the
// moves left) and looks ahead over every sequence of its remaining moves, a switch counting as
// the average over the teammates it may land on. A ball brought into a goal row is a goal. The
// end of the turn is valued by what the other team could then do: the chance that it scores in
// its next turn, whatever number of moves (4 to 9) and whichever player it gets, less a little
// for the chance the computer's own team would have. That chance comes from the fewest moves
// each player needs to reach a push that scores, found with the other units standing still.
//
// Planning draws no random number of the game's: ties are broken by the planner's own
// generator. It allocates nothing: its tables are fixed and reused from decision to decision.
// Main thread (or any one thread at a time).
#pragma once

#include "match/board_rules.h"

// What the computer may do with a key press.
enum ComputerMove
{
    MoveForward, // step forward, pushing or swapping
    MoveLeft,    // a quarter turn left
    MoveRight,   // a quarter turn right
    MoveSwitch,  // spend a move on another teammate, chosen by chance
    ComputerMoveCount
};

// The chance, 0..1, that the team scores in a turn of its own from this board, with 4 to 9
// moves and a random player selected first, playing as well as the estimate knows.
float TeamScoreChance(const Board& board, int team);

// The fewest moves the piece needs to score with the rest of the board standing still, or a
// number above 9 when it cannot within a turn.
int MovesToScore(const Board& board, int piece);

// The best next move for the selected piece's team with movesLeft (1..9) moves left in its
// turn. Never a forward step that would be blocked, nor a switch without a teammate.
ComputerMove ChooseMove(const Board& board, int selected, int movesLeft);

// Sets the planner's tables to their start values, so that no decision after it has to fill
// them, and restarts its tie-break generator: the same boards then get the same answers.
// Before a match against the computer, and in tests.
void InitPlanner();
