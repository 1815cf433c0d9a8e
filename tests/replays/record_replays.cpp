// Records the kept replays of tests/replays/ again (KeptMatches in replay_harness.h), each
// played back once before it is written; says nothing unless one fails.
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
    for (const KeptMatch& kept : KeptMatches)
    {
        std::string replay, end;
        const bool same =
            RecordAndPlayBack(kept.opponents, kept.seed, KeptSteps, true, replay, end);
        const std::string path = std::string(argv[1]) + "/" + kept.name;
        std::ofstream tqr(path + ".tqr", std::ios::binary);
        std::ofstream endFile(path + ".end");
        if (!same || !(tqr << replay).flush() || !(endFile << end).flush())
        {
            std::fprintf(stderr, "record_replays: %s failed\n", kept.name);
            return 1;
        }
    }
    return 0;
}
