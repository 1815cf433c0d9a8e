// Records the kept replays of tests/replays/ again: a match of two people, one against the hard
// computer and one hosted online, each played from the title screen with scripted keys until
// it ends (the people's random keys are left with Escape after 6000 steps), written as NAME.tqr
// with the match as it ended in NAME.end.
//
//   record_replays FOLDER
//
// Only for a change that alters matches on purpose; its commit says why.
#include "replay_harness.h"

#include <cstdio>

namespace
{
bool WriteFile(const std::string& path, const void* bytes, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        return false;
    }
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fputs("usage: record_replays FOLDER\n", stderr);
        return 2;
    }
    const struct
    {
        const char* name;
        Opponents opponents;
        unsigned seed;
        std::uint32_t maxSteps; // then left with Escape
    } matches[] = {
        {"two_people", Opponents::TwoPeople, 20, 6000},
        {"hard_computer", Opponents::Computer, 21, 400000},
        {"hosted", Opponents::Friend, 22, 6000},
    };
    for (const auto& match : matches)
    {
        ReadyHeadless(match.seed);
        std::string sounds;
        Trail trail;
        PlayScriptedMatch(match.opponents, match.seed, match.maxSteps, sounds, trail);
        std::size_t size = 0;
        const unsigned char* bytes = RecordedReplay(size);
        // The end as a playback shows it: the kept file is played back here, as the test will.
        ReadyHeadless(1);
        if (LoadReplay(bytes, size) != ReplayFault::None)
        {
            return 1;
        }
        std::string playedSounds;
        Trail played;
        PlayLoadedReplay(playedSounds, played);
        const std::string end = played.rbegin()->second;
        const std::string folder = std::string(argv[1]) + "/" + match.name;
        bool same = playedSounds == sounds && !PlaybackNoticeShown();
        for (const auto& [step, shown] : trail)
        {
            same = same && played[step] == shown;
        }
        if (!same || !WriteFile(folder + ".tqr", bytes, size) ||
            !WriteFile(folder + ".end", end.data(), end.size()))
        {
            std::fprintf(stderr, "record_replays: %s failed\n", match.name);
            return 1;
        }
        std::printf("%s: %zu bytes, %zu steps\n%s", match.name, size, played.size(), end.c_str());
    }
    return 0;
}
