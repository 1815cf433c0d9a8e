// The pieces on the board: how a unit glides into its cell and which sprite it wears.
#include "scene/units.h"

#include "scene/unit_types.h"

void PlaceUnit(Unit& unit)
{
    unit.slideX -= (unit.slideX > 0) - (unit.slideX < 0);
    unit.slideY -= (unit.slideY > 0) - (unit.slideY < 0);
    const float scale = UnitTypes[unit.type].slideScale;
    unit.x =
        static_cast<int>((unit.slideX * scale + CellSide * unit.column + CellSide / 2) * SubCell);
    unit.y = static_cast<int>((unit.slideY * scale + CellSide * unit.row + CellSide / 2) * SubCell);
}

int UnitSprite(const Unit& unit)
{
    const UnitType& type = UnitTypes[unit.type];
    return unit.team == 1 ? type.spriteTeam1 : type.sprite;
}

int SlideForMove(const Unit& unit, int cells)
{
    return static_cast<int>(-CellSide * cells / UnitTypes[unit.type].slideScale);
}
