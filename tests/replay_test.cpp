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

// Records a scripted match; returns its replay's bytes.
Bytes Record(Opponents opponents, std::uint64_t script, std::uint32_t maxSteps, std::string& sounds,
             Trail& trail)
{
    PlayScriptedMatch(opponents, script, maxSteps, sounds, trail);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    return Bytes(bytes, bytes + size);
}

Bytes ShortReplay()
{
    ReadyHeadless(5);
    std::string sounds;
    Trail trail;
    return Record(Opponents::TwoPeople, 9, 300, sounds, trail);
}

std::string Contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int n = 0; n < 4; ++n)
    {
        bytes[at + n] = static_cast<unsigned char>(value >> (8 * n));
    }
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
        std::uint64_t script;
        std::uint32_t maxSteps;
        bool loaded; // else the samples never load while it is played: its sounds are dropped
    } cases[] = {
        {Opponents::TwoPeople, 1, 4500, true},
        {Opponents::Computer, 2, 3000, true},
        {Opponents::Friend, 3, 2500, false},
    };
    for (const auto& c : cases)
    {
        ReadyHeadless(100 + static_cast<unsigned>(c.script));
        SamplesLoaded.store(c.loaded);
        std::string sounds, playedSounds;
        Trail trail, played;
        const Bytes bytes = Record(c.opponents, c.script, c.maxSteps, sounds, trail);
        SamplesLoaded.store(true);
        ASSERT_EQ(LoadReplay(bytes.data(), bytes.size()), ReplayFault::None);
        SeedRand(999); // the replay brings its own start
        InitPalette();
        PlayLoadedReplay(playedSounds, played);

        EXPECT_FALSE(MatchRunning || PlaybackRunning() || PlaybackNoticeShown());
        EXPECT_EQ(playedSounds, sounds) << c.script;
        ASSERT_GT(trail.size(), 1000u);
        for (const auto& [step, shown] : trail)
        {
            ASSERT_EQ(played[step], shown) << c.script;
        }
    }
}

// Each kind of damage is refused before anything is played, and the reader writes nothing past
// its header, nor the header itself on a refusal.
TEST(Replay, DamagedFilesAreRefusedAndTheReaderWritesOnlyItsHeader)
{
    const Bytes whole = ShortReplay();
    ASSERT_GT(whole.size(), 60u);
    struct
    {
        ReplayHeader header;
        unsigned char guard[64];
    } out;
    std::memset(&out, 0xa5, sizeof out);
    const auto untouched = [&out]
    {
        const auto* raw = reinterpret_cast<const unsigned char*>(&out);
        return std::all_of(raw, raw + sizeof out, [](unsigned char b) { return b == 0xa5; });
    };
    for (std::size_t length = 0; length < whole.size(); ++length)
    {
        const ReplayFault fault = ReadReplay(whole.data(), length, out.header);
        EXPECT_EQ(fault, length < 4 ? ReplayFault::NotAReplay : ReplayFault::Truncated) << length;
    }
    EXPECT_TRUE(untouched());

    const std::size_t firstStep = ReplayHeaderSize;
    ASSERT_EQ(whole[firstStep + 4], 18); // the palette's first drift targets, 13 bytes
    const struct
    {
        std::size_t at;
        int value; // a byte, or with at == firstStep + 13 a whole step
        ReplayFault fault;
    } damages[] = {
        {0, 'X', ReplayFault::NotAReplay},
        {4, 2, ReplayFault::OtherVersion},
        {6, 4, ReplayFault::Damaged},  // no such computer
        {7, 1, ReplayFault::Damaged},  // hosted, and yet against the computer: set below
        {24, 2, ReplayFault::Damaged}, // neither ended nor left
        {25, 6, ReplayFault::Damaged}, // more goals than a match has
        {27, 1, ReplayFault::Damaged},
        {firstStep + 13 + 4, 19, ReplayFault::Damaged}, // no such action
    };
    for (const auto& damage : damages)
    {
        Bytes bytes = whole;
        bytes[damage.at] = static_cast<unsigned char>(damage.value);
        bytes[6] = damage.at == 7 ? 3 : bytes[6];
        EXPECT_EQ(ReadReplay(bytes.data(), bytes.size(), out.header), damage.fault) << damage.at;
    }
    const std::uint32_t endStep = whole[20] | whole[21] << 8;
    Bytes pastTheEnd = whole, backwards = whole, noStep = whole, longer = whole;
    Put32(pastTheEnd, whole.size() - 5, endStep + 1);
    Put32(backwards, firstStep + 13, 50);
    Put32(backwards, firstStep + 18, 49);
    Put32(noStep, firstStep, 0);
    longer.push_back(0);
    for (const Bytes* bytes : {&pastTheEnd, &backwards, &noStep, &longer})
    {
        EXPECT_EQ(ReadReplay(bytes->data(), bytes->size(), out.header), ReplayFault::Damaged);
    }
    EXPECT_TRUE(untouched());
    EXPECT_EQ(LoadReplay(pastTheEnd.data(), pastTheEnd.size()), ReplayFault::Damaged);
    EXPECT_FALSE(PlaybackPending());
    EXPECT_EQ(ReadReplay(whole.data(), whole.size(), out.header), ReplayFault::None);
    EXPECT_TRUE(std::all_of(out.guard, out.guard + sizeof out.guard,
                            [](unsigned char b) { return b == 0xa5; }));
}

