// The main loop's arithmetic: milliseconds into whole simulation steps, and the sleep.
#pragma once

constexpr unsigned StepMs = 18;          // milliseconds per simulation step
constexpr int MaxStepsPerIteration = 32; // more due steps than this are dropped
constexpr unsigned LongRestMs = 9;       // sleep when no step was due
constexpr unsigned ShortRestMs = 6;      // sleep after a single step
constexpr unsigned BriefRestMs = 1;      // sleep otherwise

// The loop's own timekeeping, set up when the loop is entered.
struct LoopClock
{
    unsigned lastTicks;  // ms, the clock as read by the previous iteration
    unsigned pendingMs;  // ms not yet turned into steps, 0..17 between iterations
    bool restedLastTime; // the previous sleep was a long one
};

struct StepsDue
{
    int steps;      // steps to run now, 0..32
    bool drawFrame; // at least one step fell due
};

// A clock for a loop entered at time now (ms).
LoopClock StartLoopClock(unsigned now);

// Adds the time since the last reading to the pending time (wrapping unsigned
// arithmetic) and takes out every whole step; steps beyond 32 are dropped with their time.
StepsDue AdvanceLoopClock(LoopClock& clock, unsigned now);

// The sleep after an iteration that ran the given number of steps, in ms: one longer
// rest (9 ms with no step, 6 ms with one) alternating with 1 ms rests, and only 1 ms
// while two or more steps run per iteration.
unsigned ChooseSleep(LoopClock& clock, int steps);
