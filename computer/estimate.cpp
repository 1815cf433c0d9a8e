// What a board is worth without a search: a map of the moves to a goal, backwards from the
// pushes that score, and a team's chance to score from it; a walk to the ball, forwards.
#include "computer/estimate.h"

#include "scene/unit_types.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace
{
constexpr Cells BoardCells = (Cells{1} << (BoardColumns * BoardRows)) - 1;
constexpr Cells BottomRow = 0x010101010101ull; // row 0 of every column
constexpr Cells TopRow = BottomRow << (BoardRows - 1);
constexpr int MiddleColumn = 2, MiddleRow = 3;       // the lower left of the four middle cells
constexpr int States = BoardColumns * BoardRows * 4; // a piece's cells and facings

constexpr Cells Bit(int column, int row)
{
    return Cells{1} << (column * BoardRows + row);
}

bool OnBoard(int column, int row)
{
    return column >= 0 && row >= 0 && column < BoardColumns && row < BoardRows;
}

// The cells from which a step in the facing reaches the given cells.
Cells StepSources(Cells cells, int facing)
{
    switch (facing)
    {
        case 0:
            return cells >> BoardRows; // from the column to the left
        case 1:
            return (cells & ~BottomRow) >> 1; // from the row below
        case 2:
            return (cells << BoardRows) & BoardCells;
        default:
            return (cells & ~TopRow) << 1;
    }
}

bool Taken(const ScoreMap& map, int column, int row)
{
    return OnBoard(column, row) && (map.taken & Bit(column, row)) != 0;
}

bool Free(const ScoreMap& map, int column, int row)
{
    return OnBoard(column, row) && (map.taken & Bit(column, row)) == 0;
}

// Whether every cell of the column from row first to row last is taken, or free (an empty
// range is both).
bool ColumnIs(const ScoreMap& map, int column, int first, int last, bool taken)
{
    for (int row = first; row <= last; ++row)
    {
        if (Taken(map, column, row) != taken)
        {
            return false;
        }
    }
    return true;
}

// The moves of pushes that score for a player on the cell facing that way, pushing the ball
// and whatever stands between them; Unreachable when a step from there scores nothing.
int PushesToScore(const ScoreMap& map, int column, int row, int facing)
{
    if (map.ballColumn < 0 || column != map.ballColumn)
    {
        return Unreachable;
    }
    const int ballRow = map.ballRow;
    if (facing == 3 && row > ballRow && ColumnIs(map, column, ballRow + 1, row - 1, true))
    {
        if (ColumnIs(map, column, 0, ballRow - 1, false))
        {
            return ballRow; // the line goes down a row a push
        }
        if (row == BoardRows - 1 && ballRow == row - 1 &&
            ColumnIs(map, column, 0, ballRow - 1, true))
        {
            return 1; // the ball cannot go down: it changes places into the top row
        }
    }
    if (facing == 1 && row < ballRow && ColumnIs(map, column, row + 1, ballRow - 1, true))
    {
        if (ColumnIs(map, column, ballRow + 1, BoardRows - 1, false))
        {
            return BoardRows - 1 - ballRow;
        }
        if (row == 0 && ballRow == 1 && ColumnIs(map, column, ballRow + 1, BoardRows - 1, true))
        {
            return 1;
        }
    }
    return Unreachable;
}
} // namespace

