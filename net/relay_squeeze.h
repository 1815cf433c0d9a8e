// The relayed packets squeezed before they are sealed: each packet goes as an LZ over the
// packets that went before it in the same direction, so that what a frame repeats of the
// frames before it (a delta carries every change since its whole frame; a whole frame is much
// like the one before it) costs a few bytes. Pure bytes in and out, our own plain C++, so the
// page runs the very same code. Main thread only (one scratch buffer for squeezing).
//
// The LZ (numbers high byte first): sequences, each
//   token (1)           high four bits the literal count, low four the match length - 4;
//                       15 in either: the rest of it follows, bytes added on, each 255 but
//                       the last
//   the count's rest
//   literals (count)
//   then, unless the input ends here:
//   distance (2)        1..65535: how far back the match starts, through this packet's
//                       output and on into the history before it
//   the length's rest
// Expanding checks every count and distance before it writes: output past its room, a
// distance past the history, a sequence cut short, or input longer than any squeezed packet
// refuse it, so a small packet can never expand without bound and nothing past the output is
// written.
//
// A squeezed packet: epoch (1), number (2), ask (1), then the LZ. Number 0 starts the
// direction afresh (no history) in that epoch; the numbers after it count 1..65535 and wrap
// to 1.
// A receiver takes a packet only in turn: one missing before it (the meeting point lost it),
// or one that does not expand, leaves its history behind the sender's, so it takes nothing
// more of that epoch and asks, in the ask byte of every packet it sends back (128 + the
// epoch), for a fresh start. The sender starts the next epoch afresh when asked about its
// current one; an ask that crossed the fresh start names the old epoch and is passed by.
#pragma once

#include "net/relay_link.h"

constexpr int SqueezeHistoryBytes = 32768; // how far back matches reach: a whole frame's cycle
constexpr int SqueezeHeadBytes = 4;        // epoch, number, ask
constexpr int MinSqueezeMatch = 4;         // shorter repeats go as literals
constexpr int MaxSqueezeDistance = 65535;
// The most a packet of RelayPacketBytes takes squeezed: all literals and their counts.
constexpr int MaxSqueezedBytes = SqueezeHeadBytes + RelayPacketBytes + RelayPacketBytes / 255 + 2;
constexpr int SqueezeEpochs = 128;
constexpr int MaxSqueezeNumber = 65535;

// What went before in one direction, the newest SqueezeHistoryBytes of it.
struct SqueezeHistory
{
    int used; // 0..SqueezeHistoryBytes
    unsigned char bytes[SqueezeHistoryBytes];
};

// Both directions of one relayed peer.
struct SqueezeLine
{
    int epoch;            // sending: 0..SqueezeEpochs - 1
    int number;           // sending: the next packet's number; 0 starts afresh
    SqueezeHistory sent;  // sending: the packets since the epoch's fresh start
    bool taking;          // receiving: in turn with the other side's epoch
    int heardEpoch;       // receiving: the epoch taken, or the one to ask a fresh start of
    int heardNumber;      // receiving: the number taken next
    bool asking;          // receiving: a fresh start is wanted
    SqueezeHistory heard; // receiving: the packets taken since the fresh start
};

// Forgets both directions: the next packet sent starts afresh, and until one that does comes,
// nothing is taken (nor asked for: the other side starts afresh by itself).
void ResetSqueezeLine(SqueezeLine& line);

// The LZ alone: size bytes (0..RelayPacketBytes) over history into out (room for
// MaxSqueezedBytes - SqueezeHeadBytes); its length.
int Squeeze(const SqueezeHistory& history, const unsigned char* plain, int size,
            unsigned char* out);
// The LZ undone over history into out, which has room for capacity bytes; the length, or -1
// when the bytes are refused (above).
int Expand(const SqueezeHistory& history, const unsigned char* in, int size, unsigned char* out,
           int capacity);
// Adds size bytes (0..RelayPacketBytes) to the history, forgetting its oldest beyond
// SqueezeHistoryBytes.
void AddToHistory(SqueezeHistory& history, const unsigned char* bytes, int size);

// A relayed packet (size 0..RelayPacketBytes) squeezed with its head into out
// (MaxSqueezedBytes); its length.
int SqueezePacket(SqueezeLine& line, const unsigned char* plain, int size, unsigned char* out);

// A squeezed packet from the other side, expanded into out (RelayPacketBytes); its length, or
// -1 when it is not taken (out of turn, refused by Expand, or a head cut short): then a fresh
// start is asked for. Its ask is heeded whether or not the rest is taken.
int ExpandPacket(SqueezeLine& line, const unsigned char* in, int size, unsigned char* out);
