// Tests of replays: matches recorded through the shell and played back step for step, the kept
// replays of tests/replays/, the files' refusals, a failed write and a match too long to keep.
#include "display/canvas.h"
#include "headless.h"
#include "match/match_draw.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A match played back shows every step's board and asks for every sound as it did when played,
// whoever played it, however the main loop's iterations bunched its steps, and whether or not
// the samples had loaded; it ends on the title screen. The kept replays end on the board and
// scores they were recorded with, and the script's matches from their seeds as they ended.
// With TQ_RECORD_REPLAYS set, for a change that alters matches on purpose, the kept replays
// are recorded again from the script first (then their ends below are to be updated).
TEST(Replay, MatchesPlayBackStepForStepAndTheKeptOnesStillPlayTheSame)
{
    // The kept replays of tests/replays/: NAME.tqr, and NAME.end with the match as its playback
    // ended. Each is a scripted match of these opponents from its seed, played until it ends or
    // left after 6000 steps. The kept files came from an earlier script; today's, from the same
    // seed, plays a match that ends as the last column says (the first line of its end).
    const std::tuple<const char*, char, unsigned, const char*> keptMatches[] = {
        {"two_people", 'p', 20, "step 6000 score 0 0 winner -1 team 1 moves 0"},
        {"hard_computer", 'c', 21, "step 2811 score 0 5 winner 1 team 1 moves 3"},
        {"hosted", 'f', 22, "step 6000 score 0 0 winner -1 team 0 moves 0"},
    };
    const std::string folder =
        std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/replays/";
    std::string replay, end, sounds;
    EXPECT_TRUE(RecordAndPlayBack('f', 2500, 2500, false, replay, end));
    for (const auto& [name, opponents, seed, ends] : keptMatches)
    {
        const std::string path = folder + name;
        // It plays back the same, and its header names the computer's level and whether a
        // friend played.
        const bool same = RecordAndPlayBack(opponents, seed, 6000, true, replay, end);
        EXPECT_TRUE(same && replay[6] == (opponents == 'c' ? LevelHard : LevelNone) &&
                    replay[7] == (opponents == 'f'))
            << name;
        EXPECT_EQ(end.substr(0, end.find('\n')), ends);
        if (same && std::getenv("TQ_RECORD_REPLAYS") != nullptr)
        {
            std::ofstream(path + ".tqr", std::ios::binary) << replay;
            std::ofstream(path + ".end") << end;
        }
        const char* reason = nullptr;
        ASSERT_TRUE(LoadReplayFile((path + ".tqr").c_str(), reason)) << reason;
        Trail played;
        PlayLoadedReplay(sounds, played);
        std::ostringstream keptEnd;
        keptEnd << std::ifstream(path + ".end").rdbuf();
        EXPECT_EQ(played.rbegin()->second, keptEnd.str()) << name;
    }
}

