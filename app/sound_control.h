// The player's hold on the sound: the volume in steps, the mute, and the notice that shows them a
// moment after each change.
#pragma once

#include "match/controls.h"

constexpr int SoundNoticeSteps = 83; // steps the notice shows after a change, 1.5 s

// Main thread.
extern int Volume;             // 0..MaxVolume, the level the sound plays at when not muted
extern bool Muted;             // no sound at all, whatever the volume
extern bool SoundDeviceSilent; // the game plays to no loudspeaker (started --mute without one)
extern int SoundNoticeLeft;    // steps the notice still shows, 0..SoundNoticeSteps

// The level and mute this start plays with (from the settings and the command line), handed to
// the mixer; no notice. Called at start, before the first frame.
void SetSound(int volume, bool muted);

// Whether the key is one of the sound's: KeyMute, KeyVolumeDown or KeyVolumeUp.
bool IsSoundKey(Key key);

// A new press of a sound key: the mute turns over, or the volume moves a step (and a step up from
// a mute turns the sound on again); the mixer gets the new gain, the change is kept for the next
// start and the notice shows. Other keys do nothing.
void PressSoundKey(Key key);

// Counts the notice's time down by steps.
void TickSoundNotice(int steps);

// While it shows: the notice on a black box, centred on the column, words at rows 47 and 40:
// "sound" over "off" when muted, "no" over "sound" when the game plays to no loudspeaker, else
// "volume" over the level.
void DrawSoundNotice(int middle);
