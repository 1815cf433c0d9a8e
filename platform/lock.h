// A lock with a blocking enter, a non-blocking try and a leave, shared by two threads.
#pragma once

#include <mutex>

class Lock
{
public:
    // Waits until the lock is free and takes it. Never called on the audio thread.
    void Enter();
    // Takes the lock if it is free; returns false at once if another thread holds it.
    bool TryEnter();
    // Gives up a lock that the calling thread holds.
    void Leave();

private:
    std::mutex mutex;
};
