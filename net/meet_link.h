// The connection to a meeting point, implemented with libnats in meet_link_nats.cpp: one
// connection for the game, which libnats keeps up by itself (it reconnects after a lost line,
// and keeps retrying a meeting point that was not there at the start). What arrives is handed
// over through a MeetQueue (net/meet_queue.h). Main thread only; nothing here waits on the
// network, and closing waits a bounded time.
#pragma once

#include "net/meet_queue.h"

// How long closing waits for the library's threads before the process goes on without them.
constexpr unsigned MeetCloseWaitMs = 1000;

// Starts connecting to a meeting point at host (a name or IPv4 address) and port, on a thread
// of its own, and returns at once: the line goes Connecting, then Up, and Lost and Up again as
// the line comes and goes. Returns false (line Off) when one is open already, the host is
// empty or too long, or no thread can be had.
bool OpenMeet(const char* host, int port);

// The line's state now, and how often it came back after being lost.
MeetLine MeetLineNow();
unsigned MeetReconnects();

// Listens on a subject from now on, through reconnections (at most MaxMeetListens). False
// when the line is not Up or the meeting point's client refuses.
constexpr int MaxMeetListens = 4;
bool ListenMeet(const char* subject);

// Sends size bytes to a subject; while the line is lost, libnats keeps what is sent for when
// it is back, within its buffer. False when it was not taken.
bool SendMeet(const char* subject, const unsigned char* bytes, int size);

// The next message that came, without waiting; false when none.
bool TakeMeet(MeetDelivery& delivery);

// Messages dropped on the way to the main thread (queue full, or too long).
unsigned MeetDropped();

// Closes the connection and lets the library go, waiting at most MeetCloseWaitMs for a
// connection still being made and as long again for the library's threads; the line is Off
// after. Nothing happens when none is open.
void CloseMeet();
