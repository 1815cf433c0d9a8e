// The pieces on the board: the unit record and how a unit glides into its cell after a move.
#pragma once

#include "scene/board_geometry.h"

#include <cstdint>

// One piece on the board: the ball or a player.
struct Unit
{
    std::uint32_t id;   // unique within the scene, from 1, never reused
    int type;           // UnitTypes row: UnitBall or UnitPlayer
    int x, y;           // centre in 1/64 canvas cell from the board's origin
    int column, row;    // board cell it stands on, 0..5 and 0..7
    int slideX, slideY; // slide offset in slide units, one unit toward 0 per step
    int team;           // -1 for the ball, 0 or 1 for players
    int life;           // >= 1 on the board; 0 leaves at the second removal pass, < 0 at the next
    int busy;           // steps until the unit may act again, counted down to 0
    int facing;         // 0 faces +x, 1 +y, 2 -x, 3 -y; also the sprite's orientation
};

// Moves both slide offsets one unit toward 0 and sets the position from the cell and the
// remaining slide. Run by the scene's step for every unit that is still on the board.
void PlaceUnit(Unit& unit);

// The Sprites row a unit is drawn with and takes its debris colours from.
int UnitSprite(const Unit& unit);

// The slide that makes a unit that has just moved by cells along one axis glide there
// from its old cell: -8 per cell for both unit types.
int SlideForMove(const Unit& unit, int cells);
