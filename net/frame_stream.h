// The host's frames for a friend: a whole frame first and now and then, and in between
// deltas that carry what changed since that whole frame. A delta says which whole frame it
// builds on, so a lost delta costs nothing (the next one carries its changes too) and only a
// lost whole frame needs a new one (the friend asks; see net/friend_session.h).
#pragma once

#include "display/canvas.h"
#include "net/messages.h"

constexpr unsigned WholeFrameEveryMs = 2000; // the longest a friend's screen can build on one
constexpr unsigned RepeatFrameMs = 250;      // an unchanged screen goes again, in case it was lost

struct FrameStream
{
    bool wholeWanted;                // the next frame goes whole: after a join, or the friend asked
    int number;                      // the last whole frame's number
    int wholeSize;                   // its bytes
    unsigned wholeSince;             // ms, when it went
    unsigned sentSince;              // ms, when the last message went
    unsigned char base[CanvasCells]; // its cells: what deltas build on
    int lastSize;                    // the last message's bytes
    unsigned char last[MaxFrameBytes]; // and the message
};

// Starts anew: the next frame goes whole.
void RestartFrameStream(FrameStream& stream);

// The message for the friend at time now (ms) showing cells and the palette as it shows now,
// written into out (MaxFrameBytes) with its length returned; 0 when nothing need go, as the
// friend has it already and sent it again lately. A frame goes whole when wanted, when the
// last whole one is WholeFrameEveryMs old, or when the delta's cells would take more than half
// the bytes of the cells of the whole frame it builds on.
int NextFrameMessage(FrameStream& stream, const unsigned char* cells, unsigned now,
                     unsigned char* out);
