// The player's volume and mute, and the hold of the whole sound while a match is paused: the
// main thread sets them, the audio callback applies them to what it writes.
#pragma once

#include "audio/frames.h"

#include <atomic>
#include <cstdint>

constexpr int MaxVolume = 10;      // the loudest level: the game's sound unchanged
constexpr int VolumeStepDb = 3;    // each level below MaxVolume is this much quieter; 0 is silent
constexpr int UnityGain = 1 << 16; // OutputGain that leaves every frame as it is

// The gain the callback multiplies its frames by, in 1/65536: UnityGain at MaxVolume, 0 when
// muted or at level 0. Written by the main thread (SetOutputVolume), read by the audio thread.
extern std::atomic<int> OutputGain;
// While set, the callback writes silence and nothing of the sound moves on: the music, the
// voices and the echo wait where they stand. Written by the main thread, read by the audio one.
extern std::atomic<bool> SoundHeld;

// The gain of a volume level, in 1/65536: UnityGain at MaxVolume and above, 0 at 0 and below,
// and VolumeStepDb decibels less for each level between.
int VolumeGain(int volume);

// Main thread: the level and the mute the callback applies from its next call on.
void SetOutputVolume(int volume, bool muted);

// OutputGain to UnityGain and SoundHeld off. Start-up and tests, while no callback runs.
void InitVolume();

// Audio thread: multiplies count frames by OutputGain, rounding toward zero; at UnityGain the
// frames are left exactly as they are.
void ApplyOutputGain(StereoFrame* frames, int count);