namespace
{
// The map's cells of solid pieces and its ball, without the moves to a goal.
void BuildStanding(const Board& board, ScoreMap& map)
{
    map.taken = 0;
    for (int i = 0; i < board.count; ++i)
    {
        const Piece& piece = board.pieces[i];
        if (UnitTypes[piece.type].solid && OnBoard(piece.column, piece.row))
        {
            map.taken |= Bit(piece.column, piece.row);
        }
    }
    const int ball = FindBall(board);
    map.ballColumn = ball >= 0 ? board.pieces[ball].column : -1;
    map.ballRow = ball >= 0 ? board.pieces[ball].row : -1;
}

// Whether a piece on the cell facing that way stands right before the ball, or, not toBall,
// before one of the four middle cells.
bool WayEnds(const ScoreMap& map, int column, int row, int facing, bool toBall)
{
    const int aheadColumn = column + DirectionColumn[facing];
    const int aheadRow = row + DirectionRow[facing];
    if (toBall)
    {
        return aheadColumn == map.ballColumn && aheadRow == map.ballRow;
    }
    return aheadColumn >= MiddleColumn && aheadColumn <= MiddleColumn + 1 &&
           aheadRow >= MiddleRow && aheadRow <= MiddleRow + 1;
}

// The fewest moves from the state, (8 * column + row) * 4 + facing, to where the way ends,
// stepping only onto free cells; -1 when it cannot get there.
int Walk(const ScoreMap& map, int start, bool toBall)
{
    // Breadth first: the first state reached where the way ends is the nearest.
    short moves[States];
    std::memset(moves, -1, sizeof moves);
    int queue[States];
    int queued = 0;
    queue[queued++] = start;
    moves[start] = 0;
    for (int next = 0; next < queued; ++next)
    {
        const int state = queue[next];
        const int column = state / 4 / BoardRows, row = state / 4 % BoardRows, facing = state % 4;
        if (WayEnds(map, column, row, facing, toBall))
        {
            return moves[state];
        }
        const int aheadColumn = column + DirectionColumn[facing];
        const int aheadRow = row + DirectionRow[facing];
        const int reached[3] = {
            state - facing + ((facing + 1) & 3), state - facing + ((facing + 3) & 3),
            Free(map, aheadColumn, aheadRow) ? (aheadColumn * BoardRows + aheadRow) * 4 + facing
                                             : -1};
        for (const int other : reached)
        {
            if (other >= 0 && moves[other] < 0)
            {
                moves[other] = static_cast<short>(moves[state] + 1);
                queue[queued++] = other;
            }
        }
    }
    return -1;
}
} // namespace

void BuildScoreMap(const Board& board, ScoreMap& map)
{
    BuildStanding(board, map);
    for (auto& level : map.reached)
    {
        for (Cells& cells : level)
        {
            cells = 0;
        }
    }
    if (map.ballColumn >= 0)
    {
        // The pusher's place: the first free cell beyond the line that stands on the ball,
        // from above pushing down and from below pushing up.
        for (int facing : {1, 3})
        {
            const int away = facing == 3 ? 1 : -1;
            int row = map.ballRow + away;
            while (Taken(map, map.ballColumn, row))
            {
                row += away;
            }
            const int cost = PushesToScore(map, map.ballColumn, row, facing);
            if (Free(map, map.ballColumn, row) && cost <= MaxTurnMoves)
            {
                map.reached[cost][facing] |= Bit(map.ballColumn, row);
            }
        }
    }
    const Cells free = BoardCells & ~map.taken;
    Cells seen[4] = {};
    for (int cost = 0; cost <= MaxTurnMoves; ++cost)
    {
        Cells* level = map.reached[cost];
        if (cost > 0)
        {
            const Cells* before = map.reached[cost - 1];
            for (int facing = 0; facing < 4; ++facing)
            {
                // A turn either way onto the facing, or a step in it from a free cell.
                level[facing] |= before[(facing + 1) & 3] | before[(facing + 3) & 3] |
                                 (StepSources(before[facing], facing) & free);
            }
        }
        for (int facing = 0; facing < 4; ++facing)
        {
            level[facing] &= ~seen[facing];
            seen[facing] |= level[facing];
        }
    }
    for (int facing = 0; facing < 4; ++facing)
    {
        map.reachable[facing] = seen[facing];
    }
}

