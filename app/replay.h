// Replays: every match in which a move was made kept as the seed it began from and the actions
// that reached it, step by step, and played again exactly from that; the newest MaxKeptReplays
// files stay in the folder.
//
// A replay file ("replayN.tqr"), all numbers little-endian:
//
//   offset  size  what
//   0       4     "TQRP"
//   4       2     the format's version, ReplayVersion
//   6       1     the computer's level: 0 two people, 1 easy, 2 normal, 3 hard
//   7       1     1 when hosted online (the friend played the right team), else 0
//   8       8     the game's random generator as the match began
//   16      4     sample sounds dropped at the start, while the bank was still loading
//   20      4     steps the match had taken when it ended or was left, 1 or more
//   24      1     1 when it ended by itself (the dissolve ran out), 0 when left
//   25      2     goals of team 0 and team 1 at that moment, 0..5 each
//   27      1     0
//   28      4     the number of entries that follow
//   32            the entries, none of them before step 1, in order of arrival, steps never
//                 going backwards nor past the match's last step:
//                 4 bytes the step (steps taken when it arrived), 1 byte what arrived:
//                 0..8 KeyDown of that action, 9..17 KeyUp of action - 9, or 18 and then
//                 8 bytes: the game's generator as something beside the match left it (the
//                 palette's new drift targets), before the next step.
//
// The computer's presses are kept as entries like anyone's: a replay plays back without the
// planner, whatever becomes of it. Main thread only.
#pragma once

#include "match/controls.h"
#include "match/game_title.h"

#include <cstddef>
#include <cstdint>

constexpr int ReplayVersion = 1;
constexpr int ReplayHeaderSize = 32;
constexpr std::size_t MaxReplayBytes = 1 << 20; // the most kept of one match; about 200000 keys
constexpr int MaxKeptReplays = 200; // replay files in the folder; older ones go as new ones come

// Why a replay is refused.
enum class ReplayFault
{
    None,
    NotAReplay,   // no "TQRP" at the start
    OtherVersion, // a version this game does not play
    Truncated,    // it ends within its header or an entry
    Damaged,      // a value out of range, an entry out of order, or bytes after the last entry
};

// What a replay's header says.
struct ReplayHeader
{
    ComputerLevel computerLevel; // LevelNone for two people or a friend
    bool online;                 // hosted online
    std::uint64_t randState;     // the game's generator as the match began
    std::uint32_t heldBack;      // sample sounds dropped at the start
    std::uint32_t endStep;       // steps taken when the match ended or was left
    bool finished;               // it ended by itself
    int score[TeamCount];        // goals at that moment
    std::uint32_t entryCount;    // entries after the header
};

// The game sets this: matches are then written as files. Tests and the web page keep them in
// memory only.
extern bool KeepReplays;

// Number tried for the next replay file, as ScreenshotCounter is for screenshots.
extern unsigned ReplayCounter;

// The match being recorded: every KeyDown and KeyUp that reaches it, whoever presses (a
// person, the friend online or the computer), is kept with its step before it acts.
// It notes whether the match saw a move made: a step, a turn or a switch that spent one.
class RecordedMatch : public GameTitle
{
public:
    void Step() override;
    void KeyDown(int action) override;
    void KeyUp(int action) override;
};

// Starts a recording: the generator's state and the sounds dropped so far, just before the
// match is made. Any recording still open is dropped unwritten.
void BeginRecording(ComputerLevel computerLevel, bool online);

// Whether a recording is open.
bool IsRecording();

// Notes the generator's state after something beside the match drew from it at the scene's
// present step, when it differs from what the match left.
void NoteRandState(const GameState& scene, std::uint64_t before);

// Ends the recording with the scene as it ended or was left, and, with KeepReplays and a move
// made in the match, writes it as replayN.tqr and then removes the oldest replay files beyond
// MaxKeptReplays. A file that cannot be written is lost with one line on standard error, and
// its number is left for the next.
void EndRecording(const GameState& scene);

// The last recording's bytes, a whole replay file, once EndRecording has closed it.
const unsigned char* RecordedReplay(std::size_t& size);

// Checks a whole replay file's bytes and reads its header. Nothing in them is trusted: every
// value is checked against its range and every entry against the steps around it. Writes
// nothing but header, and that only on success.
ReplayFault ReadReplay(const unsigned char* bytes, std::size_t size, ReplayHeader& header);

// The refusal's words for a line on standard error.
const char* DescribeReplayFault(ReplayFault fault);

// Takes a copy of a replay for playing back, once checked. Returns the fault; with None the
// playback waits until StartPlayback.
ReplayFault LoadReplay(const unsigned char* bytes, std::size_t size);

// Reads a replay file and loads it; false with a reason (a fault's words, or the system's for
// a file that cannot be read) otherwise.
bool LoadReplayFile(const char* path, const char*& reason);

// A loaded replay waits to be played, or is being played.
bool PlaybackPending();
bool PlaybackRunning();

// Makes the loaded replay's match: the generator and the held-back sounds as they were, and
// the computer's level on its team. The caller starts it as any match.
GameTitle* StartPlayback();

// The scene's steps for this many steps of the clock: none while paused, four times as many
// while fast.
int PlaybackSteps(int steps);

// Before each step of the playback: the entries that arrived at the scene's present step, in
// their order. Returns false once the scene has reached the match's last step, which has been
// shown: it is not stepped further, and the playback is over.
bool FeedPlayback(GameState& scene);

// Whether the playback has shown all there is: the match ended, or its last step was shown.
bool PlaybackOver(const GameState& scene);

// Ends the playback with the scene as it stands. Returns false, with one line on standard
// error, when the match did not end as the replay says: the replay was damaged on the way.
bool EndPlayback(const GameState& scene);

// A key during the playback: Space pauses and resumes, Right held plays four times as fast.
void PlaybackKey(Key key, bool down);

// Whether a running playback is paused (Space).
bool PlaybackPaused();

// Over the match while a replay plays: "replay" in the left panel, and "paused" below it while
// paused, each on a black box, above the move count and below the team's shield.
void DrawPlaybackMarks(bool paused);

// The notice after a playback that did not end as its replay says, until the next match.
bool PlaybackNoticeShown();
void DrawPlaybackNotice();
