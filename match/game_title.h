// The match scene: two teams of three players and a ball on a 6 x 8 board, taking turns
// until one team has scored five goals.
#pragma once

#include "match/board_rules.h"
#include "match/computer_level.h"
#include "scene/game_state.h"

#include <cstdint>

constexpr float BallVolume = 0.2f; // a new ball's sound
constexpr float CueVolume = 0.4f;  // every other sound of the match
constexpr float CueSend = 0.6f;    // share of every match sound fed into the echo

// GameTitle is the match scene: one match from its set-up to its end. The shell creates it
// on the heap when a key starts a match, calls Step once at once (which selects the first
// player), then Step per simulation step, Draw per frame and KeyDown/KeyUp per key, and
// deletes it when finished is set or Escape is pressed. Main thread only. Its operations are
// spread over the match's files: set-up (match_setup.cpp), the turn (turn_rules.h, applying
// the board's rules of board_rules.h), keys (controls.h) and drawing (match_draw.h).
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
    // The ball's rule: while it slides it holds the turn open; at rest on row 0 or row 7 it
    // scores for the team whose turn it is, leaves the board with its burst, and starts the
    // pause before the next ball. Players have no rule of their own.
    void StepUnit(Unit& unit) override;
    // The whole match screen: goal zones, marker, effects, units, panels, scores, moves,
    // banner, pictures and the end-of-match dissolve.
    void Draw() override;
    // The first key of a turn only takes the banner away; a switch key switches the
    // teammate; any other key is held until released.
    void KeyDown(int action) override;

    // The units as the board's rules see them, in ascending id order.
    Board CurrentBoard() const;
    // Spends a move to select another player of the current team at random; does nothing
    // with no move left.
    void SwitchTeammate();
    // Hands the turn to the other team: its banner, 4 to 9 new moves, no player selected
    // and no held keys.
    void PassTurn();
    // Places a new ball on a random free cell of rows 3 and 4, or of rows 2 and 5 when
    // those are full.
    void RespawnBall();

    int currentTeam;             // team whose turn it is, 0 or 1
    int movesLeft;               // moves left in this turn, 0..9
    std::uint32_t selectedId;    // unit id of the player who moves; 0 none yet
    bool turnBanner;             // the turn's banner is up and waits for a key
    int settleTimer;             // steps before the turn may pass, 0..
    int respawnTimer;            // steps until a new ball; 0 none pending, else 1..32
    int computerTeam;            // the team the computer plays, named by its level; -1 none
    ComputerLevel computerLevel; // how well it plays; LevelNone with no computer
};
