// The turn of a match: the board's rules applied with their slides, busy times, sounds and
// timers; the goal, the passing of the turn, the new ball and the win.
#include "match/turn_rules.h"

#include "audio/sound_requests.h"
#include "match/board_rules.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

#include <algorithm>
#include <cstdlib>

namespace
{
// The sounds a move asks for, each panned to its column.
void PlayCues(const MoveOutcome& outcome)
{
    for (int i = 0; i < outcome.cueCount; ++i)
    {
        const Cue& cue = outcome.cues[i];
        PlaySound(cue.sound, 0.0f, CueVolume, CueSend, ColumnPan(cue.column));
    }
}

// Every unit a move took one cell on glides there from its old cell and is busy until it
// has arrived and rested.
void ApplyMoves(GameTitle& match, const Board& board, const MoveOutcome& outcome)
{
    for (int i = 0; i < outcome.movedCount; ++i)
    {
        const Piece& piece = board.pieces[outcome.moved[i]];
        Unit& unit = match.units.find(piece.id)->second;
        const int direction = outcome.movedDirection[i];
        unit.column = piece.column;
        unit.row = piece.row;
        unit.slideX = SlideForMove(unit, DirectionColumn[direction]);
        unit.slideY = SlideForMove(unit, DirectionRow[direction]);
        unit.busy = std::max(std::abs(unit.slideX), std::abs(unit.slideY)) + RestAfterMove;
    }
    PlayCues(outcome);
}

// The selected player's forward step; returns whether it was made.
bool StepPlayer(GameTitle& match, const Unit& player)
{
    Board board = match.CurrentBoard();
    const MoveOutcome outcome = StepForward(board, FindPiece(board, player.id));
    ApplyMoves(match, board, outcome);
    return outcome.made;
}

// The selected player turns a quarter: counter-clockwise for left, clockwise for right.
void TurnPlayer(GameTitle& match, Unit& player, int quarters)
{
    Board board = match.CurrentBoard();
    const int piece = FindPiece(board, player.id);
    const MoveOutcome outcome = TurnPiece(board, piece, quarters);
    player.facing = board.pieces[piece].facing;
    player.busy = TurnBusy;
    --match.movesLeft;
    PlayCues(outcome);
}

// Selects a random player of the current team other than the one with exceptId.
void SelectTeammate(GameTitle& match, std::uint32_t exceptId)
{
    const Board board = match.CurrentBoard();
    int pieces[MaxPieces];
    const int n = CollectTeammates(board, match.currentTeam, exceptId, pieces);
    if (n > 0)
    {
        match.selectedId = board.pieces[pieces[Rand() % n]].id;
    }
}
} // namespace

float ColumnPan(int column)
{
    return static_cast<float>((column - 2.5) * 0.3);
}

Board GameTitle::CurrentBoard() const
{
    Board board;
    board.count = 0;
    for (const auto& [id, unit] : units)
    {
        if (board.count == MaxPieces)
        {
            break; // more units than cells: the rest cannot stand on the board
        }
        board.pieces[board.count++] = {id,
                                       static_cast<signed char>(unit.type),
                                       static_cast<signed char>(unit.team),
                                       static_cast<signed char>(unit.column),
                                       static_cast<signed char>(unit.row),
                                       static_cast<signed char>(unit.facing)};
    }
    return board;
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
        SelectTeammate(*this, 0);
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
                        if (StepPlayer(*this, player))
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

void GameTitle::StepUnit(Unit& unit)
{
    if (unit.type != UnitBall)
    {
        return; // players follow the keys alone
    }
    if (unit.busy > 0)
    {
        settleTimer = std::max(settleTimer, unit.busy + BallRestMargin);
        return;
    }
    if (!IsGoalRow(unit.row))
    {
        return;
    }
    unit.life = -1;
    ++teamScore[currentTeam];
    respawnTimer = GoalPause;
    settleTimer = GoalPause;
    PlaySound(SoundScore, 0.0f, CueVolume, CueSend, 0.0f);
}

void GameTitle::SwitchTeammate()
{
    if (movesLeft <= 0)
    {
        return; // the turn's moves are spent
    }
    --movesLeft;
    SelectTeammate(*this, selectedId);
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
    int cells[MaxBallCells][2];
    const int n = CollectBallCells(CurrentBoard(), cells);
    if (n == 0)
    {
        return; // no free cell in the middle of the board
    }
    const int* cell = cells[Rand() % n];
    AddUnit(UnitBall, -1, cell[0], cell[1]);
    PlaySound(SoundBall, 0.0f, BallVolume, CueSend, 0.0f);
}
