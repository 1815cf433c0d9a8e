// The voices of the mixer: start, grid alignment, envelope, pan, square wave and rendering.
#include "audio/voices.h"

#include "audio/sample_bank.h"
#include "platform/rand.h"

#include <cmath>
#include <cstring>

Voice Voices[MaxVoices];
bool VoiceActive[MaxVoices];
float NoteFrequencies[NoteCount];
std::uint32_t SampleClock;

void InitVoices()
{
    std::memset(Voices, 0, sizeof(Voices));
    std::memset(VoiceActive, 0, sizeof(VoiceActive));
    SampleClock = 0;
}

float IntegerPower(float base, int exponent)
{
    unsigned remaining = exponent < 0 ? 0u - static_cast<unsigned>(exponent) : exponent;
    float result = 1.0f;
    float square = base;
    while (remaining != 0)
    {
        if ((remaining & 1) != 0)
        {
            result *= square;
        }
        square *= square;
        remaining >>= 1;
    }
    return exponent < 0 ? 1.0f / result : result;
}

void BuildNoteFrequencies()
{
    const float semitone = static_cast<float>(std::pow(2.0, 1.0 / 12.0));
    for (int k = 0; k < NoteCount; ++k)
    {
        NoteFrequencies[k] = 440.0f * IntegerPower(semitone, k - 12);
    }
}

void StartVoice(Voice& voice, int sound, float frequency, float volume, float send, float panOffset,
                std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
                std::uint32_t delay)
{
    voice.position = 0;
    voice.delay = delay;
    voice.attack = attack;
    voice.sustain = sustain;
    voice.release = release;
    voice.frequency = frequency;
    voice.volume = volume;
    voice.send = send;
    voice.sound = sound;
    voice.align = 1;
    voice.pan = static_cast<float>(Rand() % 16) / 128.0f - panOffset;
    if (sound >= FirstSampleSound)
    {
        voice.attack = 0;
        voice.sustain = static_cast<std::uint32_t>(SampleLength(sound - FirstSampleSound));
        voice.release = 0;
    }
    voice.volume *= 1.5f + static_cast<float>(Rand() % 1024) * 0.0001f;
}

void AlignVoiceStart(Voice& voice)
{
    if (voice.align == 0)
    {
        return;
    }
    const std::uint32_t offGrid = (voice.delay + SampleClock) % GridLength;
    if (offGrid == 0)
    {
        return; // already starts on a grid point
    }
    voice.delay = voice.delay - offGrid + GridLength;
    if ((voice.delay + SampleClock) / GridLength % 4 != 0)
    {
        voice.volume *= 0.75f;
    }
}

std::uint32_t VoiceLength(const Voice& voice)
{
    return voice.delay + voice.attack + voice.sustain + voice.release;
}

PanGains PanLaw(float pan)
{
    if (pan > 1.0f)
    {
        pan = 1.0f;
    }
    else if (pan < -1.0f)
    {
        pan = -1.0f;
    }
    if (pan > -0.05f && pan < 0.05f)
    {
        return {false, 1.0f, 1.0f}; // centred: untouched
    }
    return {true, 0.6f + 0.4f * (1.0f + pan), 0.6f + 0.4f * (1.0f - pan)};
}

StereoFrame ApplyPan(StereoFrame frame, float pan)
{
    return ApplyPanGains(frame, PanLaw(pan));
}

std::uint32_t WholeHertz(float frequency)
{
    if (!(frequency >= 1.0f))
    {
        return 0; // below 1 Hz, negative or not a number: a constant phase
    }
    if (frequency >= 4294967295.0f)
    {
        return 0xffffffffu;
    }
    return static_cast<std::uint32_t>(frequency);
}

std::int16_t SquareWave(const Voice& voice, float level)
{
    return SquareValue(SquareIsLow(WholeHertz(voice.frequency), voice.position), level);
}

StereoFrame RenderVoice(Voice& voice)
{
    if (voice.position < voice.delay)
    {
        ++voice.position;
        return {0, 0};
    }
    const float level = VoiceEnvelope(voice) * voice.volume;
    StereoFrame frame = {0, 0};
    if (voice.sound >= FirstSampleSound)
    {
        const std::uint32_t index = voice.position - voice.delay;
        const int bankIndex = voice.sound - FirstSampleSound;
        if (index < static_cast<std::uint32_t>(SampleLength(bankIndex)))
        {
            const StereoFrame source = SampleBank[bankIndex].frames[index];
            frame.left = TruncateSample(static_cast<float>(source.left) * level);
            frame.right = TruncateSample(static_cast<float>(source.right) * level);
        }
    }
    else if (voice.sound == SoundSquare && level > 0.0f)
    {
        const std::int16_t wave = SquareWave(voice, level);
        frame = {wave, wave};
    }
    frame = ApplyPan(frame, voice.pan);
    ++voice.position;
    return frame;
}
