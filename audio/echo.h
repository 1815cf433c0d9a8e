// The echo: one 2.4-second ring of frames read and fed by three heads moving at different speeds.
#pragma once

#include "audio/frames.h"

#include <cstdint>

constexpr int EchoLength = 105840;    // frames in the ring, 2.4 s
constexpr int EchoHalfLength = 52920; // how far ahead of itself the fast head writes

// The ring and its heads. Audio thread only (tests: the thread that mixes).
extern StereoFrame EchoRing[EchoLength];
extern int EchoHeadA; // forward head, 0..105839, one frame per frame
extern int EchoHeadB; // fast head, even 0..105838, two frames per frame
extern int EchoHeadC; // backward head, 0..105839, one frame back per frame

// Clears the ring and sets the three heads to 0.
void InitEcho();

// Runs the three heads over count frames. Frame i feeds send[i], saturated to 16 bits, into the
// ring and writes out[i]: the dry sum dry[i] plus 0.24 of the forward head's old value plus
// 0.19 of each of the two other heads' values. Products are truncated toward zero; sums are
// taken in 32 bits and saturate at the 16-bit limits where they are stored, in the ring and in
// the output. Audio thread.
void RunEcho(const WideFrame* send, const WideFrame* dry, StereoFrame* out, int count);

// Halves every value of the ring (truncating toward zero): a shorter tail when a match starts.
void HalveEcho();
