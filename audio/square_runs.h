// The square wave over a stretch of frames, for the voice stretches: the same bits as
// RenderVoice frame by frame.
#pragma once

#include "audio/voices.h"

// A square-wave voice over count frames of its sustain, where the level is the volume: every
// frame is one of two fixed frames, the low or the high half of the period, each rendered once
// with RenderVoice's functions and added a half period at a time to dry and send. Advances the
// voice. Audio thread.
void MixSquareHeld(Voice& voice, int count, WideFrame* dry, WideFrame* send);

// A square-wave voice over count frames of one ramp of its envelope (the attack or the
// release): four frames at a time within each half of the period, their levels worked out
// lane by lane with VoiceEnvelope's single-precision steps; the frames left at the end of a
// half, and voices whose gains are too large or not numbers, frame by frame. Advances the
// voice. Audio thread.
void MixSquareRamp(Voice& voice, int count, WideFrame* dry, WideFrame* send);
