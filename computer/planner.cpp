// The computer opponent's thinking: a search over its own moves on the board's rules, and an
// estimate of what either team could score in a turn from the board it leaves.
#include "computer/planner.h"

#include "scene/unit_types.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace
{
constexpr int MaxTurnMoves = 9;          // the most moves a turn can have
constexpr int FewestTurnMoves = 4;       // the fewest
constexpr int Unreachable = 99;          // moves to score that no turn has
constexpr float GoalValue = 1.0f;        // a goal of the computer's own, this turn
constexpr float OwnChanceWeight = 0.25f; // what the computer's own next chance is worth
constexpr float TieMargin = 1e-4f;       // moves whose values differ by less are equal
constexpr float GoalDelayCost = 1e-3f;   // a goal a move later, for levels that take goals at once

constexpr int SearchSlots = 1 << 15; // remembered positions of the turn's search
constexpr int SearchBudget = 5000;   // positions one decision may look at, the most a turn needs
constexpr int LeafSlots = 1 << 13;   // remembered values of boards at the end of the turn

// A remembered value: the position's key, and the decision it was found in.
struct Memo
{
    std::uint64_t key;
    std::uint32_t decision;
    float value;
};

// What a level sees of the board, applied to every decision it takes.
struct Sight
{
    int lookAhead;    // moves of its own it plans, 1..9; past them it values the board as the end
    bool seesThreats; // whether it looks at the other team's chance to score next
    float blur;       // the most its valuation of a board is off, either way
    bool switches;    // whether it weighs a switch to another teammate at all
    float delayCost;  // what putting off a goal it sees costs, per move: 0 takes any of them
};

constexpr Sight Sights[] = {
    {MaxTurnMoves, true, 0.0f, true, 0.0f}, // LevelNone: as LevelHard
    {3, false, 0.1f, false, GoalDelayCost}, // LevelEasy
    {5, false, 0.1f, true, GoalDelayCost},  // LevelNormal
    {MaxTurnMoves, true, 0.0f, true, 0.0f}, // LevelHard
};

Memo SearchMemos[SearchSlots];    // by board, selected piece and moves left
Memo LeafMemos[LeafSlots];        // by the board as the end of a turn values it
std::uint32_t Decision = 0;       // decisions taken so far; a memo of another is stale
int SearchesLeft = 0;             // positions this decision may still look at
Sight Seeing = Sights[LevelHard]; // what this decision sees
int RootMoves = 0;                // the moves left when this decision began
constexpr std::uint64_t TieSeed = 0x9e3779b97f4a7c15ull;
constexpr std::uint64_t BlurSeed = 0x5be0cd19137e2179ull; // where the misjudgements fall
std::uint64_t TieState = TieSeed;                         // the planner's own generator

std::uint64_t Mix(std::uint64_t value)
{
    value += 0x9e3779b97f4a7c15ull;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

// A draw of the planner's own, 0..n-1.
int TieDraw(int n)
{
    TieState = Mix(TieState);
    return static_cast<int>(TieState % static_cast<std::uint64_t>(n));
}

// The board's key: every piece's cell, and the facing of the pieces of keptTeam (-2: all).
std::uint64_t BoardKey(const Board& board, int keptTeam)
{
    std::uint64_t key = 0;
    for (int i = 0; i < board.count; ++i)
    {
        const Piece& piece = board.pieces[i];
        const bool facing = keptTeam == -2 || piece.team == keptTeam;
        key += Mix(static_cast<std::uint64_t>(i) << 16 | piece.column << 8 | piece.row << 4 |
                   (facing ? piece.facing : 4));
    }
    return key;
}

// Cells as bits, cell (column, row) at bit 8 * column + row: a column's rows are adjacent.
using Cells = std::uint64_t;
constexpr Cells BoardCells = (Cells{1} << (BoardColumns * BoardRows)) - 1;
constexpr Cells BottomRow = 0x010101010101ull; // row 0 of every column
constexpr Cells TopRow = BottomRow << (BoardRows - 1);

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

bool BallInGoal(const Board& board)
{
    const int ball = FindBall(board);
    return ball >= 0 && IsGoalRow(board.pieces[ball].row);
}

// The fewest moves to a goal from every state (cell and facing) of a player, with the other
// pieces standing still, found backwards from the states that score by pushing: reached[d][f]
// holds the cells from which facing f it takes d moves.
struct ScoreMap
{
    Cells taken;             // cells of solid pieces
    int ballColumn, ballRow; // -1 without a ball
    Cells reached[MaxTurnMoves + 1][4];
    Cells reachable[4]; // every cell of reached[..][facing]
};

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

void BuildScoreMap(const Board& board, ScoreMap& map)
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
    for (auto& level : map.reached)
    {
        for (Cells& cells : level)
        {
            cells = 0;
        }
    }
    if (ball >= 0)
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

// What the board is worth to the team when its turn ends there: what the other team could
// score next, less a little for what this team could.
float EndOfTurnValue(const Board& board, int team)
{
    const std::uint64_t key = BoardKey(board, 1 - team) ^ Mix(static_cast<std::uint64_t>(team));
    Memo& memo = LeafMemos[key % LeafSlots];
    if (memo.decision == Decision && memo.key == key)
    {
        return memo.value;
    }
    static ScoreMap map;
    BuildScoreMap(board, map);
    const float theirs = Seeing.seesThreats ? ChanceOnMap(board, map, 1 - team, false) : 0.0f;
    const float ours = ChanceOnMap(board, map, team, true);
    float value = -theirs + OwnChanceWeight * ours * (1.0f - theirs);
    if (Seeing.blur > 0.0f)
    {
        // A blind spot, not a die: the same board is always misjudged the same way.
        const float unit = static_cast<float>(Mix(key ^ BlurSeed) >> 40) / float(1 << 24);
        value += Seeing.blur * (2.0f * unit - 1.0f);
    }
    memo = {key, Decision, value};
    return value;
}

float Search(const Board& board, int selected, int moves, int team);

// The value of one move of the selected piece; returns false when the move cannot be made.
// A switch is weighed only as the next move: its teammates then plan without one.
bool ValueOfMove(const Board& board, int selected, int moves, int move, float& value)
{
    const int team = board.pieces[selected].team;
    if (move == MoveSwitch)
    {
        if (!Seeing.switches)
        {
            return false; // it does not think of switching
        }
        int mates[MaxPieces];
        const int n = CollectTeammates(board, team, board.pieces[selected].id, mates);
        if (n == 0)
        {
            return false; // nobody to switch to
        }
        float sum = 0.0f;
        for (int i = 0; i < n; ++i)
        {
            sum += Search(board, mates[i], moves - 1, team);
        }
        value = sum / static_cast<float>(n);
        return true;
    }
    Board next = board;
    if (move == MoveForward)
    {
        if (!StepForward(next, selected).made)
        {
            return false; // blocked: it would spend nothing and change nothing
        }
        if (BallInGoal(next))
        {
            value = GoalValue - Seeing.delayCost * static_cast<float>(RootMoves - moves);
            return true;
        }
    }
    else
    {
        TurnPiece(next, selected, move == MoveLeft ? 1 : 3);
    }
    value = Search(next, selected, moves - 1, team);
    return true;
}

// The best the selected piece can make of the rest of its team's turn on its own.
float Search(const Board& board, int selected, int moves, int team)
{
    if (moves == 0 || SearchesLeft == 0 || RootMoves - moves >= Seeing.lookAhead)
    {
        return EndOfTurnValue(board, team); // the turn's end, or as far as it looks or time allows
    }
    const std::uint64_t key =
        BoardKey(board, -2) ^ Mix(static_cast<std::uint64_t>(selected) << 8 | moves);
    Memo& memo = SearchMemos[key % SearchSlots];
    if (memo.decision == Decision && memo.key == key)
    {
        return memo.value;
    }
    --SearchesLeft;
    // A turn is always possible, so best is set; turning on the spot for every move left
    // keeps the board as the turn's end values it.
    float best = -2.0f;
    for (int move = MoveForward; move <= MoveRight; ++move)
    {
        float value = 0.0f;
        if (ValueOfMove(board, selected, moves, move, value) && value > best)
        {
            best = value;
        }
    }
    memo = {key, Decision, best};
    return best;
}
} // namespace

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

ComputerMove ChooseMove(const Board& board, int selected, int movesLeft)
{
    return ChooseLevelMove(LevelHard, board, selected, movesLeft);
}

ComputerMove ChooseEasyMove(const Board& board, int selected, int movesLeft)
{
    return ChooseLevelMove(LevelEasy, board, selected, movesLeft);
}

ComputerMove ChooseNormalMove(const Board& board, int selected, int movesLeft)
{
    return ChooseLevelMove(LevelNormal, board, selected, movesLeft);
}

ComputerMove ChooseLevelMove(ComputerLevel level, const Board& board, int selected, int movesLeft)
{
    ++Decision;
    SearchesLeft = SearchBudget;
    Seeing = Sights[level >= LevelNone && level <= LevelHard ? level : LevelHard];
    RootMoves = movesLeft;
    float values[ComputerMoveCount];
    bool possible[ComputerMoveCount];
    float best = -2.0f;
    for (int move = 0; move < ComputerMoveCount; ++move)
    {
        possible[move] = ValueOfMove(board, selected, movesLeft, move, values[move]);
        if (possible[move] && values[move] > best)
        {
            best = values[move];
        }
    }
    ComputerMove ties[ComputerMoveCount];
    int n = 0;
    for (int move = 0; move < ComputerMoveCount; ++move)
    {
        if (possible[move] && values[move] > best - TieMargin)
        {
            ties[n++] = static_cast<ComputerMove>(move);
        }
    }
    return ties[TieDraw(n)]; // a turn is always possible, so n >= 1
}

void InitPlanner()
{
    std::memset(SearchMemos, 0, sizeof SearchMemos);
    std::memset(LeafMemos, 0, sizeof LeafMemos);
    Decision = 0;
    TieState = TieSeed;
    FillTeamOfThree();
}
