// What must hold on a match's board after every step, whatever keys were pressed.
#pragma once

#include "match/game_title.h"
#include "scene/unit_types.h"

// Returns what is wrong with the match, or nullptr when every unit is on the board, no
// two solid units share a cell, each team has three players, there is at most one ball,
// and the scores and the move count are in range.
inline const char* FindBoardFault(const GameTitle& match)
{
    bool taken[BoardColumns][BoardRows] = {};
    int counts[3] = {0, 0, 0}; // balls, team 0's players, team 1's players
    for (const auto& [id, unit] : match.units)
    {
        if (unit.column < 0 || unit.column >= BoardColumns || unit.row < 0 || unit.row >= BoardRows)
        {
            return "a unit is off the board";
        }
        if (UnitTypes[unit.type].solid && taken[unit.column][unit.row])
        {
            return "two units share a cell";
        }
        taken[unit.column][unit.row] = UnitTypes[unit.type].solid;
        ++counts[unit.type == UnitBall ? 0 : 1 + (unit.team & 1)];
    }
    if (counts[0] > 1)
    {
        return "more than one ball";
    }
    if (counts[1] != 3 || counts[2] != 3)
    {
        return "a team does not have three players";
    }
    if (match.teamScore[0] < 0 || match.teamScore[0] > 5 || match.teamScore[1] < 0 ||
        match.teamScore[1] > 5)
    {
        return "a score out of range";
    }
    if (match.movesLeft < 0 || match.movesLeft > 9)
    {
        return "a move count out of range";
    }
    return nullptr;
}

// One step's worth of random keys as two people might press them: now and then a press,
// forward keys most often, or a release.
inline void PressRandomKeys(GameTitle& match, int (*draw)())
{
    const int roll = draw() % 8;
    if (roll == 0)
    {
        const int action = draw() % 12;
        match.KeyDown(action < 9 ? action : (action & 1) * 4);
    }
    else if (roll == 1)
    {
        match.KeyUp(draw() % 9);
        match.KeyUp(8);
    }
}
