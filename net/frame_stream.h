// The host's frames for a friend: a whole frame first and now and then, and in between
// deltas that carry what changed since that whole frame. Each goes as pieces of whole bands,
// each piece one message (net/messages.h), so that a lost piece costs only its bands. A delta
// says which whole frame it builds on, so a lost delta costs nothing (the next one carries
// its changes too); the friend asks again for the bands of the whole frame it lacks, and only
// those go again (see net/friend_session.h).
#pragma once

#include "display/canvas.h"
#include "net/messages.h"

constexpr unsigned WholeFrameEveryMs = 2000; // the longest a friend's screen can build on one
constexpr unsigned RepeatFrameMs = 250;      // an unchanged screen goes again, in case it was lost
constexpr int MaxFramePieces = 2 * FrameBands; // a whole frame's bands asked for, and a delta

// The messages of one frame.
struct FramePieces
{
    int count;                 // 0..MaxFramePieces
    int sizes[MaxFramePieces]; // bytes of each
    int bytes;                 // of all together
    unsigned char messages[MaxFramePieces][MaxMessageBytes];
};

struct FrameStream
{
    bool wholeWanted;                // the next frame goes whole: after a join, or the friend asked
    unsigned bandsWanted;            // bands of the whole frame the friend asked for again
    int number;                      // the last whole frame's number
    int wholeBytes;                  // its packed cells' bytes
    unsigned wholeSince;             // ms, when it went
    unsigned sentSince;              // ms, when the last messages went
    unsigned char base[CanvasCells]; // its cells: what deltas build on
    FramePieces last;                // the last messages sent
};

// Starts anew: the next frame goes whole.
void RestartFrameStream(FrameStream& stream);

// The friend lacks bands (a mask) of whole frame number: they go again with the next frame, or
// the whole frame when the friend asks for another than the last.
void AskBandsAgain(FrameStream& stream, int number, unsigned bands);

// The messages for the friend at time now (ms) showing cells and the palette as it shows now,
// written into pieces; false when nothing need go, as the friend has it already and it went
// lately. A frame goes whole when wanted, when the last whole one is WholeFrameEveryMs old, or
// when the delta's cells would take more than half the bytes of the cells of the whole frame
// it builds on; bands asked for again go before a delta, as they were in that whole frame.
bool NextFrameMessages(FrameStream& stream, const unsigned char* cells, unsigned now,
                       FramePieces& pieces);
