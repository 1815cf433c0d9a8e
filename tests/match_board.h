// Hand-built boards for the match tests, and an ear for the sounds the match requests.
#pragma once

#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "match/game_title.h"
#include "match/turn_rules.h"
#include "scene/unit_types.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
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

// The board's row as SetBoard reads it.
inline std::string RowOf(const GameTitle& match, int row)
{
    std::string cells = "......";
    for (const auto& [id, unit] : match.units)
    {
        if (unit.row == row)
        {
            cells[unit.column] = unit.team < 0 ? 'o' : ">^<vRULD"[4 * unit.team + unit.facing];
        }
    }
    return cells;
}

// One step with the keys held, oldest first, released again afterwards.
inline void StepHolding(GameTitle& match, std::initializer_list<int> actions)
{
    for (int action : actions)
    {
        match.GameState::KeyDown(action);
    }
    match.Step();
    match.heldCount = 0;
}

// While it lives the samples count as loaded and the sounds requested are logged.
struct SoundEar
{
    SoundEar()
    {
        InitVoices();
        InitStatusHandoff();
        InitSoundRequests();
        SamplesLoaded.store(true);
    }
    ~SoundEar()
    {
        SamplesLoaded.store(false);
    }

    // The sounds requested so far, oldest first: the name, "@column" when panned to a board
    // column, and "!" when the volume or the echo's share is not the game's.
    static std::string Heard()
    {
        std::string heard;
        for (int i = 0; i < SoundLogCount; ++i)
        {
            const SoundRequest& r = SoundLog[i];
            const int column = static_cast<int>(std::lround(r.pan / 0.3f + 2.5f));
            const bool level = r.volume == (r.sound == SoundBall ? BallVolume : CueVolume) &&
                               r.send == CueSend && (r.pan == 0 || r.pan == ColumnPan(column));
            heard += std::string(i > 0 ? " " : "") + SoundName(r.sound) +
                     (r.pan == 0 ? "" : "@" + std::to_string(column)) + (level ? "" : "!");
        }
        return heard;
    }
};
