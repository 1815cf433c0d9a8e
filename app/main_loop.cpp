// The main loop's arithmetic: milliseconds into whole simulation steps, and the sleep.
#include "app/main_loop.h"

LoopClock StartLoopClock(unsigned now)
{
    return {now, 0, false};
}

StepsDue AdvanceLoopClock(LoopClock& clock, unsigned now)
{
    clock.pendingMs += now - clock.lastTicks;
    clock.lastTicks = now;
    const unsigned due = clock.pendingMs / StepMs;
    clock.pendingMs -= StepMs * due;
    const int steps = due < MaxStepsPerIteration ? static_cast<int>(due) : MaxStepsPerIteration;
    return {steps, due >= 1};
}

unsigned ChooseSleep(LoopClock& clock, int steps)
{
    if (!clock.restedLastTime && steps <= 1)
    {
        clock.restedLastTime = true;
        return steps == 0 ? LongRestMs : ShortRestMs;
    }
    if (steps >= 1)
    {
        clock.restedLastTime = false;
    }
    return BriefRestMs;
}
