// The scene the shell runs during a match: its step, its key list and its result text.
#include "scene/game_state.h"

#include "display/font.h"
#include "scene/sprites.h"
#include "scene/unit_types.h"

namespace
{
constexpr int ResultY = 42;               // canvas row of the result text's bottom
constexpr unsigned char ResultColour = 6; // the result text
constexpr int ResultScale = 2;            // canvas cells per font pixel
} // namespace

GameState::GameState()
    : stepCount(0), heldActions{}, heldCount(0), teamScore{0, 0}, winner(-1), gameOver(false),
      finished(false), nextUnitId(1), endCountdown(EndSteps)
{
}

GameState::~GameState() = default;

void GameState::Step()
{
    for (auto& [id, unit] : units)
    {
        if (unit.life < 0)
        {
            continue; // leaves in this step's removal pass
        }
        StepUnit(unit);
        if (unit.busy > 0)
        {
            --unit.busy;
        }
        PlaceUnit(unit);
    }
    RemoveDeadUnits();
    for (auto it = effects.begin(); it != effects.end();)
    {
        if (it->dead)
        {
            it = effects.erase(it);
            continue;
        }
        UpdateEffect(*it);
        ++it;
    }
    if (gameOver)
    {
        if (endCountdown != 0)
        {
            --endCountdown;
        }
        if (endCountdown == 0)
        {
            finished = true;
        }
    }
    ++stepCount;
}

void GameState::StepUnit(Unit&) {}

void GameState::Draw()
{
    DrawEffects();
    DrawUnits();
    DrawEndText();
}

void GameState::KeyDown(int action)
{
    if (heldCount == MaxHeldActions)
    {
        return; // every slot taken: the press is lost
    }
    heldActions[heldCount++] = action;
}

void GameState::KeyUp(int action)
{
    int kept = 0;
    for (int i = 0; i < heldCount; ++i)
    {
        if (heldActions[i] != action)
        {
            heldActions[kept++] = heldActions[i];
        }
    }
    heldCount = kept;
}

void GameState::SetGameOver()
{
    gameOver = true;
}

void GameState::DrawEndText()
{
    if (!gameOver)
    {
        return;
    }
    if (winner == 0 || winner == 1)
    {
        const int winX = winner == 0 ? 32 : 96;
        const int loseX = winner == 0 ? 96 : 32;
        DrawText("win", winX - TextWidth("win"), ResultY, ResultColour, ResultScale);
        DrawText("lose", loseX - TextWidth("lose"), ResultY, ResultColour, ResultScale);
        return;
    }
    DrawText("game over", 64 - TextWidth("game over"), ResultY, ResultColour, ResultScale);
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
            SpawnDebris(effects, type.debrisKind, type.debrisCount, Sprites[UnitSprite(unit)],
                        unit.x, unit.y);
        }
        it = units.erase(it);
    }
}

void GameState::DrawEffects()
{
    for (const Effect& effect : effects)
    {
        EffectKinds[effect.kind].draw(effect);
    }
}
