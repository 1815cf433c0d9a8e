// The meeting point's own protocol as the page speaks it (NATS's text protocol over a
// WebSocket; the desktop's libnats speaks it for itself): reading what the server sends,
// which is untrusted until checked, and writing the few commands a game sends. Plain data
// and functions, no network; main thread only.
//
// The server sends lines ending in CR LF: "INFO {...}", "PING", "PONG", "+OK", "-ERR '...'"
// and "MSG <subject> <sid> [reply-to] <bytes>" followed by that many bytes and CR LF. Any
// other line, a line longer than NatsLineBytes or a message without its closing CR LF breaks
// the stream: the connection is to be closed and made again. A message on a subject longer
// than the meeting point's (MeetSubjectBytes - 1) or with more than MaxMeetPayload bytes is
// skipped whole and told as Dropped; the stream goes on after it.
#pragma once

#include "net/meet.h"

constexpr int NatsLineBytes = 4096; // the longest line taken, CR LF included (INFO is the longest)
constexpr int NatsBufferBytes = NatsLineBytes + MaxMeetPayload + 2;

enum class NatsEvent
{
    None,    // nothing whole yet: feed more
    Info,    // the server's greeting
    Message, // a message on a subject the connection listens on
    Ping,    // the server asks for a PONG
    Pong,    // the answer to our PING
    Ok,      // +OK (only sent in verbose mode, which we do not ask for)
    Error,   // -ERR: the server may close the connection after it
    Dropped, // a message too long for us, skipped
    Broken,  // not the protocol: close the connection
};

struct NatsReader
{
    unsigned char buffer[NatsBufferBytes];
    int filled;         // bytes held, 0..NatsBufferBytes
    long long skipping; // bytes of a dropped message still to pass over
    bool broken;        // once broken, every read says so until the reset
};

// What a Message carries; other events leave it as it was.
struct NatsMessage
{
    char subject[MeetSubjectBytes]; // zero-terminated
    int size;                       // 0..MaxMeetPayload
    unsigned char bytes[MaxMeetPayload];
};

void ResetNatsReader(NatsReader& reader);

// Takes up to size bytes of what came into the reader; returns how many it took (none when
// full: read events first). Negative sizes take nothing.
int FeedNats(NatsReader& reader, const unsigned char* bytes, int size);

// The next whole event of what was fed. A Message is copied into message; nothing past its
// subject's terminating zero or its size bytes is written.
NatsEvent ReadNats(NatsReader& reader, NatsMessage& message);

// The commands, written into out (capacity bytes); each returns its length, or 0 when it does
// not fit or the subject is not one the game uses (1..MeetSubjectBytes - 1 letters, digits,
// '.' and '_'), and then nothing is to be sent.
int WriteNatsConnect(char* out, int capacity);
int WriteNatsListen(char* out, int capacity, const char* subject, int sid);
int WriteNatsPublish(char* out, int capacity, const char* subject, const unsigned char* bytes,
                     int size);
int WriteNatsPing(char* out, int capacity);
int WriteNatsPong(char* out, int capacity);