// Each kind of damage is refused, and the reader writes nothing past its header, nor the header
// itself on a refusal. A replay whose match does not end as it says stops when played back,
// with a line and the notice, until the next match. A match too long is cut.
TEST(Replay, DamagedOrTooLongMatchesAreRefusedOrCutAndTheReaderWritesOnlyItsHeader)
{
    std::string replay, shown, sounds;
    RecordAndPlayBack('p', 5, 300, true, replay, shown);
    const Bytes whole(replay.begin(), replay.end());
    struct
    {
        ReplayHeader header;
        unsigned char guard[64];
    } out;
    std::memset(&out, 0xa5, sizeof out);
    for (std::size_t length = 0; length < whole.size(); ++length)
    {
        EXPECT_EQ(ReadReplay(whole.data(), length, out.header),
                  length < 4 ? ReplayFault::NotAReplay : ReplayFault::Truncated);
    }
    // Entries: the palette's first drift targets (13 bytes) at 32, then keys of 5 bytes.
    ASSERT_EQ(whole[ReplayHeaderSize + 4], 18);
    const std::size_t key = ReplayHeaderSize + 13, last = whole.size() - 5;
    const std::uint32_t end = whole[20] | whole[21] << 8;
    // Where, the value written there (a byte, or four for a step), its bytes, and the refusal.
    const std::tuple<std::size_t, std::uint32_t, int, ReplayFault> damages[] = {
        {0, 'X', 1, ReplayFault::NotAReplay},
        {4, 2, 1, ReplayFault::OtherVersion},
        {6, 4, 1, ReplayFault::Damaged},                // no such computer
        {25, 6, 1, ReplayFault::Damaged},               // more goals than a match has
        {key + 4, 19, 1, ReplayFault::Damaged},         // no such action
        {ReplayHeaderSize, 0, 4, ReplayFault::Damaged}, // before the first step
        {key, 100, 4, ReplayFault::Damaged},            // the next key's step goes backwards
        {last, end + 1, 4, ReplayFault::Damaged},       // past the end
        {whole.size(), 0, 1, ReplayFault::Damaged},     // a byte after the last entry
    };
    for (const auto& [at, value, size, fault] : damages)
    {
        Bytes bytes = whole;
        bytes.resize(std::max(bytes.size(), at + 1));
        for (int n = 0; n < size; ++n)
        {
            bytes[at + n] = static_cast<unsigned char>(value >> (8 * n));
        }
        EXPECT_EQ(ReadReplay(bytes.data(), bytes.size(), out.header), fault) << at;
        EXPECT_EQ(LoadReplay(bytes.data(), bytes.size()), fault);
    }
    const auto* raw = reinterpret_cast<const unsigned char*>(&out);
    EXPECT_TRUE(std::all_of(raw, raw + sizeof out, [](unsigned char b) { return b == 0xa5; }));
    EXPECT_FALSE(PlaybackPending());
    EXPECT_EQ(ReadReplay(whole.data(), whole.size(), out.header), ReplayFault::None);
    EXPECT_TRUE(std::all_of(out.guard, std::end(out.guard), [](auto b) { return b == 0xa5; }));
    Bytes first(whole.begin(), whole.begin() + static_cast<long>(key)); // ends on the drift's entry
    first[28] = 1;
    first[29] = first[30] = first[31] = 0;
    EXPECT_EQ(ReadReplay(first.data(), first.size(), out.header), ReplayFault::None);

    Bytes scored = whole;
    ++scored[26]; // a goal the match never scored
    ASSERT_EQ(LoadReplay(scored.data(), scored.size()), ReplayFault::None);
    Trail trail, played;
    testing::internal::CaptureStderr();
    PlayLoadedReplay(sounds, played);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(PlaybackNoticeShown() && !MatchRunning);
    EXPECT_EQ(HandleKeyDown(KeyW), KeyResponse::MatchStarted); // the title screen as ever
    EXPECT_FALSE(PlaybackNoticeShown());

    // A match with more keys than a replay holds is kept up to the step where they no longer
    // fit. While Right is held, a playback's iteration plays four steps.
    ReadyHeadless(7);
    StartMatch(LevelNone);
    played.clear();
    for (int n = 0; n < 80000; ++n)
    {
        HandleKeyDown(KeyCursorLeft);
        HandleKeyUp(KeyCursorLeft);
        Iterate(1, sounds, trail);
    }
    HandleKeyDown(KeyEscape);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    ReplayHeader header;
    ASSERT_EQ(ReadReplay(bytes, size, header), ReplayFault::None);
    ASSERT_EQ(LoadReplay(bytes, size), ReplayFault::None);
    EXPECT_TRUE(size > MaxReplayBytes - 20 && header.endStep < 80000);
    Iterate(1, sounds, played); // the playback starts
    HandleKeyDown(KeyCursorRight);
    Iterate(1, sounds, played);
    HandleKeyUp(KeyCursorRight);
    EXPECT_EQ(played.rbegin()->first, 5u);
    PlayLoadedReplay(sounds, played);
    EXPECT_FALSE(PlaybackNoticeShown());
    EXPECT_EQ(played.rbegin()->second, trail[header.endStep]);
}

// A replay that could not be written (in a folder where no file can be made) is lost with one
// line and leaves its number to the next match's, and the kept one holds the whole match.
TEST(Replay, AReplayNotWrittenLeavesItsNumber)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "tq_replay_number";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::string sounds;
    Trail trail;
    ReplayCounter = 0;
    for (const std::filesystem::path& where : {std::filesystem::path("/proc"), folder})
    {
        ReadyHeadless(3);
        KeepReplays = true;
        StartMatch(LevelNone);
        HandleKeyDown(KeyOther);      // the banner away
        HandleKeyDown(KeyCursorDown); // a move: a switch
        Iterate(40, sounds, trail);
        std::filesystem::current_path(where);
        testing::internal::CaptureStderr();
        HandleKeyDown(KeyEscape);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), where == folder ? 0 : 1) << said;
        std::filesystem::current_path(previous);
    }
    KeepReplays = false;
    const char* reason = nullptr;
    EXPECT_TRUE(LoadReplayFile((folder / "replay0.tqr").c_str(), reason)) << reason;
    EXPECT_TRUE(std::filesystem::exists(folder / "replay0.tqr") && ReplayCounter == 1);
    std::filesystem::remove_all(folder);
}

