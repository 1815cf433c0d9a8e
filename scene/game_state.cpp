// The scene the shell runs during a match: its step, its key list and its result text.
#include "scene/game_state.h"

#include "display/font.h"
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
        UnitTypes[unit.type].stepOp(unit, *this);
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
        UpdateEffect(*it, *this);
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
