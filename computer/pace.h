// The computer opponent at the keyboard: when it presses which key, through the match's own
// key operations, as a person at those keys would.
#pragma once

#include "computer/planner.h"

class GameTitle;

constexpr int BannerWaitSteps = 56; // about a second before it takes its turn's banner away
constexpr int KeyGapSteps = 22;     // about 0.4 s from one press to the next

// A policy: the next move for the selected piece with moves left. The computer's own is
// ChooseMove; the strength measurements put other players at the same keys.
using MovePolicy = ComputerMove (*)(const Board& board, int selected, int movesLeft);

// One computer player and where it is in its pressing.
struct ComputerPlayer
{
    int team;          // the team it plays, 0 or 1
    MovePolicy policy; // how it chooses its moves
    int wait;          // steps until it may press again, 0..
    int heldAction;    // the action it pressed before this step, released now; -1 none
};

// A computer player for the team, thinking with the policy, waiting for its first turn.
ComputerPlayer MakeComputerPlayer(int team, MovePolicy policy = ChooseMove);

// The computer's policy at the level: LevelHard (and LevelNone) ChooseMove.
MovePolicy LevelPolicy(ComputerLevel level);

// Called once before each step of the match. Releases the key pressed before the last step;
// in the team's turn takes the banner away BannerWaitSteps after it went up, then, whenever
// the selected player stands still and KeyGapSteps have passed since the last press, asks
// the policy for a move and presses its key (KeyDown) for one step. Out of the team's turn it
// does nothing but wait. Main thread; allocates nothing.
void TickComputerPlayer(ComputerPlayer& player, GameTitle& match);

// The action whose key makes the move.
int MoveAction(ComputerMove move);