// A replay playing says so, and that it is paused while it is, in the left panel between the
// move count and the shield; a match played or a replay over shows neither.
TEST(Replay, APlaybackIsMarkedAsOne)
{
    std::string replay, shown, sounds;
    RecordAndPlayBack('p', 9, 200, true, replay, shown);
    const Bytes bytes(replay.begin(), replay.end());
    const auto frame = [](bool marked, bool paused)
    {
        ClearCanvas();
        CurrentScene->Draw();
        if (marked)
        {
            DrawPlaybackMarks(paused);
        }
        return Bytes(ScreenCells, ScreenCells + CanvasCells);
    };
    const auto drawn = []
    {
        DrawFrame();
        return Bytes(ScreenCells, ScreenCells + CanvasCells);
    };
    ReadyHeadless(9);
    StartMatch(LevelNone);
    EXPECT_EQ(drawn(), frame(false, false));
    LeaveMatch();
    ASSERT_EQ(LoadReplay(bytes.data(), bytes.size()), ReplayFault::None);
    Trail trail;
    Iterate(1, sounds, trail);
    ASSERT_TRUE(PlaybackRunning());
    const Bytes playing = drawn();
    const Bytes plain = frame(false, false);
    EXPECT_TRUE(playing == frame(true, false) && playing != plain);
    HandleKeyDown(KeySpace);
    HandleKeyUp(KeySpace);
    const Bytes paused = drawn();
    EXPECT_TRUE(paused == frame(true, true) && paused != playing);
    // Only the left panel, clear of the move count's rows and the shield.
    for (int n = 0; n < CanvasCells; ++n)
    {
        const int x = n / CanvasHeight, y = n % CanvasHeight;
        EXPECT_TRUE(paused[n] == plain[n] || (x < LeftFrame && y > 22 && y < 56)) << x << " " << y;
    }
    HandleKeyDown(KeySpace);
    PlayLoadedReplay(sounds, trail);
    EXPECT_FALSE(PlaybackPaused() || PlaybackRunning());
}

// A match left before anyone moved keeps no file and no number; one with a move is kept, and
// then the oldest replay files by time beyond 200 go, whatever their numbers, while links,
// folders, temporary files and names the game never writes stay.
TEST(Replay, OnlyMatchesWithAMoveAreKeptAndTheNewest200)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / "tq_replay_kept";
    fs::remove_all(folder);
    fs::create_directory(folder);
    fs::current_path(folder);
    const auto now = fs::file_time_type::clock::now();
    for (int n = 0; n < 200; ++n)
    {
        const fs::path name = "replay" + std::to_string(n) + ".tqr";
        std::ofstream(name) << "old";
        // replay100 the oldest, then replay101 .. replay199, replay0 .. replay99.
        fs::last_write_time(name, now - std::chrono::hours(1000 - (n + 100) % 200));
    }
    for (const char* other : {"replay007.tqr", "replay1.tqr.tmp", "replay.tqr", "replay5x.tqr"})
    {
        std::ofstream(other) << "other";
        fs::last_write_time(other, now - std::chrono::hours(5000));
    }
    fs::create_directory("replay300.tqr");
    fs::create_symlink("replay101.tqr", "replay301.tqr");
    std::string sounds;
    Trail trail;
    ReplayCounter = 0;
    ReadyHeadless(5);
    KeepReplays = true;
    StartMatch(LevelNone);
    Iterate(40, sounds, trail);
    HandleKeyDown(KeyOther); // the banner away: no move
    Iterate(40, sounds, trail);
    HandleKeyDown(KeyEscape);
    EXPECT_TRUE(!fs::exists("replay200.tqr") && ReplayCounter == 0);
    StartMatch(LevelNone);
    HandleKeyDown(KeyOther);
    HandleKeyDown(KeyCursorLeft); // a turn
    Iterate(40, sounds, trail);
    HandleKeyDown(KeyEscape);
    KeepReplays = false;
    std::ostringstream kept200;
    kept200 << std::ifstream("replay200.tqr", std::ios::binary).rdbuf();
    ReplayHeader header;
    EXPECT_EQ(ReadReplay(reinterpret_cast<const unsigned char*>(kept200.str().data()),
                         kept200.str().size(), header),
              ReplayFault::None);
    EXPECT_FALSE(fs::exists("replay100.tqr"));
    int kept = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("."))
    {
        kept += entry.is_regular_file() && !entry.is_symlink() &&
                entry.path().filename().string().find(".tqr") != std::string::npos;
    }
    EXPECT_EQ(kept, 200 + 4); // the four other names
    for (const char* other : {"replay0.tqr", "replay99.tqr", "replay101.tqr", "replay007.tqr",
                              "replay1.tqr.tmp", "replay300.tqr", "replay301.tqr"})
    {
        EXPECT_TRUE(fs::exists(fs::symlink_status(other))) << other;
    }
    fs::current_path(previous);
    fs::remove_all(folder);
}
