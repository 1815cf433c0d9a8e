// A headless soak of the match: millions of steps of back-to-back matches under random
// keys, the board checked after every step and a frame drawn now and then.
//
//   match_soak [steps] [seed]      (default 10000000 steps, seed 1)
//
// Exits 0 and prints what was played when every step kept the board sound; exits 1 with
// the step and the fault otherwise.
#include "audio/sample_bank.h"
#include "display/canvas.h"
#include "match/game_title.h"
#include "match_invariants.h"
#include "platform/rand.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const long long steps = argc > 1 ? std::atoll(argv[1]) : 10000000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoll(argv[2])) : 1;
    SeedRand(seed);
    SamplesLoaded.store(true); // sound requests go through until the effect voices run out
    long long matches = 0, finished = 0, goals = 0;
    GameTitle* match = nullptr;
    for (long long step = 0; step < steps; ++step)
    {
        if (match == nullptr || match->finished)
        {
            if (match != nullptr)
            {
                ++finished;
                goals += match->teamScore[0] + match->teamScore[1];
                delete match;
            }
            match = new GameTitle();
            ++matches;
        }
        PressRandomKeys(*match, Rand);
        match->Step();
        if (const char* fault = FindBoardFault(*match))
        {
            std::fprintf(stderr, "match_soak: step %lld, seed %u: %s\n", step, seed, fault);
            return 1;
        }
        if (step % 97 == 0)
        {
            ClearCanvas();
            match->Draw();
        }
    }
    goals += match->teamScore[0] + match->teamScore[1];
    delete match;
    std::printf("match_soak: %lld steps, %lld matches, %lld played to the end, %lld goals\n", steps,
                matches, finished, goals);
    return 0;
}
