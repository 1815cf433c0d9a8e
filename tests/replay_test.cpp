// Tests of replays: matches recorded through the shell and played back step for step, the
// files' refusals and rules, the playback's keys, and the kept replays of tests/replays/.
#include "replay_harness.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using Bytes = std::vector<unsigned char>;

// Records a scripted match of two people from seed 5, left after maxSteps; its replay's bytes.
Bytes Record(std::uint32_t maxSteps, Trail& trail)
{
    ReadyHeadless(5);
    std::string sounds;
    PlayScriptedMatch(Opponents::TwoPeople, 9, maxSteps, sounds, trail);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    return Bytes(bytes, bytes + size);
}

std::string Contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
} // namespace

// A match played back shows every step's board and asks for every sound as it did when played,
// whoever played it, however the main loop's iterations bunched its steps, and whether or not
// the samples had loaded; it ends on the title screen. The long one runs past the palette's
// second new drift targets, at step 2000.
TEST(Replay, PlayedBackMatchesShowTheSameBoardEveryStepAndTheSameSounds)
{
    const struct
    {
        Opponents opponents;
        std::uint32_t maxSteps;
        bool loaded; // else the samples never load while it is played: its sounds are dropped
    } cases[] = {
        {Opponents::TwoPeople, 4500, true},
        {Opponents::Computer, 3000, true},
        {Opponents::Friend, 2500, false},
    };
    for (const auto& c : cases)
    {
        ReadyHeadless(c.maxSteps);
        SamplesLoaded.store(c.loaded);
        std::string sounds, playedSounds;
        Trail trail, played;
        PlayScriptedMatch(c.opponents, c.maxSteps, c.maxSteps, sounds, trail);
        std::size_t size = 0;
        const unsigned char* bytes = RecordedReplay(size);
        SamplesLoaded.store(true);
        ASSERT_EQ(LoadReplay(bytes, size), ReplayFault::None);
        SeedRand(999); // the replay brings its own start
        PlayLoadedReplay(playedSounds, played);

        EXPECT_FALSE(MatchRunning || PlaybackNoticeShown());
        EXPECT_EQ(playedSounds, sounds) << c.maxSteps;
        ASSERT_GT(trail.size(), 1000u);
        for (const auto& [step, shown] : trail)
        {
            ASSERT_EQ(played[step], shown) << c.maxSteps;
        }
    }
}

