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
#include <utility>
#include <vector>

// Rows of a board by number, 0 at the bottom, six cells each: '.' empty, 'o' the ball,
// '>' '^' '<' 'v' a team 0 player facing that way, 'R' 'U' 'L' 'D' a team 1 player
// facing right, up, left or down. Rows not given are empty.
using Rows = std::vector<std::pair<int, const char*>>;

// Replaces the match's units by the rows', ids in reading order from the top row down, and
// puts it in team 0's turn: banner down, the given moves, the player on (column, row)
// selected, no key held and no timer running.
inline void SetBoard(GameTitle& match, const Rows& rows, int column, int row, int moves = 9)
{
    const char* marks = ">^<vRULDo";
    match.units.clear();
    match.nextUnitId = 1;
    for (int line = BoardRows - 1; line >= 0; --line)
    {
        for (const auto& [number, cells] : rows)
        {
            for (int c = 0; c < BoardColumns && number == line; ++c)
            {
                if (const char* found = std::strchr(marks, cells[c]))
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

// While it lives the samples count as loaded and the sounds requested stay queued.
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

    // The sounds queued so far, oldest first: the name, "@column" when panned to a
    // board column, and "!" when the pan, volume or echo share is not one of the game's.
    // A voice's pan is the request's negated plus 0..15/128, its volume the request's
    // times 1.5..1.6.
    static std::string Heard()
    {
        std::string heard;
        const AudioStatusSlot& slot = AudioStatusSlots[MainSlot];
        for (int i = 0; i < slot.voiceCount; ++i)
        {
            const Voice& voice = Voices[slot.voiceList[i]];
            const bool centred = voice.pan > -1e-4f && voice.pan < 0.118f;
            const int column =
                centred ? -1 : static_cast<int>(std::lround(2.5f - (voice.pan - 0.06f) / 0.3f));
            const float jitter = voice.pan + (centred ? 0.0f : ColumnPan(column));
            const float boost = voice.volume / (voice.sound == SoundBall ? BallVolume : CueVolume);
            const bool level = jitter > -1e-4f && jitter < 0.118f && boost > 1.4999f &&
                               boost < 1.6024f && voice.send == CueSend;
            heard += std::string(i > 0 ? " " : "") + SoundName(voice.sound) +
                     (centred ? "" : "@" + std::to_string(column)) + (level ? "" : "!");
        }
        return heard;
    }
};
