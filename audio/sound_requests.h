// The game's sound requests: an effect voice per request, queued for the audio thread.
#pragma once

#include "audio/voices.h"

// The game's sounds, numbered as samples of the bank (number - 17 = bank index).
constexpr int SoundBall = 33;   // a new ball appears
constexpr int SoundEnd = 34;    // the turn passes to the other team
constexpr int SoundPush = 35;   // a player pushes a line of units
constexpr int SoundScore = 36;  // a goal
constexpr int SoundStart = 37;  // a key takes the turn banner away
constexpr int SoundStep = 38;   // a player steps forward
constexpr int SoundRotate = 39; // a player turns
constexpr int SoundSwap = 40;   // a player swaps places with the ball

// Effect voices 0..63 that a request has taken and the audio thread has not yet given back.
// Main thread only; a busy voice is neither chosen nor written.
extern bool VoiceBusy[EffectVoices];
// 0..63: where the next search for a free effect voice begins, the last voice started.
extern int NextEffectVoice;

// Clears every VoiceBusy flag and sets NextEffectVoice to 0. Start-up and tests.
void InitSoundRequests();

// Main thread: plays sound (9 the square wave at frequency Hz, 17..40 a sample) at volume
// (before the voice's random boost of 1.5..1.6), feeding send of it into the echo, moved to
// the right by pan. Takes the first free effect voice from NextEffectVoice on, fills its
// record with StartVoice (envelope 500/5000/50000 frames for a synthesized sound) and queues
// it in MainSlot's list; the audio thread starts it after the next publish, on the start
// grid. Dropped silently before the samples have loaded (numbers 17 and up) and when all 64
// effect voices are busy. A test sees the request as the last entry of
// AudioStatusSlots[MainSlot].voiceList and reads Voices[that number].
void PlaySound(int sound, float frequency, float volume, float send, float pan);

// Main thread: plays a sample with send 0.6 at volume, clamped to at most 1 (a value that is
// not a number passes unchanged), moved to the right by pan. Dropped before the samples have
// loaded, whatever the sound number.
void PlayEffect(int sound, float volume, float pan);