// Each kind of damage is refused, and the reader writes nothing past its header, nor the header
// itself on a refusal.
TEST(Replay, DamagedFilesAreRefusedAndTheReaderWritesOnlyItsHeader)
{
    Trail trail;
    const Bytes whole = Record(300, trail);
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
    const struct
    {
        std::size_t at;
        std::uint32_t value; // a byte, or four bytes for a step
        int bytes;
        ReplayFault fault;
    } damages[] = {
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
    for (const auto& damage : damages)
    {
        Bytes bytes = whole;
        bytes.resize(std::max(bytes.size(), damage.at + 1));
        for (int n = 0; n < damage.bytes; ++n)
        {
            bytes[damage.at + n] = static_cast<unsigned char>(damage.value >> (8 * n));
        }
        EXPECT_EQ(ReadReplay(bytes.data(), bytes.size(), out.header), damage.fault) << damage.at;
        EXPECT_EQ(LoadReplay(bytes.data(), bytes.size()), damage.fault);
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
}

// A replay file takes the first free number, never replaces a file or touches a temporary
// name that is someone else's, and one that cannot be written is lost with one line.
TEST(Replay, FilesTakeTheFirstFreeNumberAndAFailedWriteCostsOneLine)
{
    const fs::path previous = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / ("tq_replays_" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ofstream("replay0.tqr") << "earlier";
    std::ofstream("replay1.tqr.tmp") << "the player's";
    ReadyHeadless(5);
    KeepReplays = true;
    ReplayCounter = 0;
    StartMatch(LevelNone);
    HandleKeyDown(KeyEscape);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    EXPECT_EQ(Contents("replay2.tqr"), std::string(bytes, bytes + size));
    EXPECT_EQ(Contents("replay0.tqr") + ", " + Contents("replay1.tqr.tmp"),
              "earlier, the player's");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);

    fs::remove_all(folder); // the folder is gone: no file can be made
    testing::internal::CaptureStderr();
    StartMatch(LevelNone);
    HandleKeyDown(KeyEscape);
    const std::string said = testing::internal::GetCapturedStderr();
    KeepReplays = false;
    fs::current_path(previous);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

// While a replay plays, Space pauses and resumes, Right held plays four steps for one, other
// keys start nothing and reach no match, and Escape ends it with no notice. A replay whose
// match does not end as it says stops with the notice, until the next match.
TEST(Replay, PlaybackKeysAndAMatchThatEndsOtherwiseThanItsReplaySays)
{
    Trail trail;
    Bytes bytes = Record(300, trail);
    ASSERT_EQ(LoadReplay(bytes.data(), bytes.size()), ReplayFault::None);
    std::string sounds;
    // The steps each iteration takes after a press or a release (~key); the first one starts
    // the playback, and its W does nothing.
    const int presses[] = {KeyW, KeySpace, KeySpace, KeyCursorRight, ~KeyCursorRight};
    std::string steps;
    for (const int press : presses)
    {
        if (press < 0)
        {
            HandleKeyUp(static_cast<Key>(~press));
        }
        else
        {
            HandleKeyDown(static_cast<Key>(press));
        }
        const std::uint32_t before = MatchRunning ? CurrentScene->stepCount : 0;
        Iterate(1, sounds, trail);
        steps += std::to_string(CurrentScene->stepCount - before) + " ";
    }
    EXPECT_EQ(steps, "1 0 1 4 1 ");
    HandleKeyDown(KeyEscape);
    EXPECT_FALSE(MatchRunning || PlaybackRunning() || PlaybackNoticeShown() || QuitRequested);

    bytes[26] = static_cast<unsigned char>(bytes[26] + 1); // a goal the match never scored
    ASSERT_EQ(LoadReplay(bytes.data(), bytes.size()), ReplayFault::None);
    testing::internal::CaptureStderr();
    PlayLoadedReplay(sounds, trail);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(PlaybackNoticeShown() && !MatchRunning);
    EXPECT_EQ(HandleKeyDown(KeyW), KeyResponse::MatchStarted); // the title screen as ever
    EXPECT_FALSE(PlaybackNoticeShown());
    ResetShell();
}

// The kept replays end on the board and scores they were recorded with, and a match with more
// keys than a replay holds is kept up to the step where they no longer fit.
TEST(Replay, KeptReplaysAndOneTooLongToKeepWholeEndWhereTheyEnded)
{
    const std::string folder =
        std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/replays/";
    std::string sounds;
    // Each with its header's computer level times two plus its online flag.
    for (const auto& [name, kind] :
         {std::pair{"two_people", 0}, {"hard_computer", 6}, {"hosted", 1}})
    {
        const std::string file = Contents(folder + name + ".tqr");
        ReplayHeader header;
        ReadReplay(reinterpret_cast<const unsigned char*>(file.data()), file.size(), header);
        EXPECT_EQ(kind, header.computerLevel * 2 + header.online) << name;
        ReadyHeadless(1);
        const char* reason = nullptr;
        ASSERT_TRUE(LoadReplayFile((folder + name + ".tqr").c_str(), reason)) << reason;
        Trail played;
        PlayLoadedReplay(sounds, played);
        EXPECT_EQ(played.rbegin()->second, Contents(folder + name + ".end")) << name;
    }

    ReadyHeadless(7);
    StartMatch(LevelNone);
    Trail trail, played;
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
    PlayLoadedReplay(sounds, played);
    EXPECT_FALSE(PlaybackNoticeShown());
    EXPECT_EQ(played.rbegin()->second, trail[header.endStep]);
}
