// The computer opponent's thinking: a search over its own moves on the board's rules, valuing
// the board it leaves by what either team could score from it.
#include "computer/planner.h"

#include "computer/estimate.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace
{
constexpr float GoalValue = 1.0f;        // a goal of the computer's own, this turn
constexpr float OwnChanceWeight = 0.25f; // what the computer's own next chance is worth
constexpr float TieMargin = 1e-4f;       // moves whose values differ by less are equal
constexpr float GoalDelayCost = 1e-3f;   // a goal a move later, for levels that take goals at once
constexpr float LeastValue = -1e6f;      // below the value of any plan

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
    float wayCost;    // what each move its player still needs to stand at the ball (WayToBall)
                      // costs where its plan ends without a goal; 0: it does not look
    bool turnsBack;   // whether it may turn straight back the way it just turned
};

// A move further from the ball, for easy: more than its judgement of two boards can differ by
// (a quarter of the chance of a goal of its own, and its blur either way: 0.45 in all), so that
// it walks to the ball first and judges the board only between ways equally near it.
constexpr float WayMoveCost = 0.5f;

constexpr Sight Sights[] = {
    {MaxTurnMoves, true, 0.0f, true, 0.0f, 0.0f, true},         // LevelNone: as LevelHard
    {2, false, 0.1f, false, GoalDelayCost, WayMoveCost, false}, // LevelEasy
    {5, false, 0.1f, true, GoalDelayCost, 0.0f, true},          // LevelNormal
    {MaxTurnMoves, true, 0.0f, true, 0.0f, 0.0f, true},         // LevelHard
};

// The move last chosen, by which the next decision knows the move before it in the same turn.
struct Choice
{
    std::uint32_t id; // the player that moved; 0: none yet
    int movesLeft;    // its moves left before the move
    Piece after;      // where the move left it
    int move;         // a ComputerMove
};

Memo SearchMemos[SearchSlots];    // by board, selected piece and moves left
Memo LeafMemos[LeafSlots];        // by the board as the end of a turn values it
std::uint32_t Decision = 0;       // decisions taken so far; a memo of another is stale
int SearchesLeft = 0;             // positions this decision may still look at
Sight Seeing = Sights[LevelHard]; // what this decision sees
Choice LastChoice = {};           // the move last chosen by a level that does not turn back
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
bool BallInGoal(const Board& board)
{
    const int ball = FindBall(board);
    return ball >= 0 && IsGoalRow(board.pieces[ball].row);
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

float Search(const Board& board, int selected, int moves, int team, int lastTurn);

// The board after a step or a turn of the selected piece; a switch leaves it as it is.
Board AfterMove(const Board& board, int selected, int move)
{
    Board next = board;
    if (move == MoveForward)
    {
        StepForward(next, selected);
    }
    else if (move != MoveSwitch)
    {
        TurnPiece(next, selected, move == MoveLeft ? 1 : 3);
    }
    return next;
}

// Whether the move is a quarter turn straight back from lastTurn (MoveLeft, MoveRight; -1 none).
bool TurnsBack(int move, int lastTurn)
{
    return (move == MoveLeft && lastTurn == MoveRight) ||
           (move == MoveRight && lastTurn == MoveLeft);
}

// The value of one move of the selected piece, the plan's last move before it lastTurn;
// returns false when the move cannot be made, or is one the level does not think of. A switch
// is weighed only as the next move: its teammates then plan without one.
bool ValueOfMove(const Board& board, int selected, int moves, int move, int lastTurn, float& value)
{
    if (!Seeing.turnsBack && TurnsBack(move, lastTurn))
    {
        return false; // a person who just turned does not turn straight back
    }
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
            sum += Search(board, mates[i], moves - 1, team, -1);
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
    const int turned = move != MoveForward && !Seeing.turnsBack ? move : -1;
    value = Search(next, selected, moves - 1, team, turned);
    return true;
}

// The best the selected piece can make of the rest of its team's turn on its own, its last
// move a quarter turn lastTurn (-1: none, or a level that may turn back).
float Search(const Board& board, int selected, int moves, int team, int lastTurn)
{
    if (moves == 0 || SearchesLeft == 0 || RootMoves - moves >= Seeing.lookAhead)
    {
        // The turn's end, or as far as it looks or time allows.
        const float value = EndOfTurnValue(board, team);
        if (Seeing.wayCost == 0.0f)
        {
            return value;
        }
        return value - Seeing.wayCost * static_cast<float>(WayToBall(board, selected));
    }
    const std::uint64_t key = BoardKey(board, -2) ^
                              Mix(static_cast<std::uint64_t>(selected) << 8 | moves) ^
                              (lastTurn >= 0 ? Mix(static_cast<std::uint64_t>(lastTurn) << 32) : 0);
    Memo& memo = SearchMemos[key % SearchSlots];
    if (memo.decision == Decision && memo.key == key)
    {
        return memo.value;
    }
    --SearchesLeft;
    // A turn is always possible, so best is set; turning on the spot for every move left
    // keeps the board as the turn's end values it.
    float best = LeastValue;
    for (int move = MoveForward; move <= MoveRight; ++move)
    {
        float value = 0.0f;
        if (ValueOfMove(board, selected, moves, move, lastTurn, value) && value > best)
        {
            best = value;
        }
    }
    memo = {key, Decision, best};
    return best;
}
} // namespace

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
    // The move before, when the last choice was this player's with one move more and left it
    // as it stands.
    const Piece& piece = board.pieces[selected];
    const Piece& after = LastChoice.after;
    const bool follows = LastChoice.id == piece.id && LastChoice.movesLeft == movesLeft + 1 &&
                         after.column == piece.column && after.row == piece.row &&
                         after.facing == piece.facing;
    const int lastTurn =
        follows && !Seeing.turnsBack && LastChoice.move != MoveForward ? LastChoice.move : -1;
    float values[ComputerMoveCount];
    bool possible[ComputerMoveCount];
    float best = LeastValue;
    for (int move = 0; move < ComputerMoveCount; ++move)
    {
        possible[move] = ValueOfMove(board, selected, movesLeft, move, lastTurn, values[move]);
        if (possible[move] && values[move] > best)
        {
            best = values[move];
        }
    }
    // The equal best; for a level that walks to the ball, of those the ones after which it
    // stands nearest it, so that it does not take three quarter turns for one.
    ComputerMove ties[ComputerMoveCount];
    int ways[ComputerMoveCount];
    int nearest = std::numeric_limits<int>::max();
    int n = 0;
    for (int move = 0; move < ComputerMoveCount; ++move)
    {
        if (possible[move] && values[move] > best - TieMargin)
        {
            ways[n] =
                Seeing.wayCost > 0.0f ? WayToBall(AfterMove(board, selected, move), selected) : 0;
            nearest = ways[n] < nearest ? ways[n] : nearest;
            ties[n++] = static_cast<ComputerMove>(move);
        }
    }
    int kept = 0;
    for (int i = 0; i < n; ++i)
    {
        ties[kept] = ties[i];
        kept += ways[i] == nearest ? 1 : 0;
    }
    const ComputerMove chosen = ties[TieDraw(kept)]; // a turn one way is always possible
    if (!Seeing.turnsBack)
    {
        LastChoice = {piece.id, movesLeft, AfterMove(board, selected, chosen).pieces[selected],
                      chosen};
    }
    return chosen;
}

void InitPlanner()
{
    std::memset(SearchMemos, 0, sizeof SearchMemos);
    std::memset(LeafMemos, 0, sizeof LeafMemos);
    Decision = 0;
    TieState = TieSeed;
    LastChoice = {};
    InitEstimate();
}