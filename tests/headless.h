// The game headless for tests: hand-built boards, the sounds a match asks for, and matches
// recorded and played back through the shell, for the replay tests and for recording the kept
// replays again.
#pragma once

#include "app/replay.h"
#include "app/shell.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "audio/voices.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "match/turn_rules.h"
#include "net/host_session.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

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

// The game as at start-up, seeded, with the samples loaded, no sound asked for yet and no files
// written.
inline void ReadyHeadless(unsigned seed)
{
    ResetShell();
    InitVoices();
    InitStatusHandoff();
    InitPalette();
    InitSoundRequests();
    SamplesLoaded.store(true);
    KeepReplays = false;
    SeedRand(seed);
}

// What a match shows: its step, scores, winner, turn and every unit where it stands.
inline std::string DescribeMatch(const GameState& scene)
{
    const auto& match = static_cast<const GameTitle&>(scene);
    char line[128];
    std::snprintf(line, sizeof line, "step %u score %d %d winner %d team %d moves %d\n",
                  match.stepCount, match.teamScore[0], match.teamScore[1], match.winner,
                  match.currentTeam, match.movesLeft);
    std::string text = line;
    for (const auto& [id, unit] : match.units)
    {
        std::snprintf(line, sizeof line, "unit %u type %d team %d at %d,%d facing %d\n", id,
                      unit.type, unit.team, unit.column, unit.row, unit.facing);
        text += line;
    }
    return text;
}

// The sounds asked for since the last ReadyHeadless or Iterate, oldest first: the name, and
// "@column" when panned to a board column.
inline std::string Heard()
{
    std::string heard;
    for (int i = 0; i < SoundLogCount; ++i)
    {
        const SoundRequest& r = SoundLog[i];
        const int column = static_cast<int>(std::lround(r.pan / 0.3f + 2.5f));
        heard += std::string(i > 0 ? " " : "") + SoundName(r.sound) +
                 (r.pan == 0 ? "" : "@" + std::to_string(column));
    }
    return heard;
}

using Trail = std::map<std::uint32_t, std::string>; // the match after each step shown

// One iteration of the main loop with this many steps, the audio thread's part played by
// giving every effect voice back; the sounds asked for are appended to sounds, and the match
// as the iteration left it (unless it ended) to trail.
inline void Iterate(int steps, std::string& sounds, Trail& trail)
{
    RunSteps(steps);
    if (MatchRunning)
    {
        trail.emplace(CurrentScene->stepCount, DescribeMatch(*CurrentScene)); // before its keys
    }
    sounds += Heard() + (SoundLogCount > 0 ? " " : ""); // however the steps were bunched
    SoundLogCount = 0;
    std::fill(EffectVoiceTaken, EffectVoiceTaken + EffectVoices, false);
}

// Plays the loaded replay to its end, one step per iteration.
inline void PlayLoadedReplay(std::string& sounds, Trail& trail)
{
    while (PlaybackPending() || MatchRunning)
    {
        Iterate(1, sounds, trail);
    }
}

// Starts a match from the title screen and presses and releases keys drawn from a generator of
// the script's own (never the game's), in iterations of 0 to 3 steps, until the match ends or,
// after maxSteps, is left with Escape. The opponents: 'p' two people, 'c' the hard computer on
// the right, 'f' a friend (hosted online: the right team's keys come as the friend's).
inline void PlayScriptedMatch(char opponents, std::uint64_t script, std::uint32_t maxSteps,
                              std::string& sounds, Trail& trail)
{
    FriendJoined = opponents == 'f';
    HandleKeyDown(opponents == 'c' ? Key3 : KeySpace);
    constexpr Key Keys[] = {KeyCursorUp, KeyCursorLeft, KeyCursorRight, KeyCursorDown,
                            KeyW,        KeyD,          KeySpace,       KeyOther};
    while (MatchRunning && CurrentScene->stepCount < maxSteps)
    {
        script = script * 6364136223846793005ull + 1442695040888963407ull;
        const auto pick = static_cast<unsigned>(script >> 33);
        const Key key = Keys[pick / 8 % 8];
        const bool friendsTurn =
            FriendJoined && static_cast<const GameTitle*>(CurrentScene)->currentTeam == FriendTeam;
        if (pick % 6 < 2 && friendsTurn)
        {
            HandleFriendKey(key, pick % 6 == 0);
        }
        else if (pick % 6 == 0)
        {
            HandleKeyDown(key);
        }
        else if (pick % 6 == 1)
        {
            HandleKeyUp(key);
        }
        Iterate(pick % 13 == 0 ? 3 : (pick % 17 == 0 ? 0 : 1), sounds, trail);
    }
    HandleKeyDown(KeyEscape); // leaves the match if it still runs; the next reset forgets a quit
    FriendJoined = false;
}

// Plays a scripted match from the seed (the script's too), with the samples loaded or never
// loading (then its sounds are dropped), and then its replay from another seed. Returns whether
// the playback showed every step's board and asked for every sound as the match did and ended
// on the title screen, with no notice; the replay's bytes go to replay and the match as the
// playback ended to end.
inline bool RecordAndPlayBack(char opponents, unsigned seed, std::uint32_t maxSteps, bool loaded,
                              std::string& replay, std::string& end)
{
    ReadyHeadless(seed);
    SamplesLoaded.store(loaded);
    std::string sounds, playedSounds;
    Trail trail, played;
    PlayScriptedMatch(opponents, seed, maxSteps, sounds, trail);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    replay = std::string_view(reinterpret_cast<const char*>(bytes), size);
    ReadyHeadless(1); // the replay brings its own start
    bool same = LoadReplay(bytes, size) == ReplayFault::None;
    PlayLoadedReplay(playedSounds, played);
    for (const auto& [step, shown] : trail)
    {
        same = same && played[step] == shown;
    }
    end = played.empty() ? "" : played.rbegin()->second;
    return same && playedSounds == sounds && !MatchRunning && !PlaybackNoticeShown();
}
