// Tests of the main loop's step arithmetic and sleep choice.
#include "app/main_loop.h"

#include <gtest/gtest.h>

TEST(MainLoop, PendingTimeBecomesWholeStepsAcrossAClockWrapAround)
{
    LoopClock clock = StartLoopClock(0xfffffff0u);
    StepsDue due = AdvanceLoopClock(clock, 0x00000018u); // 40 ms later
    EXPECT_EQ(due.steps, 2);
    EXPECT_TRUE(due.drawFrame);
    EXPECT_EQ(clock.pendingMs, 4u);

    due = AdvanceLoopClock(clock, 0x00000025u); // 4 + 13 = 17 ms: not yet a step
    EXPECT_EQ(due.steps, 0);
    EXPECT_FALSE(due.drawFrame);
    EXPECT_EQ(clock.pendingMs, 17u);
    due = AdvanceLoopClock(clock, 0x00000026u);
    EXPECT_EQ(due.steps, 1);
    EXPECT_EQ(clock.pendingMs, 0u);
}

TEST(MainLoop, StallRunsAtMost32StepsAndDropsTheRest)
{
    LoopClock clock = StartLoopClock(0);
    const StepsDue due = AdvanceLoopClock(clock, 1000);
    EXPECT_EQ(due.steps, 32);
    EXPECT_TRUE(due.drawFrame);
    EXPECT_EQ(clock.pendingMs, 10u); // 1000 - 18 * 55; 23 steps' worth is lost
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
