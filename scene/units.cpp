// The pieces on the board: creating, placing, drawing and removing units.
#include "scene/units.h"

#include "scene/effects.h"
#include "scene/game_state.h"
#include "scene/sprites.h"
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

Unit& GameState::AddUnit(int type, int team, int column, int row)
{
    const std::uint32_t id = nextUnitId++;
    Unit& unit = units[id];
    unit.id = id;
    unit.type = type;
    unit.team = team;
    unit.column = column;
    unit.row = row;
    unit.slideX = 0;
    unit.slideY = 0;
    unit.busy = 0;
    unit.life = UnitTypes[type].life;
    unit.facing = team == 1 ? 2 : 0;
    unit.x = CellSide * SubCell * column + CellSide / 2 * SubCell;
    unit.y = CellSide * SubCell * row + CellSide / 2 * SubCell;
    return unit;
}

void GameState::DrawUnits()
{
    for (const auto& [id, unit] : units)
    {
        DrawSprite(UnitSprite(unit), unit.x / SubCell + BoardLeft, unit.y / SubCell, unit.facing,
                   unit.team);
    }
}

void GameState::RemoveDeadUnits()
{
    for (auto it = units.begin(); it != units.end();)
    {
        Unit& unit = it->second;
        if (unit.life > 0)
        {
            ++it;
            continue;
        }
        if (unit.life == 0)
        {
            unit.life = -1; // one more step on the board
            ++it;
            continue;
        }
        const UnitType& type = UnitTypes[unit.type];
        if (type.debrisKind != EffectNone && type.debrisCount > 0)
        {
            SpawnDebris(*this, unit);
        }
        it = units.erase(it);
    }
}
