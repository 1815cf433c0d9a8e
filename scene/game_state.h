// The scene the shell runs during a match: its units, effects, held keys, scores and the
// end of the match, behind the operations the shell calls and the match replaces.
#pragma once

#include "scene/effects.h"
#include "scene/units.h"

#include <cstdint>
#include <list>
#include <map>

constexpr int TeamCount = 2;
constexpr int MaxHeldActions = 16; // keys held at once; further presses are dropped
constexpr int EndSteps = 240;      // steps the result shows before the match ends

// A scene owns its units and effects and frees them when they leave and when it is
// deleted, through a pointer to this class or to a derived one. Every pass over the
// units runs in ascending id order. Main thread only: the shell creates the scene, calls
// Step once per simulation step, Draw once per frame into a cleared canvas, and KeyDown
// and KeyUp with action numbers 0..8 per key event.
class GameState
{
public:
    GameState();
    virtual ~GameState();

    // One simulation step: each unit on the board runs StepUnit, counts its busy time
    // down and slides; units whose life ran out leave and burst into debris; dead
    // effects are deleted and the others updated (new debris included); once the match
    // is decided the end countdown runs and sets finished when it reaches 0; stepCount
    // grows by one.
    virtual void Step();
    // A unit's own rule, once per step while its life is not negative, before its busy time
    // counts down. A plain scene has none; the match gives the ball its rule.
    virtual void StepUnit(Unit& unit);
    // Effects, then units, then the result text.
    virtual void Draw();
    // Every effect in creation order, those that died in the last step included.
    virtual void DrawEffects();
    // Every unit with its sprite, turned to its facing; later ids over earlier ones.
    virtual void DrawUnits();
    // Appends the action to the held actions; a press while 16 are held is dropped.
    virtual void KeyDown(int action);
    // Removes every held entry of the action; the others keep their order.
    virtual void KeyUp(int action);
    // Marks the match as decided.
    virtual void SetGameOver();

    // Creates a unit of the given type (UnitBall or UnitPlayer) and team (-1 for the
    // ball) standing still in the centre of the cell, facing -x for team 1 and +x
    // otherwise, with the next id. The reference stays valid until the unit leaves.
    Unit& AddUnit(int type, int team, int column, int row);
    // The removal pass: a unit with life 0 gets life -1 and stays one more step; a unit
    // with life below 0 bursts into its debris and is deleted.
    void RemoveDeadUnits();
    // Once the match is decided: "win" and "lose" over the winner's and the loser's half
    // of the screen, team 0 on the left, or "game over" with no winner.
    void DrawEndText();

    std::uint32_t stepCount;             // steps taken
    std::map<std::uint32_t, Unit> units; // every unit on the board by id
    std::list<Effect> effects;           // every effect, oldest first
    int heldActions[MaxHeldActions];     // actions whose keys are down, oldest first
    int heldCount;                       // entries of heldActions in use, 0..16
    int teamScore[TeamCount];            // goals of team 0 and team 1
    int winner;                          // -1 until a team has won, then 0 or 1
    bool gameOver;                       // the match is decided; the end countdown runs
    bool finished;                       // the end countdown has run out: the shell ends it
    std::uint32_t nextUnitId;            // id of the next unit, from 1
    int endCountdown;                    // steps left to show the result, 240..0
};
