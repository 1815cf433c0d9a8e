// Thread start for background work such as the sample loader, without exceptions.
#pragma once

#include <pthread.h>

// A background thread: started by StartThread, ended by JoinThread.
struct Thread
{
    pthread_t handle; // valid while running
    bool running;     // started and not yet joined
    void (*entry)();  // what the thread runs
};

// Starts entry on a new thread at once and returns true. When the system cannot start one
// (too many threads, no memory), returns false with errno naming the cause and leaves the
// thread not running. A thread that is already running is left alone (false, errno EBUSY).
// The record must stay in place until JoinThread. Any thread.
bool StartThread(Thread& thread, void (*entry)());

// Waits for a running thread to end and marks it not running; nothing for one not running.
void JoinThread(Thread& thread);
