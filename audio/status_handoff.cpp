// The rotation of the three status slots between the main thread and the audio thread.
#include "audio/status_handoff.h"

#include "audio/echo.h"

#include <cstring>

bool EffectVoiceTaken[EffectVoices];
AudioStatusSlot AudioStatusSlots[StatusSlots];
int MainSlot;
int SpareSlot;
int AudioSlot;
bool SlotPublished;
bool SlotTaken;
Lock StatusLock;

void InitStatusHandoff()
{
    std::memset(EffectVoiceTaken, 0, sizeof(EffectVoiceTaken));
    for (AudioStatusSlot& slot : AudioStatusSlots)
    {
        slot.titleMusic = true;
        slot.halveEcho = false;
        slot.voiceCount = 0;
    }
    AudioSlot = 0;
    SpareSlot = 1;
    MainSlot = 2;
    SlotPublished = false;
    SlotTaken = true;
}

void AppendSlotVoice(AudioStatusSlot& slot, int voice)
{
    if (slot.voiceCount >= MaxSlotVoices)
    {
        return; // cannot happen while each voice is in one list only
    }
    slot.voiceList[slot.voiceCount++] = voice;
}

void SubmitAudioStatus(bool matchRunning)
{
    AudioStatusSlots[MainSlot].titleMusic = !matchRunning;
    if (!StatusLock.TryEnter())
    {
        return; // the audio thread is rotating: offer the same slot next iteration
    }
    const bool published = SlotTaken;
    if (published)
    {
        const int filled = MainSlot;
        MainSlot = SpareSlot;
        SpareSlot = filled;
        SlotPublished = true;
        SlotTaken = false;
    }
    StatusLock.Leave();
    if (!published)
    {
        return; // the previous slot is still waiting for the audio thread
    }
    AudioStatusSlot& returned = AudioStatusSlots[MainSlot];
    for (int i = 0; i < returned.voiceCount; ++i)
    {
        EffectVoiceTaken[returned.voiceList[i]] = false;
    }
    returned.voiceCount = 0;
}

void RequestEchoHalving()
{
    AudioStatusSlots[MainSlot].halveEcho = true;
}

void TakeAudioStatus()
{
    if (!StatusLock.TryEnter())
    {
        return; // the main thread is publishing: keep the slot we have
    }
    const bool taken = SlotPublished;
    if (taken)
    {
        const int held = AudioSlot;
        AudioSlot = SpareSlot;
        SpareSlot = held;
        SlotPublished = false;
        SlotTaken = true;
    }
    StatusLock.Leave();
    if (!taken)
    {
        return; // nothing new since the last take
    }
    AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    for (int i = 0; i < slot.voiceCount; ++i)
    {
        const int voice = slot.voiceList[i];
        VoiceSounding[voice] = true;
        AlignVoiceStart(Voices[voice]);
    }
    slot.voiceCount = 0;
    if (slot.halveEcho)
    {
        HalveEcho();
        slot.halveEcho = false;
    }
}
