// Replays: recording a match into memory, writing it once it is over, checking a file, and
// feeding its entries back to a match step by step.
#include "app/replay.h"

#include "audio/sound_requests.h"
#include "display/canvas.h"
#include "display/font.h"
#include "match/match_draw.h"
#include "match/turn_rules.h"
#include "platform/names.h"
#include "platform/numbered_file.h"
#include "platform/rand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool KeepReplays = false;
unsigned ReplayCounter = 0;

namespace
{
constexpr unsigned char Magic[4] = {'T', 'Q', 'R', 'P'};
constexpr int EntrySize = 5;              // the step, and what arrived
constexpr int UpCode = ActionCount;       // KeyUp codes follow the KeyDown ones
constexpr int RandCode = 2 * ActionCount; // the generator's state follows
constexpr int RandEntrySize = EntrySize + 8;
constexpr int FastFactor = 4;              // Right held
constexpr int PanelMiddle = LeftFrame / 2; // column the marks are centred on
constexpr int MarkRow = 44;                // bottom row of "replay"
constexpr int PausedRow = 36;              // bottom row of "paused"
constexpr unsigned char MarkColour = 1;    // grey, as the notices
constexpr unsigned char PausedColour = 1;  // grey

// The recording: a whole file once ended, its header filled in last.
unsigned char Recorded[MaxReplayBytes];
std::size_t RecordedSize = 0;
bool Recording = false;
bool RecordingFull = false;    // entries no longer fit: the match is kept up to FullStep
std::uint32_t FullStep = 0;    // steps taken when the entries filled the buffer
int FullScore[TeamCount] = {}; // goals at that moment
std::size_t StepStart = 0;     // where the entries of LastStep begin
std::uint32_t LastStep = 0;    // the step of the latest entry
bool MoveMade = false;         // a move of either team was spent in the recorded match
ReplayHeader Header = {};      // the recording's

// The playback: a copy of the file, and the next entry to feed.
unsigned char Loaded[MaxReplayBytes];
std::size_t LoadedSize = 0;
ReplayHeader Played = {};
std::size_t NextEntry = 0;
bool Pending = false;
bool Running = false;
bool Paused = false;
bool Fast = false;
bool Notice = false;
bool AtEnd = false; // the match's last step was shown and its entries fed

void Put(unsigned char* out, std::uint64_t value, int bytes)
{
    for (int n = 0; n < bytes; ++n)
    {
        out[n] = static_cast<unsigned char>(value >> (8 * n));
    }
}

std::uint64_t Get(const unsigned char* in, int bytes)
{
    std::uint64_t value = 0;
    for (int n = 0; n < bytes; ++n)
    {
        value |= static_cast<std::uint64_t>(in[n]) << (8 * n);
    }
    return value;
}

// Appends an entry of size bytes at the scene's step; false, with the recording cut back to
// the steps before this one, when it does not fit.
unsigned char* Append(const GameState& scene, int size)
{
    if (!Recording || RecordingFull)
    {
        return nullptr;
    }
    if (scene.stepCount != LastStep)
    {
        StepStart = RecordedSize;
        LastStep = scene.stepCount;
    }
    if (RecordedSize + static_cast<std::size_t>(size) > MaxReplayBytes)
    {
        // Kept up to the end of the step before: this step's entries could not all be.
        RecordingFull = true;
        RecordedSize = StepStart;
        FullStep = scene.stepCount;
        FullScore[0] = scene.teamScore[0];
        FullScore[1] = scene.teamScore[1];
        return nullptr;
    }
    unsigned char* entry = Recorded + RecordedSize;
    Put(entry, scene.stepCount, 4);
    RecordedSize += static_cast<std::size_t>(size);
    ++Header.entryCount;
    return entry;
}

void RecordAction(const GameState& scene, int code)
{
    unsigned char* entry = Append(scene, EntrySize);
    if (entry != nullptr)
    {
        entry[4] = static_cast<unsigned char>(code);
    }
}

void WriteHeader(const ReplayHeader& header, unsigned char* out)
{
    std::memcpy(out, Magic, sizeof Magic);
    Put(out + 4, ReplayVersion, 2);
    out[6] = static_cast<unsigned char>(header.computerLevel);
    out[7] = header.online ? 1 : 0;
    Put(out + 8, header.randState, 8);
    Put(out + 16, header.heldBack, 4);
    Put(out + 20, header.endStep, 4);
    out[24] = header.finished ? 1 : 0;
    out[25] = static_cast<unsigned char>(header.score[0]);
    out[26] = static_cast<unsigned char>(header.score[1]);
    out[27] = 0;
    Put(out + 28, header.entryCount, 4);
}

// The replay, on the disk before it gets its name: a power cut must not leave the name on an
// empty file.
bool WriteRecorded(int file, const void*)
{
    return WriteAll(file, Recorded, RecordedSize) && fsync(file) == 0;
}

// Whether the match spent a move since it stood at this team and move count: within one turn
// the count only falls as moves are made.
void NoteMove(const GameTitle& match, int team, int movesLeft)
{
    MoveMade = MoveMade || (match.currentTeam == team && match.movesLeft < movesLeft);
}
} // namespace