namespace
{
// The moves from the state to a goal by the map, Unreachable beyond a turn's.
int MapMoves(const ScoreMap& map, int column, int row, int facing)
{
    const Cells cell = Bit(column, row);
    if ((map.reachable[facing] & cell) == 0)
    {
        return Unreachable;
    }
    for (int cost = 0; cost <= MaxTurnMoves; ++cost)
    {
        if ((map.reached[cost][facing] & cell) != 0)
        {
            return cost;
        }
    }
    return Unreachable;
}

// The fewest moves for the piece, turning first from its facing (or facing any way it likes
// when anyFacing is set).
int PieceMovesToScore(const ScoreMap& map, const Piece& piece, bool anyFacing)
{
    int best = Unreachable;
    for (int facing = 0; facing < 4; ++facing)
    {
        const int quarters = (facing - piece.facing) & 3;
        const int turns = anyFacing ? 0 : (quarters == 3 ? 1 : quarters);
        int moves = PushesToScore(map, piece.column, piece.row, facing);
        const int column = piece.column + DirectionColumn[facing];
        const int row = piece.row + DirectionRow[facing];
        if (Free(map, column, row))
        {
            const int beyond = MapMoves(map, column, row, facing) + 1;
            moves = beyond < moves ? beyond : moves;
        }
        best = turns + moves < best ? turns + moves : best;
    }
    return best;
}

// The chance that the team scores in a turn of its own: for every number of moves 4..9 and
// every first player alike, scoring when that player can, else switching while a switch
// still leaves moves.
float ChanceFromMoves(const int* moves, int players)
{
    if (players == 0)
    {
        return 0.0f;
    }
    float chance[MaxTurnMoves + 1][MaxPieces];
    for (int left = 0; left <= MaxTurnMoves; ++left)
    {
        for (int p = 0; p < players; ++p)
        {
            float value = moves[p] <= left ? 1.0f : 0.0f;
            if (value == 0.0f && left > 0 && players > 1)
            {
                float sum = 0.0f;
                for (int q = 0; q < players; ++q)
                {
                    sum += q != p ? chance[left - 1][q] : 0.0f;
                }
                value = sum / static_cast<float>(players - 1);
            }
            chance[left][p] = value;
        }
    }
    float sum = 0.0f;
    for (int left = FewestTurnMoves; left <= MaxTurnMoves; ++left)
    {
        for (int p = 0; p < players; ++p)
        {
            sum += chance[left][p];
        }
    }
    return sum / static_cast<float>((MaxTurnMoves - FewestTurnMoves + 1) * players);
}

// ChanceFromMoves for three players, by their moves 0..10 (10 for any number above 9).
struct ThreeChances
{
    bool filled;
    float chance[MaxTurnMoves + 2][MaxTurnMoves + 2][MaxTurnMoves + 2];
};
ThreeChances TeamOfThree;

void FillTeamOfThree()
{
    for (int a = 0; a <= MaxTurnMoves + 1; ++a)
    {
        for (int b = 0; b <= MaxTurnMoves + 1; ++b)
        {
            for (int c = 0; c <= MaxTurnMoves + 1; ++c)
            {
                const int three[3] = {a, b, c};
                TeamOfThree.chance[a][b][c] = ChanceFromMoves(three, 3);
            }
        }
    }
    TeamOfThree.filled = true;
}

float ChanceOfThree(const int* moves)
{
    if (!TeamOfThree.filled)
    {
        FillTeamOfThree(); // once, if InitPlanner was not called
    }
    const auto clamp = [](int m) { return m > MaxTurnMoves ? MaxTurnMoves + 1 : m; };
    return TeamOfThree.chance[clamp(moves[0])][clamp(moves[1])][clamp(moves[2])];
}
} // namespace

float ChanceOnMap(const Board& board, const ScoreMap& map, int team, bool anyFacing)
{
    int moves[MaxPieces];
    int players = 0;
    for (int i = 0; i < board.count; ++i)
    {
        if (board.pieces[i].team == team)
        {
            moves[players++] = PieceMovesToScore(map, board.pieces[i], anyFacing);
        }
    }
    return players == 3 ? ChanceOfThree(moves) : ChanceFromMoves(moves, players);
}

int FindBall(const Board& board)
{
    for (int i = 0; i < board.count; ++i)
    {
        if (board.pieces[i].type == UnitBall)
        {
            return i;
        }
    }
    return -1;
}

int MovesToScore(const Board& board, int piece)
{
    static ScoreMap map;
    BuildScoreMap(board, map);
    return PieceMovesToScore(map, board.pieces[piece], false);
}

float TeamScoreChance(const Board& board, int team)
{
    static ScoreMap map;
    BuildScoreMap(board, map);
    return ChanceOnMap(board, map, team, false);
}

int WayToBall(const Board& board, int piece)
{
    static ScoreMap map; // the cells taken and the ball, the piece's own cell left free
    BuildStanding(board, map);
    const Piece& walker = board.pieces[piece];
    map.taken &= ~Bit(walker.column, walker.row);
    const int start = (walker.column * BoardRows + walker.row) * 4 + walker.facing;
    const bool ball = map.ballColumn >= 0;
    const int way = Walk(map, start, ball);
    if (way >= 0)
    {
        return way;
    }
    const int middle = ball ? Walk(map, start, false) : -1;
    if (middle >= 0)
    {
        return FarMoves + middle; // the ball walled in: the middle, to wait for it
    }
    const int aheadColumn = walker.column + DirectionColumn[walker.facing];
    const int aheadRow = walker.row + DirectionRow[walker.facing];
    const int toColumn =
        ball ? map.ballColumn : std::clamp(aheadColumn, MiddleColumn, MiddleColumn + 1);
    const int toRow = ball ? map.ballRow : std::clamp(aheadRow, MiddleRow, MiddleRow + 1);
    return 2 * FarMoves + std::abs(aheadColumn - toColumn) + std::abs(aheadRow - toRow);
}

void InitEstimate()
{
    FillTeamOfThree();
}
