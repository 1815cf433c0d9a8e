// The audio callback's work: music on the beat, up to 128 voices summed, the echo, the output;
// and the audio subsystem's start-up.
#pragma once

#include "audio/frames.h"

constexpr const char* SampleFolder = "dat/samples"; // where the game's samples live

// Sets every audio module to its start values: an empty bank not loaded, NoteFrequencies
// built, every voice free and silent, the echo, the clock, the status slots, the music and the
// volume at their start. Only while no loader thread and no device run (start-up, tests).
void InitAudio();

// Start-up, main thread, before the device is opened: InitAudio, then the first chord (one
// Rand() on the main thread), then the loader thread on SampleFolder. Returns false, with
// errno naming the cause, when the loader thread cannot be started; the caller then ends the
// game (nothing of the audio runs). Otherwise the caller opens the device, requests the echo
// halving and un-pauses the device. ReleaseAudio undoes it.
bool StartAudio();

// Start-up without a loader thread (the browser): InitAudio, then the first chord, as
// StartAudio does; the caller then fills the bank with LoadNextSample. Main thread.
void PrepareAudio();

// The callback body, audio thread: takes the newest status, then produces frameCount frames
// into out. Per frame: on a beat the music starts its voices; every sounding voice renders and
// is summed dry and into the echo send; a voice that has reached its end is switched off, and
// an effect voice is reported back through the audio thread's slot; the echo runs; the frame
// is written and SampleClock advances. Sums saturate at the 16-bit limits. Never blocks and
// never allocates. The work is done in blocks of up to 512 frames that end at the next beat,
// one pass over the voices for each (MixVoiceBlock), and ended voices are reported in the
// order of the frames they ended in: the output is bit for bit that of the frame-by-frame rule.
// Last, the frames are scaled by the player's volume (ApplyOutputGain). While SoundHeld is set
// it writes silence and changes nothing else.
void MixFrames(StereoFrame* out, int frameCount);

// The device's callback: fills byteLength / 4 whole frames of little-endian 16-bit stereo
// into stream (2-byte aligned, as the device gives it); a remainder of fewer than 4 bytes and
// a negative length are left alone. Audio thread.
void AudioCallback(unsigned char* stream, int byteLength);