// A replay file takes the first free number, never replaces a file or touches a temporary
// name that is someone else's, and one that cannot be written is lost with one line.
TEST(Replay, FilesTakeTheFirstFreeNumberAndAFailedWriteCostsOneLine)
{
    const fs::path previous = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / ("tq_replays_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ofstream("replay0.tqr") << "earlier";
    std::ofstream("replay1.tqr.tmp") << "the player's";
    ReplayCounter = 0;
    ReadyHeadless(5);
    KeepReplays = true;
    StartMatch(false);
    HandleKeyDown(KeyEscape);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    EXPECT_EQ(Contents("replay2.tqr"), std::string(bytes, bytes + size));
    EXPECT_EQ(Contents("replay0.tqr") + ", " + Contents("replay1.tqr.tmp"),
              "earlier, the player's");

    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);

    // A folder that is gone takes no file: the match is lost with one line, the game goes on.
    fs::current_path(previous);
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    fs::remove(folder);
    testing::internal::CaptureStderr();
    StartMatch(false);
    HandleKeyDown(KeyEscape);
    const std::string said = testing::internal::GetCapturedStderr();
    KeepReplays = false;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_FALSE(MatchRunning);
    fs::current_path(previous);
}

// While a replay plays, Space pauses and resumes, Right held plays four steps for one, other
// keys start nothing and reach no match, and Escape ends it: the title screen, no notice. A
// replay whose match does not end as it says stops with the notice.
TEST(Replay, PlaybackKeysAndAMatchThatEndsOtherwiseThanItsReplaySays)
{
    Bytes bytes = ShortReplay();
    ASSERT_EQ(LoadReplay(bytes.data(), bytes.size()), ReplayFault::None);
    HandleKeyDown(KeyW); // waiting for the samples: nothing starts
    EXPECT_FALSE(MatchRunning);
    std::string sounds;
    Trail trail;
    Iterate(1, sounds, trail);
    ASSERT_TRUE(MatchRunning && PlaybackRunning());
    const std::uint32_t start = CurrentScene->stepCount;
    HandleKeyDown(KeySpace);
    Iterate(5, sounds, trail);
    EXPECT_EQ(CurrentScene->stepCount, start);
    HandleKeyDown(KeySpace);
    HandleKeyDown(KeyCursorRight);
    Iterate(2, sounds, trail);
    EXPECT_EQ(CurrentScene->stepCount, start + 8);
    HandleKeyUp(KeyCursorRight);
    HandleKeyDown(KeyCursorUp);
    Iterate(1, sounds, trail);
    EXPECT_EQ(CurrentScene->stepCount, start + 9);
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

// The kept replays: each played back ends on the board and scores it was recorded with. A
// change that alters a match on purpose records them again (record_replays).
TEST(Replay, KeptReplaysEndWhereTheyEnded)
{
    const std::string folder =
        std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/replays/";
    for (const char* name : {"two_people", "hard_computer", "hosted"})
    {
        ReadyHeadless(1);
        const char* reason = nullptr;
        ASSERT_TRUE(LoadReplayFile((folder + name + ".tqr").c_str(), reason)) << reason;
        std::string sounds;
        Trail trail;
        PlayLoadedReplay(sounds, trail);
        ASSERT_FALSE(trail.empty());
        EXPECT_EQ(trail.rbegin()->second, Contents(folder + name + ".end")) << name;
        EXPECT_FALSE(PlaybackNoticeShown()) << name;
    }
}

// A match with more keys than a replay holds is kept up to the step before the one that did not
// fit, and plays back to there.
TEST(Replay, AMatchTooLongToKeepWholeIsKeptUpToWhereItFits)
{
    ReadyHeadless(7);
    StartMatch(false);
    std::string sounds;
    Trail trail;
    for (int n = 0; n < 80000; ++n)
    {
        HandleKeyDown(KeyCursorLeft);
        HandleKeyUp(KeyCursorLeft);
        Iterate(1, sounds, trail);
    }
    HandleKeyDown(KeyEscape);
    std::size_t size = 0;
    const unsigned char* bytes = RecordedReplay(size);
    ASSERT_GT(size, MaxReplayBytes - 20);
    ASSERT_EQ(LoadReplay(bytes, size), ReplayFault::None);
    ReplayHeader header;
    ASSERT_EQ(ReadReplay(bytes, size, header), ReplayFault::None);
    EXPECT_LT(header.endStep, 80000u);
    Trail played;
    PlayLoadedReplay(sounds, played);
    EXPECT_FALSE(PlaybackNoticeShown());
    EXPECT_EQ(played.rbegin()->second, trail[header.endStep]);
}
