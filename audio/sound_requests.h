// The game's sound requests: an effect voice per request, queued for the audio thread.
#pragma once

#include "audio/sounds.h"

// 0..63: where the next search for a free effect voice begins, the last voice started.
// Main thread only.
extern int NextEffectVoice;

// A request as PlaySound took it.
struct SoundRequest
{
    int sound;
    float frequency, volume, send, pan;
};
constexpr int SoundLogSize = 64; // requests kept between two readings; later ones are dropped

// The requests that started a voice since the log was last emptied, oldest first, for a
// friend's game over the network that plays the same sounds. Main thread only: whoever reads
// it sets SoundLogCount to 0.
extern SoundRequest SoundLog[SoundLogSize];
extern int SoundLogCount;

// Requests dropped since start-up, and the number of sample requests still to be dropped as
// though the bank were loading: a dropped request draws no random numbers, so a replay of a
// match that began before the samples had loaded drops the same ones. Main thread only.
extern unsigned DroppedSoundRequests;
extern unsigned SoundsHeldBack;

// Sets NextEffectVoice, SoundLogCount and SoundsHeldBack to 0. Start-up and tests.
void InitSoundRequests();

// Main thread: plays sound (SoundSquare at frequency Hz, or a sample, sounds.h) at volume
// (before the voice's random boost of 1.5..1.6), feeding send of it into the echo, moved to
// the right by pan. Takes the first effect voice not taken (EffectVoiceTaken) from
// NextEffectVoice on, fills its record with StartVoice (envelope 500/5000/50000 frames for a
// synthesized sound), marks it taken and queues it in MainSlot's list; the audio thread
// starts it after the next publish, on the start grid. Dropped silently before the samples
// have loaded (sample sounds), while SoundsHeldBack counts down (sample sounds), and when all
// 64 effect voices are taken. A test sees the request as the last entry of
// AudioStatusSlots[MainSlot].voiceList and reads Voices[that number].
void PlaySound(int sound, float frequency, float volume, float send, float pan);

// Main thread: plays a sample with send 0.6 at volume, clamped to at most 1 (a value that is
// not a number passes unchanged), moved to the right by pan. Dropped before the samples have
// loaded, whatever the sound number.
void PlayEffect(int sound, float volume, float pan);