void RecordedMatch::Step()
{
    const int team = currentTeam;
    const int moves = movesLeft;
    GameTitle::Step();
    NoteMove(*this, team, moves);
}

void RecordedMatch::KeyDown(int action)
{
    RecordAction(*this, action);
    const int team = currentTeam;
    const int moves = movesLeft;
    GameTitle::KeyDown(action);
    NoteMove(*this, team, moves);
}

void RecordedMatch::KeyUp(int action)
{
    RecordAction(*this, UpCode + action);
    GameTitle::KeyUp(action);
}

void BeginRecording(ComputerLevel computerLevel, bool online)
{
    Header = {};
    Header.computerLevel = computerLevel;
    Header.online = online;
    Header.randState = ReadRandState();
    Header.heldBack = DroppedSoundRequests;
    RecordedSize = ReplayHeaderSize;
    StepStart = RecordedSize;
    LastStep = 0;
    MoveMade = false;
    RecordingFull = false;
    Recording = true;
    Notice = false;
}

bool IsRecording()
{
    return Recording;
}

void NoteRandState(const GameState& scene, std::uint64_t before)
{
    const std::uint64_t now = ReadRandState();
    if (now == before)
    {
        return;
    }
    unsigned char* entry = Append(scene, RandEntrySize);
    if (entry != nullptr)
    {
        entry[4] = static_cast<unsigned char>(RandCode);
        Put(entry + 5, now, 8);
    }
}

void EndRecording(const GameState& scene)
{
    if (!Recording)
    {
        return;
    }
    Recording = false;
    Header.heldBack = DroppedSoundRequests - Header.heldBack;
    Header.endStep = RecordingFull ? FullStep : scene.stepCount;
    Header.finished = !RecordingFull && scene.finished;
    Header.score[0] = RecordingFull ? FullScore[0] : scene.teamScore[0];
    Header.score[1] = RecordingFull ? FullScore[1] : scene.teamScore[1];
    if (RecordingFull)
    {
        Header.entryCount = 0; // counted again over what was kept
        for (std::size_t at = ReplayHeaderSize; at < RecordedSize;
             at += Recorded[at + 4] == RandCode ? RandEntrySize : EntrySize)
        {
            ++Header.entryCount;
        }
    }
    WriteHeader(Header, Recorded);
    if (!KeepReplays || !MoveMade)
    {
        return; // kept in memory only, or a match left before anyone moved
    }
    const unsigned tried = ReplayCounter;
    if (!SaveNumberedFile("replay%u.tqr", ReplayCounter, WriteRecorded, nullptr))
    {
        ReplayCounter = tried; // the number stays free for the next match
        std::fprintf(stderr, "%s: cannot keep the replay of this match: %s\n", ProgramName,
                     std::strerror(errno));
        return;
    }
    PruneNumberedFiles("replay", ".tqr", MaxKeptReplays);
}

