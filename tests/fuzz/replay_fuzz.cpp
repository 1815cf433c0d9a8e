// Fuzz target: the replay reader takes any bytes without harm, and a replay it takes plays back
// through the shell, every entry fed to its match, for up to a few thousand steps.
#include "../headless.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr int MaxIterations = 4000;
    ReadyHeadless(1);                                // the replay brings its own start
    if (LoadReplay(data, size) != ReplayFault::None) // the reader's checks, then the copy
    {
        return 0;
    }
    for (int n = 0; n < MaxIterations && (PlaybackPending() || MatchRunning); ++n)
    {
        RunSteps(1 + n % 3);
        std::fill(EffectVoiceTaken, EffectVoiceTaken + EffectVoices, false);
    }
    HandleKeyDown(KeyEscape); // a long one ends here
    return 0;
}
