// The rules of a match step: stepping, turning, pushing, swapping with the ball, goals,
// the passing of the turn and the win.
#include "match/turn_rules.h"

#include "audio/sound_requests.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr int BallRows[2] = {3, 4};                    // where a new ball goes first
constexpr int SpareBallRows[2] = {2, 5};               // where it goes when those are full
constexpr int BallCellsMax = BoardColumns * 2;         // candidate cells per pair of rows
constexpr int MaxTeamUnits = BoardColumns * BoardRows; // no more units than cells

// Ids of the team's units but one, in ascending order; returns how many.
int CollectTeam(const GameTitle& match, int team, std::uint32_t except,
                std::uint32_t (&ids)[MaxTeamUnits])
{
    int n = 0;
    for (const auto& [id, unit] : match.units)
    {
        if (unit.team == team && id != except && n < MaxTeamUnits)
        {
            ids[n++] = id;
        }
    }
    return n;
}

bool IsGoalRow(int row)
{
    return row == 0 || row == BoardRows - 1;
}

// The selected player turns a quarter: counter-clockwise for left, clockwise for right.
void TurnPlayer(GameTitle& match, Unit& player, int quarters)
{
    player.facing = (player.facing + quarters) % 4;
    player.busy = TurnBusy;
    --match.movesLeft;
    PlaySound(SoundRotate, 0.0f, CueVolume, CueSend, ColumnPan(player.column));
}
} // namespace

float ColumnPan(int column)
{
    return static_cast<float>((column - 2.5) * 0.3);
}

void GameTitle::Step()
{
    if (respawnTimer > 0 && !gameOver)
    {
        --respawnTimer;
        if (respawnTimer == 0)
        {
            RespawnBall();
        }
    }
    if (settleTimer > 0)
    {
        --settleTimer;
    }
    if (movesLeft == 0 && settleTimer == 0)
    {
        PassTurn();
    }
    if (selectedId == 0)
    {
        std::uint32_t ids[MaxTeamUnits];
        const int n = CollectTeam(*this, currentTeam, 0, ids);
        if (n > 0)
        {
            selectedId = ids[Rand() % n];
        }
    }
    const auto selected = units.find(selectedId);
    if (selected != units.end() && movesLeft > 0)
    {
        Unit& player = selected->second;
        if (player.busy == 0)
        {
            for (int i = 0; i < heldCount && movesLeft > 0; ++i)
            {
                switch (heldActions[i])
                {
                    case ActionUp:
                    case ActionW:
                        if (TryStep(player, player.facing, true, false, true, false))
                        {
                            --movesLeft;
                        }
                        break;
                    case ActionLeft:
                    case ActionA:
                        TurnPlayer(*this, player, 1);
                        break;
                    case ActionRight:
                    case ActionD:
                        TurnPlayer(*this, player, 3);
                        break;
                    default:
                        break; // switch keys act on their press; other keys do nothing
                }
            }
        }
        settleTimer = std::max(player.busy, RestAfterMove);
    }
    GameState::Step();
    if (teamScore[0] >= GoalsToWin)
    {
        winner = 0;
        gameOver = true;
    }
    else if (teamScore[1] >= GoalsToWin)
    {
        winner = 1;
        gameOver = true;
    }
}

Unit* GameTitle::FindUnitAt(int column, int row)
{
    for (auto& [id, unit] : units)
    {
        if (unit.column == column && unit.row == row && UnitTypes[unit.type].solid)
        {
            return &unit;
        }
    }
    return nullptr;
}

bool GameTitle::TryStep(Unit& unit, int direction, bool mayPush, bool forced, bool ownStep,
                        bool pushSound)
{
    const int dx = DirectionColumn[direction & 3];
    const int dy = DirectionRow[direction & 3];
    const int column = unit.column + dx;
    const int row = unit.row + dy;
    if (mayPush && !forced)
    {
        Unit* blocker = FindUnitAt(column, row);
        if (blocker != nullptr && !TryStep(*blocker, direction, true, false, false, ownStep))
        {
            if (blocker->type != UnitBall || !ownStep)
            {
                return false; // the line in front is stuck
            }
            TryStep(unit, direction, false, true, false, false);
            TryStep(*blocker, direction + 2, false, true, false, false);
            PlayEffect(SoundSwap, CueVolume, ColumnPan(column));
            return true;
        }
    }
    if (column < 0 || row < 0 || column >= BoardColumns || row >= BoardRows)
    {
        return false; // the edge of the board
    }
    unit.slideX = SlideForMove(unit, dx);
    unit.slideY = SlideForMove(unit, dy);
    unit.column = column;
    unit.row = row;
    unit.busy = std::max(std::abs(unit.slideX), std::abs(unit.slideY)) + RestAfterMove;
    if (ownStep)
    {
        PlayEffect(SoundStep, CueVolume, ColumnPan(column));
    }
    else if (pushSound)
    {
        PlayEffect(SoundPush, CueVolume, ColumnPan(column));
    }
    return true;
}

void GameTitle::SwitchTeammate()
{
    if (movesLeft <= 0)
    {
        return; // the turn's moves are spent
    }
    --movesLeft;
    std::uint32_t ids[MaxTeamUnits];
    const int n = CollectTeam(*this, currentTeam, selectedId, ids);
    if (n > 0)
    {
        selectedId = ids[Rand() % n];
    }
}

void GameTitle::PassTurn()
{
    PlaySound(SoundEnd, 0.0f, CueVolume, CueSend, 0.0f);
    currentTeam = 1 - currentTeam;
    turnBanner = true;
    selectedId = 0;
    movesLeft = Rand() % MoveChoices + MinMoves;
    heldCount = 0;
}

void GameTitle::RespawnBall()
{
    int cells[2][BallCellsMax][2];
    int counts[2] = {0, 0};
    for (int column = 0; column < BoardColumns; ++column)
    {
        for (int row = SpareBallRows[0]; row <= SpareBallRows[1]; ++row)
        {
            if (FindUnitAt(column, row) != nullptr)
            {
                continue;
            }
            const int list = row == BallRows[0] || row == BallRows[1] ? 0 : 1;
            cells[list][counts[list]][0] = column;
            cells[list][counts[list]][1] = row;
            ++counts[list];
        }
    }
    const int list = counts[0] > 0 ? 0 : 1;
    if (counts[list] == 0)
    {
        return; // no free cell in the middle of the board
    }
    const int* cell = cells[list][Rand() % counts[list]];
    AddUnit(UnitBall, -1, cell[0], cell[1]);
    PlaySound(SoundBall, 0.0f, BallVolume, CueSend, 0.0f);
}

void BallStep(Unit& ball, GameState& scene)
{
    GameTitle* match = dynamic_cast<GameTitle*>(&scene);
    if (match == nullptr)
    {
        return; // a ball outside a match has no rules
    }
    if (ball.busy > 0)
    {
        match->settleTimer = std::max(match->settleTimer, ball.busy + BallRestMargin);
        return;
    }
    if (!IsGoalRow(ball.row))
    {
        return;
    }
    ball.life = -1;
    ++match->teamScore[match->currentTeam];
    match->respawnTimer = GoalPause;
    match->settleTimer = GoalPause;
    PlaySound(SoundScore, 0.0f, CueVolume, CueSend, 0.0f);
}