const unsigned char* RecordedReplay(std::size_t& size)
{
    size = RecordedSize;
    return Recorded;
}

ReplayFault ReadReplay(const unsigned char* bytes, std::size_t size, ReplayHeader& header)
{
    if (size < sizeof Magic || std::memcmp(bytes, Magic, sizeof Magic) != 0)
    {
        return ReplayFault::NotAReplay;
    }
    if (size < 6)
    {
        return ReplayFault::Truncated;
    }
    if (Get(bytes + 4, 2) != ReplayVersion)
    {
        return ReplayFault::OtherVersion;
    }
    if (size < ReplayHeaderSize)
    {
        return ReplayFault::Truncated;
    }
    ReplayHeader read = {};
    read.online = bytes[7] == 1;
    read.randState = Get(bytes + 8, 8);
    read.heldBack = static_cast<std::uint32_t>(Get(bytes + 16, 4));
    read.endStep = static_cast<std::uint32_t>(Get(bytes + 20, 4));
    read.finished = bytes[24] == 1;
    read.score[0] = bytes[25];
    read.score[1] = bytes[26];
    read.entryCount = static_cast<std::uint32_t>(Get(bytes + 28, 4));
    if (bytes[6] > LevelHard || bytes[7] > 1 || (read.online && bytes[6] != LevelNone) ||
        read.endStep == 0 || bytes[24] > 1 || read.score[0] > GoalsToWin ||
        read.score[1] > GoalsToWin || bytes[27] != 0)
    {
        return ReplayFault::Damaged;
    }
    read.computerLevel = static_cast<ComputerLevel>(bytes[6]);
    std::size_t at = ReplayHeaderSize;
    std::uint32_t previous = 1;
    for (std::uint32_t n = 0; n < read.entryCount; ++n)
    {
        if (size - at < EntrySize)
        {
            return ReplayFault::Truncated;
        }
        const auto step = static_cast<std::uint32_t>(Get(bytes + at, 4));
        const int code = bytes[at + 4];
        if (step < previous || step > read.endStep || code > RandCode)
        {
            return ReplayFault::Damaged;
        }
        if (code == RandCode && size - at < RandEntrySize)
        {
            return ReplayFault::Truncated;
        }
        previous = step;
        at += code == RandCode ? RandEntrySize : EntrySize;
    }
    if (at != size)
    {
        return ReplayFault::Damaged; // bytes after the last entry
    }
    header = read;
    return ReplayFault::None;
}

const char* DescribeReplayFault(ReplayFault fault)
{
    switch (fault)
    {
        case ReplayFault::NotAReplay:
            return "it is not a replay";
        case ReplayFault::OtherVersion:
            return "it is a replay of another version of the game";
        case ReplayFault::Truncated:
            return "the replay is cut short";
        case ReplayFault::Damaged:
            return "the replay is damaged";
        case ReplayFault::None:
            break;
    }
    return "it is a whole replay";
}

ReplayFault LoadReplay(const unsigned char* bytes, std::size_t size)
{
    ReplayHeader header;
    const ReplayFault fault =
        size > MaxReplayBytes ? ReplayFault::Damaged : ReadReplay(bytes, size, header);
    if (fault != ReplayFault::None)
    {
        return fault;
    }
    std::memmove(Loaded, bytes, size);
    LoadedSize = size;
    Played = header;
    Pending = true;
    Running = false;
    return fault;
}

bool LoadReplayFile(const char* path, const char*& reason)
{
    // Without blocking: a pipe or a device nobody writes to would hold the game before its
    // window forever.
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
    {
        reason = std::strerror(errno);
        return false;
    }
    struct stat status;
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode))
    {
        close(file);
        reason = "it is not a file";
        return false;
    }
    // One byte more than a replay may have tells a file that is too long.
    std::size_t size = 0;
    bool tooLong = false;
    ssize_t got;
    do
    {
        unsigned char beyond;
        got = size < MaxReplayBytes ? read(file, Loaded + size, MaxReplayBytes - size)
                                    : read(file, &beyond, 1);
        tooLong = got > 0 && size == MaxReplayBytes;
        size += got > 0 && !tooLong ? static_cast<std::size_t>(got) : 0;
    } while ((got > 0 && !tooLong) || (got < 0 && errno == EINTR));
    const bool failed = got < 0;
    close(file);
    if (failed)
    {
        reason = "it cannot be read";
        return false;
    }
    const ReplayFault fault = tooLong ? ReplayFault::Damaged : LoadReplay(Loaded, size);
    reason = DescribeReplayFault(fault);
    return fault == ReplayFault::None;
}

