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
// Levels. Every level goes for the ball, scores a goal it sees and never presses a key at
// random; the weaker ones lose by seeing less:
//   hard   sees all of the above: every sequence of its remaining moves, switches included,
//          and the whole of the other team's chance to score next, so it defends. With several
//          ways to the same goal it takes any of them, sometimes turning about first.
//   normal plans only its next 5 moves, valuing the board there as if its turn ended, so a
//          goal further off comes into sight only as it nears; never looks at what the other
//          team could do next, so it leaves threats open; misjudges every board it values by
//          up to a tenth of a goal, and of two nearly equal plans may take the worse. It
//          switches when a teammate is better placed, and takes a goal it sees at once.
//   easy   plans only its next 2 moves, never looks at what the other team could do next, and
//          never thinks of switching: it walks the player it was given, even when another
//          stands nearer the ball. With no goal in sight it walks that player the shortest way
//          to stand beside the ball facing it, the other pieces standing still, and then pushes
//          the ball on the way it faces: it never walks round the ball to push it towards a
//          goal row, so it scores a goal that lies straight ahead and misses the others.
//          Without a ball, or with the ball walled in by other pieces, it walks to the middle,
//          near which the next one comes. It judges a board as normal does, misjudgements and
//          all, but only between ways that leave it equally near the ball. It never turns
//          straight back the way it just turned, within a plan or from one move to the next,
//          and of equally good moves takes one after which it stands nearest the ball, so it
//          does not turn back and forth on a cell.
// A misjudgement is a fixed blind spot, the same for the same board every time, not a die
// cast anew at each decision: its plan holds from one move to the next.
//
// Planning draws no random number of the game's: ties are broken by the planner's own
// generator. It allocates nothing: its tables are fixed and reused from decision to decision.
// It remembers the move it last chose, by which it knows the next decision of the same turn.
// Main thread (or any one thread at a time).
#pragma once

#include "match/board_rules.h"
#include "match/computer_level.h"

// What the computer may do with a key press.
enum ComputerMove
{
    MoveForward, // step forward, pushing or swapping
    MoveLeft,    // a quarter turn left
    MoveRight,   // a quarter turn right
    MoveSwitch,  // spend a move on another teammate, chosen by chance
    ComputerMoveCount
};

// The next move for the selected piece's team with movesLeft (1..9) moves left in its turn,
// the best the level sees. Never a forward step that would be blocked, nor a switch without
// a teammate. LevelNone plays as LevelHard.
ComputerMove ChooseLevelMove(ComputerLevel level, const Board& board, int selected, int movesLeft);
// ChooseLevelMove at one level each, for the computer's place at the keys.
ComputerMove ChooseEasyMove(const Board& board, int selected, int movesLeft);
ComputerMove ChooseNormalMove(const Board& board, int selected, int movesLeft);
ComputerMove ChooseMove(const Board& board, int selected, int movesLeft); // LevelHard

// Sets the planner's tables to their start values, so that no decision after it has to fill
// them, restarts its tie-break generator and forgets its last move: the same boards then get
// the same answers.
// Before a match against the computer, and in tests.
void InitPlanner();
