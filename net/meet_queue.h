// What the meeting point's client hands to the main thread. libnats delivers messages and news
// of its connection on threads of its own; they go through this queue, which never makes the
// main thread wait: its producers take the lock (a copy's time), the main thread only tries it
// and takes nothing in an iteration where it misses. A full queue, or a message longer than
// the meeting point allows, drops the new message and counts it; the sessions above treat a
// dropped message as one lost on the line. The state of the connection is a single value,
// the newest wins, so that no news of it is ever dropped.
#pragma once

#include "net/meet.h"
#include "platform/lock.h"

#include <atomic>
#include <cstddef>

constexpr int MeetQueueSlots = 32; // over half a second of a match's messages at once

enum class MeetLine
{
    Off,        // no meeting point named, or closed
    Connecting, // named, not yet reached
    Up,         // connected: what is sent goes
    Lost,       // was up, is reconnecting by itself: what is sent meanwhile may be lost
    Refused,    // gave up: the meeting point could not be reached or would not take us
};

struct MeetDelivery
{
    char subject[MeetSubjectBytes];
    int size;
    unsigned char bytes[MaxMeetPayload];
};

struct MeetQueue
{
    Lock lock;
    MeetDelivery slots[MeetQueueSlots];
    int first;                        // the oldest waiting
    int count;                        // waiting, 0..MeetQueueSlots
    unsigned dropped;                 // messages dropped since the reset
    std::atomic<int> line;            // a MeetLine
    std::atomic<unsigned> reconnects; // times the line came back after Lost
};

// Empties the queue and sets the line Off. Before any producer starts.
void ResetMeetQueue(MeetQueue& queue);

// Any thread but the main one: queues a copy of a message that came on a subject; dropped
// (and counted) when the queue is full, the subject longer than MeetSubjectBytes - 1 or the
// message longer than MaxMeetPayload. Returns whether it was queued.
bool PushMeetDelivery(MeetQueue& queue, const char* subject, const unsigned char* bytes,
                      std::size_t size);

// Main thread: takes the oldest message into delivery; false when none waits or a producer
// holds the lock just now (the message stays for the next call).
bool TakeMeetDelivery(MeetQueue& queue, MeetDelivery& delivery);

// Any thread: the line's news, and the newest of it. A line back Up after Lost counts a
// reconnect.
void SetMeetLine(MeetQueue& queue, MeetLine line);
MeetLine ReadMeetLine(const MeetQueue& queue);
