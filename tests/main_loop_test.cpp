// Tests of the main loop's step arithmetic and sleep choice.
#include "app/main_loop.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

// Whole steps from the pending time, across the clock's wrap; a stall runs at most 32 and
// drops the rest with its time. One long rest alternates with brief ones while on time.
TEST(MainLoop, PendingTimeBecomesAtMost32WholeStepsAndOneLongRestAlternatesWithBriefOnes)
{
    LoopClock clock = StartLoopClock(0xfffffff0u);
    const std::tuple<unsigned, int, bool, unsigned> advances[] = {
        {0x00000018u, 2, true, 4u},         // 40 ms later
        {0x00000025u, 0, false, 17u},       // 4 + 13 = 17 ms: not yet a step
        {0x00000026u, 1, true, 0u},         //
        {0x00000026u + 1000, 32, true, 10u} // 1000 - 18 * 55 is left; 23 steps' worth is lost
    };
    for (const auto& [now, steps, drawFrame, pending] : advances)
    {
        const StepsDue due = AdvanceLoopClock(clock, now);
        EXPECT_EQ(std::tuple(due.steps, due.drawFrame, clock.pendingMs),
                  std::tuple(steps, drawFrame, pending));
    }
    clock = StartLoopClock(0);
    std::string rests; // 9 ms, then brief until a step; behind, only brief
    for (unsigned due : {0u, 0u, 1u, 1u, 2u, 2u})
    {
        rests += std::to_string(ChooseSleep(clock, due)) + " ";
    }
    EXPECT_EQ(rests, "9 1 1 6 1 1 ");
}
