// The page's connection to a meeting point, as decisions: when to open the WebSocket and when
// to give it up, what to say once the server greets us, which subjects to listen on again after
// a reconnection, the pings that show a dead line, and what came handed on through a MeetQueue.
// The page's edge (net/meet_link_web.cpp) only moves bytes between this and the browser's
// WebSocket. Main thread only.
//
// As libnats does on the desktop: a meeting point not there at the start, or lost later, is
// tried again every NatsRetryMs for as long as the game runs; the line is Up once the server
// has answered our first PING after CONNECT (so it took the connection), Lost while it is
// made again, and Up again after.
#pragma once

#include "net/meet_queue.h"
#include "net/nats_wire.h"

constexpr unsigned NatsRetryMs = 500;     // between tries once lost
constexpr unsigned NatsOpenWaitMs = 2000; // one try: the WebSocket opened and the server greeted
constexpr unsigned NatsPingMs = 2000;     // a dead line is noticed after two unanswered pings
constexpr int NatsPingsOut = 2;
constexpr int NatsListens = 4; // subjects listened on at once
constexpr int NatsOutputBytes = 2 * (NatsLineBytes + MaxMeetPayload); // what one call may write

enum class NatsSocket
{
    Closed,
    Opening, // asked for; not yet open
    Open,
};

// What the edge does with the WebSocket after a call.
enum class NatsOrder
{
    None,
    Open,  // open a new one
    Close, // close it: a close comes back as NatsSocketClosed
};

struct NatsLine
{
    MeetQueue queue; // what came, and the line's state (MeetLine)
    NatsReader reader;
    NatsMessage message; // the one being handed on
    NatsSocket socket;
    bool greeted;     // the server's INFO came and CONNECT went
    bool wasUp;       // Up at least once: a new connection is a reconnection
    unsigned since;   // ms: the socket's last change, or our last PING
    unsigned retryAt; // ms: when Closed, the next try
    int pingsOut;     // PINGs not yet answered
    char listens[NatsListens][MeetSubjectBytes];
    int listenCount;
    char output[NatsOutputBytes]; // what is to go out on the socket now
    int outputSize;
};

// Starts the line Connecting: the first tick asks for a WebSocket.
void StartNatsLine(NatsLine& line, unsigned now);

// The meeting point's address cannot be reached by a WebSocket at all (the browser refused
// it): the line is Refused and nothing is tried again. Ending it: Off.
void RefuseNatsLine(NatsLine& line);
void EndNatsLine(NatsLine& line);

// Once per iteration: what the edge is to do with the socket (open one when due, close one
// that never greeted us or stopped answering pings); pings go out in the output.
NatsOrder TickNatsLine(NatsLine& line, unsigned now);

// The edge's news of the socket.
void NatsSocketOpened(NatsLine& line, unsigned now);
void NatsSocketClosed(NatsLine& line, unsigned now);

// Bytes the server sent (any number, any split): answered in the output, messages queued.
// Returns Close when the stream broke the protocol.
NatsOrder HearNats(NatsLine& line, const unsigned char* bytes, int size, unsigned now);

// As net/meet_link.h's ListenMeet and SendMeet: false when the line is not Up, the subject is
// not one of ours, or (listening) NatsListens are taken already.
bool ListenNats(NatsLine& line, const char* subject);
bool SendNats(NatsLine& line, const char* subject, const unsigned char* bytes, int size);

// What is to go out, taken: its size, and the output is empty after.
int TakeNatsOutput(NatsLine& line, const char*& bytes);
