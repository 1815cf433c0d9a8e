// Mixing one voice a stretch of frames at a time: RenderVoice's frame-by-frame rule, with the
// work that stays the same over a stretch done once for it.
//
// A voice's rule changes only at a few frames: where its delay ends, where the envelope turns
// from ramp to level to ramp, where a sample runs out. Between them the stretches are cheap:
// a delay adds nothing; a square wave at its level is one of two fixed frames, the low or the
// high half of the period; a sample at its level is a copy scaled by three fixed gains (level,
// pan, send), four lanes at a time. The ramps, and voices whose numbers are too large to be
// exact as floats, take the plain rule frame by frame. The result is the same bits as calling
// RenderVoice for every frame.
#pragma once

#include "audio/voices.h"

// Adds the voice's next frames to dry and send as that many calls of RenderVoice would: each
// rendered frame f is added to dry[i], and trunc(f * voice.send) per channel to send[i].
// Advances the voice and stops after the frame in which its position reaches its length
// (always rendering at least one frame); returns the frames rendered, which is frameCount
// unless the voice ended. frameCount is at least 1. Audio thread.
int MixVoiceRun(Voice& voice, int frameCount, WideFrame* dry, WideFrame* send);
