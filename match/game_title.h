// The match scene: two teams of three players and a ball on a 6 x 8 board, taking turns
// until one team has scored five goals.
#pragma once

#include "scene/game_state.h"

#include <cstdint>

// One match from its set-up to its end. The shell creates it on the heap when a key
// starts a match, calls Step once at once (which selects the first player), then Step
// per simulation step, Draw per frame and KeyDown/KeyUp per key, and deletes it when
// finished is set or Escape is pressed. Main thread only. Its operations are spread over
// the match's modules: set-up (match_setup.cpp), rules (turn_rules.h), keys (controls.h)
// and drawing (match_draw.h).
class GameTitle : public GameState
{
public:
    // Sets up a new match: a fresh palette drift, a random team to begin with 4 to 9
    // moves under its banner, the ball beside the team that waits, and one player of each
    // team in each pair of rows 1-2, 3-4 and 5-6, team 0 in columns 1-2 and team 1 in
    // columns 3-4; then the new ball's sound. Draws, in this order: the team, the moves,
    // the ball's row, and a row then a column for each player, team 0's before team 1's
    // in each pair of rows.
    GameTitle();

    // One step of the match: ball respawn, the turn's timers, the selected player acting
    // on the held keys, the scene's own step, and the win check.
    void Step() override;
    // The whole match screen: goal zones, marker, effects, units, panels, scores, moves,
    // banner, pictures and the end-of-match dissolve.
    void Draw() override;
    // The first key of a turn only takes the banner away; a switch key switches the
    // teammate; any other key is held until released.
    void KeyDown(int action) override;

    // The first solid unit, in ascending id order, on the cell; null off the board or
    // on an empty cell.
    Unit* FindUnitAt(int column, int row);
    // Moves the unit one cell in the direction (0..3) and returns whether it moved.
    // mayPush: the line of units in the way is pushed on from its far end if its last
    // unit has room; forced: the target cell is not looked at (the halves of a swap);
    // ownStep: the selected player's own step, which plays "step" and changes places with
    // a ball that cannot be pushed; pushSound: the unit is pushed directly by the selected
    // player and plays "push". A unit that moves gets a slide from its old cell and 14
    // busy steps. A step off the board fails and moves nothing.
    bool TryStep(Unit& unit, int direction, bool mayPush, bool forced, bool ownStep,
                 bool pushSound);
    // Spends a move to select another player of the current team at random; does nothing
    // with no move left.
    void SwitchTeammate();
    // Hands the turn to the other team: its banner, 4 to 9 new moves, no player selected
    // and no held keys.
    void PassTurn();
    // Places a new ball on a random free cell of rows 3 and 4, or of rows 2 and 5 when
    // those are full.
    void RespawnBall();

    int currentTeam;          // team whose turn it is, 0 or 1
    int movesLeft;            // moves left in this turn, 0..9
    std::uint32_t selectedId; // unit id of the player who moves; 0 none yet
    bool turnBanner;          // the turn's banner is up and waits for a key
    int settleTimer;          // steps before the turn may pass, 0..
    int respawnTimer;         // steps until a new ball; 0 none pending, else 1..32
};