bool PlaybackPending()
{
    return Pending;
}

bool PlaybackRunning()
{
    return Running;
}

GameTitle* StartPlayback()
{
    Pending = false;
    Running = true;
    Paused = false;
    Fast = false;
    Notice = false;
    AtEnd = false;
    NextEntry = ReplayHeaderSize;
    RestoreRandState(Played.randState);
    SoundsHeldBack = Played.heldBack;
    auto* match = new GameTitle();
    match->computerTeam = Played.computerLevel != LevelNone ? 1 : -1;
    match->computerLevel = Played.computerLevel;
    return match;
}

int PlaybackSteps(int steps)
{
    return Paused ? 0 : (Fast ? FastFactor * steps : steps);
}

bool FeedPlayback(GameState& scene)
{
    while (NextEntry < LoadedSize && Get(Loaded + NextEntry, 4) == scene.stepCount)
    {
        const int code = Loaded[NextEntry + 4];
        if (code == RandCode)
        {
            RestoreRandState(Get(Loaded + NextEntry + 5, 8));
            NextEntry += RandEntrySize;
            continue;
        }
        if (code < UpCode)
        {
            scene.KeyDown(code);
        }
        else
        {
            scene.KeyUp(code - UpCode);
        }
        NextEntry += EntrySize;
    }
    AtEnd = scene.stepCount >= Played.endStep;
    return !AtEnd;
}

bool PlaybackOver(const GameState& scene)
{
    return scene.finished || AtEnd;
}

bool EndPlayback(const GameState& scene)
{
    Running = false;
    Paused = false;
    Fast = false;
    SoundsHeldBack = 0;
    // A match that ended by itself may have been stepped a little past its end when played,
    // in the same iteration of the main loop.
    const bool ended = scene.finished ? Played.finished && scene.stepCount <= Played.endStep
                                      : !Played.finished && scene.stepCount == Played.endStep;
    const bool whole = ended && scene.teamScore[0] == Played.score[0] &&
                       scene.teamScore[1] == Played.score[1] &&
                       (scene.finished || NextEntry == LoadedSize);
    const bool left = !PlaybackOver(scene); // Escape: nothing to judge
    Notice = !whole && !left;
    if (Notice)
    {
        std::fprintf(stderr, "%s: the replay stopped at step %u: it is damaged\n", ProgramName,
                     static_cast<unsigned>(scene.stepCount));
    }
    return whole || left;
}

void PlaybackKey(Key key, bool down)
{
    if (key == KeySpace && down)
    {
        Paused = !Paused;
    }
    if (key == KeyCursorRight)
    {
        Fast = down;
    }
}

bool PlaybackPaused()
{
    return Running && Paused;
}

void DrawPlaybackMarks(bool paused)
{
    const int top = MarkRow + GlyphSide + 1;
    FillRect(1, paused ? PausedRow - 2 : MarkRow - 2, LeftFrame - 2, top, Black);
    DrawText("replay", PanelMiddle - TextWidth("replay") / 2, MarkRow, MarkColour, 1);
    if (paused)
    {
        DrawText("paused", PanelMiddle - TextWidth("paused") / 2, PausedRow, PausedColour, 1);
    }
}

bool PlaybackNoticeShown()
{
    return Notice;
}

void DrawPlaybackNotice()
{
    DrawText("replay", 16 - TextWidth("replay") / 2, 32, 9, 1);
    DrawText("damaged", 16 - TextWidth("damaged") / 2, 40, 9, 1);
}
