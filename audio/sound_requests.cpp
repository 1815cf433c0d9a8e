// Sound requests: choosing a free effect voice in rotation, starting it and queuing it.
#include "audio/sound_requests.h"

#include "audio/sample_bank.h"
#include "audio/status_handoff.h"

#include "audio/voices.h"

int NextEffectVoice;
SoundRequest SoundLog[SoundLogSize];
int SoundLogCount;
unsigned DroppedSoundRequests = 0;
unsigned SoundsHeldBack = 0;

void InitSoundRequests()
{
    NextEffectVoice = 0;
    SoundLogCount = 0;
    SoundsHeldBack = 0;
}

void PlaySound(int sound, float frequency, float volume, float send, float pan)
{
    if (sound >= FirstSampleSound &&
        (!SamplesLoaded.load(std::memory_order_acquire) || SoundsHeldBack > 0))
    {
        SoundsHeldBack -= SoundsHeldBack > 0 ? 1 : 0;
        ++DroppedSoundRequests;
        return; // the bank is still loading
    }
    int voice = NextEffectVoice;
    while (EffectVoiceTaken[voice])
    {
        voice = (voice + 1) % EffectVoices;
        if (voice == NextEffectVoice)
        {
            ++DroppedSoundRequests;
            return; // every effect voice is taken
        }
    }
    NextEffectVoice = voice;
    StartVoice(Voices[voice], sound, frequency, volume, send, pan, 500, 5000, 50000, 0);
    EffectVoiceTaken[voice] = true;
    AppendSlotVoice(AudioStatusSlots[MainSlot], voice);
    if (SoundLogCount < SoundLogSize)
    {
        SoundLog[SoundLogCount++] = {sound, frequency, volume, send, pan};
    }
}

void PlayEffect(int sound, float volume, float pan)
{
    if (!SamplesLoaded.load(std::memory_order_acquire))
    {
        return; // the bank is still loading
    }
    PlaySound(sound, 0.0f, volume > 1.0f ? 1.0f : volume, 0.6f, pan);
}
