// The once-per-iteration hand-off of game status from the main thread to the audio thread.
//
// Three AudioStatusSlot records rotate between the threads. The main thread fills MainSlot
// (music choice, echo request, effect voices it started); SubmitAudioStatus publishes it by
// swapping it with SpareSlot, but only after the audio thread has taken the previous one.
// TakeAudioStatus, at the start of every audio callback, swaps a published SpareSlot into
// AudioSlot, switches its voices on and collects the numbers of effect voices that end while
// it holds the slot; that slot goes back to the main thread at its next publish, which gives
// those voices back for new requests (their EffectVoiceTaken flags clear). Publish and take
// alternate strictly, so a voice number is in exactly one list at a time. StatusLock guards only
// the three indices and the two flags, and both sides only try it: a side that misses simply tries
// again next time, losing nothing.
#pragma once

#include "audio/voices.h"
#include "platform/lock.h"

#include <cstdint>

constexpr int StatusSlots = 3;    // slots in the rotation
constexpr int MaxSlotVoices = 64; // every effect voice fits: each is in one list at a time
static_assert(MaxSlotVoices >= EffectVoices, "a slot's list holds every effect voice");

struct AudioStatusSlot
{
    bool titleMusic;              // no match running: the title music plays
    bool halveEcho;               // set by the main thread, cleared by the audio thread
    int voiceCount;               // entries of voiceList in use, 0..64
    int voiceList[MaxSlotVoices]; // effect voice numbers 0..63 in order of insertion
};

// The slots, indexed by the three indices below. A test reads the voices queued by sound
// requests as AudioStatusSlots[MainSlot].voiceList[0..voiceCount).
extern AudioStatusSlot AudioStatusSlots[StatusSlots];
extern int MainSlot;       // 0..2, the slot the main thread fills
extern int SpareSlot;      // 0..2, the slot in transit between the threads
extern int AudioSlot;      // 0..2, the slot the audio thread holds
extern bool SlotPublished; // a filled slot waits in SpareSlot for the audio thread
extern bool SlotTaken;     // the audio thread took the last one: the main thread may publish
extern Lock StatusLock;

// Effect voices 0..63 that a sound request has taken and the audio thread has not yet given
// back through a slot. Main thread only; a taken voice is neither chosen nor written.
extern bool EffectVoiceTaken[EffectVoices];

// No effect voice taken; all three slots to title music, no echo request and empty lists; AudioSlot
// 0, SpareSlot 1, MainSlot 2; nothing published, and the main thread free to publish.
void InitStatusHandoff();

// Appends a voice number to a slot's list; a full list drops it (it cannot fill up while
// every voice number is in one list at a time).
void AppendSlotVoice(AudioStatusSlot& slot, int voice);

// Main thread, once per main-loop iteration after the steps: records the music choice in
// MainSlot and publishes it if the audio thread took the previous one; the slot received in
// exchange gives back the effect voices that ended (their EffectVoiceTaken flags clear).
void SubmitAudioStatus(bool matchRunning);

// Main thread: asks the audio thread to halve the echo ring when it takes the slot now being
// filled. Start-up calls it once the device is open, and every match start calls it.
void RequestEchoHalving();

// Audio thread, first in every callback: takes a published slot if there is one, switches its
// voices on aligned to the start grid, and halves the echo if asked, clearing the request.
void TakeAudioStatus();
