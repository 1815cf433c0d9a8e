// The voices of the mixer: start, grid alignment, pan, square wave, and a voice's block of frames.
#include "audio/voices.h"

#include "audio/sample_bank.h"
#include "platform/rand.h"

#include <algorithm>
#include <cmath>
#include <cstring>

Voice Voices[MaxVoices];
bool VoiceSounding[MaxVoices];
float NoteFrequencies[NoteCount];
std::uint32_t SampleClock;

void InitVoices()
{
    std::memset(Voices, 0, sizeof(Voices));
    std::memset(VoiceSounding, 0, sizeof(VoiceSounding));
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
        return {1.0f, 1.0f}; // centred: untouched
    }
    return {0.6f + 0.4f * (1.0f + pan), 0.6f + 0.4f * (1.0f - pan)};
}

StereoFrame ApplyPanGains(StereoFrame frame, const PanGains& gains)
{
    return {TruncateSample(static_cast<float>(frame.left) * gains.left),
            TruncateSample(static_cast<float>(frame.right) * gains.right)};
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

bool SquareIsLow(std::uint32_t wholeHertz, std::uint32_t position)
{
    return wholeHertz * position % SampleRate < SampleRate / 2;
}

std::int16_t SquareValue(bool low, float level)
{
    return TruncateSample(low ? level * -16383.0f : level * 16383.0f);
}

namespace
{
// What stays the same while a voice sounds, worked out once for a block of its frames.
struct VoiceSetup
{
    std::uint32_t delay;        // frames of silence before the sound begins
    float attack;               // frames of the envelope's rising ramp
    float sustain;              // frames at full level
    float release;              // frames of the falling ramp
    float volume;               // linear gain
    std::uint32_t hertz;        // WholeHertz of the frequency
    const StereoFrame* sample;  // a sample's frames; null for a synthesized sound
    std::uint32_t sampleLength; // frames of sample; 0 for a number past the bank
    PanGains pan;               // PanLaw of the voice's pan
    float send;                 // gain of the share fed into the echo
};

VoiceSetup SetUpVoice(const Voice& voice)
{
    VoiceSetup setup = {voice.delay,
                        static_cast<float>(voice.attack),
                        static_cast<float>(voice.sustain),
                        static_cast<float>(voice.release),
                        voice.volume,
                        WholeHertz(voice.frequency),
                        nullptr,
                        0,
                        PanLaw(voice.pan),
                        voice.send};
    const int bankIndex = voice.sound - FirstSampleSound;
    if (bankIndex >= 0 && bankIndex < SampleCount)
    {
        setup.sample = SampleBank[bankIndex].frames;
        setup.sampleLength = static_cast<std::uint32_t>(SampleLength(bankIndex));
    }
    return setup;
}

// The envelope level 0..1 at t frames after the delay.
float Envelope(const VoiceSetup& setup, float t)
{
    if (t < setup.attack)
    {
        return t / setup.attack;
    }
    if (t - setup.attack < setup.sustain)
    {
        return 1.0f;
    }
    if (t - setup.attack - setup.sustain < setup.release)
    {
        return 1.0f - (t - setup.attack - setup.sustain) / setup.release;
    }
    return 0.0f;
}

// Whether the envelope holds at full level t frames after the delay.
bool Holds(const VoiceSetup& setup, float t)
{
    return !(t < setup.attack) && t - setup.attack < setup.sustain;
}

// Adds count frames of the voice, from t frames after its delay on, to dry and send: each is
// the sound's own frame (sound(i, t, level) for the block's frame i) at t and level (envelope
// * volume), panned, with its send share. The setup comes as a copy, which no store into the
// sums can change, so the compiler keeps it out of the loop.
template<typename Sound>
void MixSoundingFrames(const VoiceSetup setup, std::uint32_t t, int count, const float* levels,
                       Sound sound, WideFrame* dry, WideFrame* send)
{
    for (int i = 0; i < count; ++i, ++t)
    {
        const float level = levels[i];
        const StereoFrame frame = ApplyPanGains(sound(i, t, level), setup.pan);
        dry[i].left += frame.left;
        dry[i].right += frame.right;
        send[i].left += TruncateSample(static_cast<float>(frame.left) * setup.send);
        send[i].right += TruncateSample(static_cast<float>(frame.right) * setup.send);
    }
}
} // namespace

int MixVoiceBlock(Voice& voice, int frameCount, WideFrame* dry, WideFrame* send)
{
    const VoiceSetup setup = SetUpVoice(voice);
    const std::uint32_t start = voice.position;
    // Up to the voice's end; a voice at or past it (a length that wraps past 2^32 puts the end
    // before the start) still renders the frame it is at.
    const std::uint32_t length = VoiceLength(voice);
    const int frames = static_cast<int>(std::min<std::uint32_t>(
        static_cast<std::uint32_t>(frameCount), start < length ? length - start : 1));
    voice.position += static_cast<std::uint32_t>(frames);
    // The delay adds nothing to the sums.
    const int silent = static_cast<int>(std::min<std::uint32_t>(
        start < setup.delay ? setup.delay - start : 0, static_cast<std::uint32_t>(frames)));
    const std::uint32_t t = start + static_cast<std::uint32_t>(silent) - setup.delay;
    const int sounding = frames - silent;
    // The envelope's levels over the block, worked out first: the frames' own loop then has
    // no branch, and the compiler may run it several frames at once. The envelope's parts
    // follow one another as t grows, so when the first and the last frame both hold at full
    // level, every frame between does too, and the level is the volume.
    float levels[MaxBlockLength];
    const std::uint32_t last = t + static_cast<std::uint32_t>(sounding - 1);
    if (sounding > 0 && Holds(setup, static_cast<float>(t)) &&
        Holds(setup, static_cast<float>(last)))
    {
        std::fill_n(levels, sounding, setup.volume);
    }
    else
    {
        for (int i = 0; i < sounding; ++i)
        {
            levels[i] = Envelope(setup, static_cast<float>(t + static_cast<std::uint32_t>(i))) *
                        setup.volume;
        }
    }
    if (setup.sample != nullptr)
    {
        // Past the sample's end the voice is silent.
        const int audible = static_cast<int>(
            std::min<std::uint32_t>(static_cast<std::uint32_t>(sounding),
                                    t < setup.sampleLength ? setup.sampleLength - t : 0));
        const StereoFrame* source = audible > 0 ? setup.sample + t : setup.sample;
        const auto sampleFrame = [source](int i, std::uint32_t, float level) -> StereoFrame
        {
            return {TruncateSample(static_cast<float>(source[i].left) * level),
                    TruncateSample(static_cast<float>(source[i].right) * level)};
        };
        MixSoundingFrames(setup, t, audible, levels, sampleFrame, dry + silent, send + silent);
    }
    else if (voice.sound == SoundSquare)
    {
        // A level of 0 or below is silence.
        const auto squareFrame = [setup](int, std::uint32_t at, float level) -> StereoFrame
        {
            const bool low = SquareIsLow(setup.hertz, setup.delay + at);
            const std::int16_t wave = level > 0.0f ? SquareValue(low, level) : 0;
            return {wave, wave};
        };
        MixSoundingFrames(setup, t, sounding, levels, squareFrame, dry + silent, send + silent);
    }
    return frames; // any other number is silent
}
