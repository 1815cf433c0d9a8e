// Hand-built boards for the match tests.
#pragma once

#include "match/game_title.h"
#include "match/turn_rules.h"
#include "scene/unit_types.h"

#include <cstring>
#include <string>

// A board as its rows, each its number (0 at the bottom) and six cells, separated by spaces:
// '.' empty, 'o' the ball, '>' '^' '<' 'v' a team 0 player facing that way, 'R' 'U' 'L' 'D' a
// team 1 player facing right, up, left or down. Rows not given are empty. SetBoard replaces the
// match's units by the board's, ids in reading order from the top row down, and puts it in team
// 0's turn: banner down, the given moves, the player on (column, row) selected, no key held and
// no timer running.
inline void SetBoard(GameTitle& match, const std::string& rows, int column, int row, int moves = 9)
{
    const char* marks = ">^<vRULDo";
    match.units.clear();
    match.nextUnitId = 1;
    for (int line = BoardRows - 1; line >= 0; --line)
    {
        for (std::size_t at = 0; at + BoardColumns < rows.size(); at += BoardColumns + 2)
        {
            for (int c = 0; c < BoardColumns && rows[at] - '0' == line; ++c)
            {
                if (const char* found = std::strchr(marks, rows[at + 1 + c]))
                {
                    const int k = static_cast<int>(found - marks);
                    match.AddUnit(k == 8 ? UnitBall : UnitPlayer, k == 8 ? -1 : k / 4, c, line)
                        .facing = k % 4;
                }
            }
        }
    }
    match.currentTeam = 0;
    match.movesLeft = moves;
    match.turnBanner = false;
    match.heldCount = match.settleTimer = match.respawnTimer = 0;
    const Board board = match.CurrentBoard();
    const int selected = PieceAt(board, column, row);
    match.selectedId = selected >= 0 ? board.pieces[selected].id : 0;
}
