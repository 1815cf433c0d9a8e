// Records the kept replays of tests/replays/ again: a match of two people, one against the hard
// computer and one hosted online, each played from the title screen with scripted keys until
// it ends (the people's random keys are left with Escape after 6000 steps), written as NAME.tqr
// with the match as its playback ends in NAME.end.
//
//   record_replays FOLDER
//
// Only for a change that alters matches on purpose; its commit says why.
#include "replay_harness.h"

#include <cstdio>
#include <fstream>

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
        std::string sounds, playedSounds;
        Trail trail, played;
        PlayScriptedMatch(match.opponents, match.seed, match.maxSteps, sounds, trail);
        std::size_t size = 0;
        const unsigned char* bytes = RecordedReplay(size);
        ReadyHeadless(1); // played back here as the test will play the kept file
        const bool loaded = LoadReplay(bytes, size) == ReplayFault::None;
        PlayLoadedReplay(playedSounds, played);
        bool same = loaded && playedSounds == sounds;
        for (const auto& [step, shown] : trail)
        {
            same = same && played[step] == shown;
        }
        const std::string path = std::string(argv[1]) + "/" + match.name;
        std::ofstream tqr(path + ".tqr", std::ios::binary);
        tqr.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        std::ofstream end(path + ".end");
        end << played.rbegin()->second;
        if (!same || !tqr.flush() || !end.flush())
        {
            std::fprintf(stderr, "record_replays: %s failed\n", match.name);
            return 1;
        }
        std::printf("%s: %zu bytes, %zu steps\n%s", match.name, size, played.size(),
                    played.rbegin()->second.c_str());
    }
    return 0;
}
