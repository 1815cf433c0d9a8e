// Tests of the main loop's step arithmetic and sleep choice.
#include "app/main_loop.h"

#include <gtest/gtest.h>
#include <tuple>

namespace
{
// The clock advanced to now: the steps due, whether a frame is drawn, and the time pending.
std::tuple<int, bool, unsigned> Advance(LoopClock& clock, unsigned now)
{
    const StepsDue due = AdvanceLoopClock(clock, now);
    return {due.steps, due.drawFrame, clock.pendingMs};
}
} // namespace

// Whole steps from the pending time, across the clock's wrap; a stall runs at most 32 and
// drops the rest with its time.
TEST(MainLoop, PendingTimeBecomesAtMost32WholeSteps)
{
    LoopClock clock = StartLoopClock(0xfffffff0u);
    EXPECT_EQ(Advance(clock, 0x00000018u), std::tuple(2, true, 4u)); // 40 ms later
    // 4 + 13 = 17 ms: not yet a step.
    EXPECT_EQ(Advance(clock, 0x00000025u), std::tuple(0, false, 17u));
    EXPECT_EQ(Advance(clock, 0x00000026u), std::tuple(1, true, 0u));
    // 1000 - 18 * 55 is left; 23 steps' worth is lost.
    EXPECT_EQ(Advance(clock, 0x00000026u + 1000), std::tuple(32, true, 10u));
}

TEST(MainLoop, OneLongRestAlternatesWithBriefOnes)
{
    LoopClock clock = StartLoopClock(0);
    EXPECT_EQ(ChooseSleep(clock, 0), 9u);
    EXPECT_EQ(ChooseSleep(clock, 0), 1u); // rested already: stays rested until a step
    EXPECT_EQ(ChooseSleep(clock, 1), 1u);
    EXPECT_EQ(ChooseSleep(clock, 1), 6u);
    EXPECT_EQ(ChooseSleep(clock, 2), 1u);
    EXPECT_EQ(ChooseSleep(clock, 2), 1u); // falling behind: only brief rests
    EXPECT_FALSE(clock.restedLastTime);
}
