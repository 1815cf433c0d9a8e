// The mixer: the per-frame loop of the audio callback, and the start of the audio subsystem.
#include "audio/mixer.h"

#include "audio/echo.h"
#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "platform/rand.h"

#include <bit>

static_assert(std::endian::native == std::endian::little,
              "frames are written as the device's little-endian 16-bit values");

void InitAudio()
{
    InitSampleBank();
    BuildNoteFrequencies();
    InitSoundRequests();
    InitEcho();
    InitVoices();
    InitStatusHandoff();
    InitMusic();
}

void StartAudio()
{
    InitAudio();
    CurrentChord = Rand() % ChordCount;
    StartSampleLoader(SampleFolder);
}

void MixFrames(StereoFrame* out, int frameCount)
{
    TakeAudioStatus();
    AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    for (int frame = 0; frame < frameCount; ++frame)
    {
        if (SampleClock % BeatLength == 0)
        {
            PlayBeat(slot.titleMusic);
        }
        WideFrame dry = {0, 0};
        WideFrame send = {0, 0};
        for (int v = 0; v < MaxVoices; ++v)
        {
            if (!VoiceActive[v])
            {
                continue;
            }
            Voice& voice = Voices[v];
            const StereoFrame rendered = RenderVoice(voice);
            dry.left += rendered.left;
            dry.right += rendered.right;
            send.left += TruncateSample(static_cast<float>(rendered.left) * voice.send);
            send.right += TruncateSample(static_cast<float>(rendered.right) * voice.send);
            if (voice.position >= VoiceLength(voice))
            {
                VoiceActive[v] = false;
                if (v < EffectVoices)
                {
                    AppendSlotVoice(slot, v); // back to the main thread at the next publish
                }
            }
        }
        const StereoFrame echoSend = {SaturateSample(send.left), SaturateSample(send.right)};
        out[frame] = RunEcho(echoSend, dry);
        ++SampleClock;
    }
}

void AudioCallback(unsigned char* stream, int byteLength)
{
    if (byteLength < 4)
    {
        return; // no whole frame
    }
    MixFrames(reinterpret_cast<StereoFrame*>(stream), byteLength / 4);
}
