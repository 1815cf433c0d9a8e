// The mixer: the audio callback's blocks between beats, and the start of the audio subsystem.
#include "audio/mixer.h"

#include "audio/echo.h"
#include "audio/music.h"
#include "audio/sample_bank.h"
#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "audio/voices.h"
#include "audio/volume.h"
#include "platform/rand.h"

#include <algorithm>
#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "frames are written as the device's little-endian 16-bit values");

namespace
{
WideFrame DrySums[MaxBlockLength];  // the dry mix of the block's frames, before saturation
WideFrame SendSums[MaxBlockLength]; // the echo send of the block's frames, before saturation

// Frames from SampleClock to the next beat: the next multiple of BeatLength, or the clock's
// wrap to 0, which is one too. At least 1.
std::uint64_t FramesUntilBeat()
{
    const std::uint64_t untilWrap = (std::uint64_t{1} << 32) - SampleClock;
    return std::min<std::uint64_t>(BeatLength - SampleClock % BeatLength, untilWrap);
}

// An effect voice that ended in this block: reported in the order of the frames they ended in,
// lower numbers first within a frame, as a frame-by-frame mix would find them.
struct EndedVoice
{
    int frame; // 0..MaxBlockLength - 1, within the block
    int voice; // 0..63
};

// Mixes every sounding voice over a block of frames into DrySums and SendSums. A voice that
// reaches its end is switched off, and an effect voice is reported back through the audio
// thread's slot.
void MixSoundingVoices(int block, AudioStatusSlot& slot)
{
    EndedVoice ended[EffectVoices];
    int endedCount = 0;
    for (int v = 0; v < MaxVoices; ++v)
    {
        if (!VoiceSounding[v])
        {
            continue;
        }
        Voice& voice = Voices[v];
        const int rendered = MixVoiceBlock(voice, block, DrySums, SendSums);
        if (voice.position < VoiceLength(voice))
        {
            continue;
        }
        VoiceSounding[v] = false;
        if (v >= EffectVoices)
        {
            continue; // music voices are the audio thread's own
        }
        int place = endedCount++;
        for (; place > 0 && ended[place - 1].frame > rendered - 1; --place)
        {
            ended[place] = ended[place - 1];
        }
        ended[place] = {rendered - 1, v};
    }
    for (int i = 0; i < endedCount; ++i)
    {
        AppendSlotVoice(slot, ended[i].voice); // back to the main thread at the next publish
    }
}
} // namespace

void InitAudio()
{
    InitSampleBank();
    BuildNoteFrequencies();
    InitSoundRequests();
    InitEcho();
    InitVoices();
    InitStatusHandoff();
    InitMusic();
    InitVolume();
}

bool StartAudio()
{
    PrepareAudio();
    return StartSampleLoader(SampleFolder);
}

void PrepareAudio()
{
    InitAudio();
    CurrentChord = Rand() % ChordCount;
}

void MixFrames(StereoFrame* out, int frameCount)
{
    if (SoundHeld.load(std::memory_order_relaxed))
    {
        std::fill_n(out, frameCount, StereoFrame{0, 0});
        return; // a paused match: everything waits where it stands
    }
    TakeAudioStatus();
    AudioStatusSlot& slot = AudioStatusSlots[AudioSlot];
    int done = 0;
    while (done < frameCount)
    {
        if (SampleClock % BeatLength == 0)
        {
            PlayBeat(slot.titleMusic);
        }
        // Up to the next beat nothing but the voices' own ends changes what sounds.
        const int block = static_cast<int>(
            std::min({static_cast<std::uint64_t>(frameCount - done),
                      static_cast<std::uint64_t>(MaxBlockLength), FramesUntilBeat()}));
        std::fill_n(DrySums, block, WideFrame{0, 0});
        std::fill_n(SendSums, block, WideFrame{0, 0});
        MixSoundingVoices(block, slot);
        RunEcho(SendSums, DrySums, out + done, block);
        SampleClock += static_cast<std::uint32_t>(block);
        done += block;
    }
    ApplyOutputGain(out, frameCount);
}

void AudioCallback(unsigned char* stream, int byteLength)
{
    if (byteLength < 4)
    {
        return; // no whole frame
    }
    MixFrames(reinterpret_cast<StereoFrame*>(stream), byteLength / 4);
}
