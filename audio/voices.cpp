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
        return {false, 1.0f, 1.0f}; // centred: untouched
    }
    return {true, 0.6f + 0.4f * (1.0f + pan), 0.6f + 0.4f * (1.0f - pan)};
}

StereoFrame ApplyPanGains(StereoFrame frame, const PanGains& gains)
{
    if (!gains.panned)
    {
        return frame;
    }
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
    bool square;                // the square wave, at hertz
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
                        voice.sound == SoundSquare,
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

// A frame of the voice as it goes into the sums: panned, and its share for the echo.
struct MixedFrame
{
    WideFrame dry;  // added to the dry sum, -32768..32767 a channel
    WideFrame send; // added to the echo's send, -32768..32767 a channel
};

inline MixedFrame MixFrame(const VoiceSetup& setup, StereoFrame frame)
{
    if (setup.pan.panned)
    {
        frame = {TruncateSample(static_cast<float>(frame.left) * setup.pan.left),
                 TruncateSample(static_cast<float>(frame.right) * setup.pan.right)};
    }
    return {{frame.left, frame.right},
            {TruncateSample(static_cast<float>(frame.left) * setup.send),
             TruncateSample(static_cast<float>(frame.right) * setup.send)}};
}

inline void AddMixedFrame(const MixedFrame& mixed, WideFrame& dry, WideFrame& send)
{
    dry.left += mixed.dry.left;
    dry.right += mixed.dry.right;
    send.left += mixed.send.left;
    send.right += mixed.send.right;
}
} // namespace

int MixVoiceBlock(Voice& voice, int frameCount, WideFrame* dry, WideFrame* send)
{
    const VoiceSetup setup = SetUpVoice(voice);
    std::uint32_t position = voice.position;
    // Up to the voice's end; a voice at or past it (a length that wraps past 2^32 puts the end
    // before the start) still renders the frame it is at.
    const std::uint32_t length = VoiceLength(voice);
    const int frames = static_cast<int>(std::min<std::uint32_t>(
        static_cast<std::uint32_t>(frameCount), position < length ? length - position : 1));
    int done = 0;
    if (position < setup.delay)
    {
        // The delay adds nothing to the sums.
        const std::uint32_t silent =
            std::min(setup.delay - position, static_cast<std::uint32_t>(frames));
        position += silent;
        done += static_cast<int>(silent);
    }
    // A square wave gives one of two frames, one for each half of its period, as long as its
    // level stays the same: each is worked out again only when the level has changed.
    MixedFrame halves[2] = {};
    float halfLevels[2] = {NAN, NAN}; // the level each half was worked out at; none yet
    for (; done < frames; ++done, ++position)
    {
        const std::uint32_t t = position - setup.delay;
        const float level = Envelope(setup, static_cast<float>(t)) * setup.volume;
        if (t < setup.sampleLength)
        {
            const StereoFrame source = setup.sample[t];
            const StereoFrame frame = {TruncateSample(static_cast<float>(source.left) * level),
                                       TruncateSample(static_cast<float>(source.right) * level)};
            AddMixedFrame(MixFrame(setup, frame), dry[done], send[done]);
        }
        else if (setup.square)
        {
            const bool low = SquareIsLow(setup.hertz, position);
            if (!(halfLevels[low] == level))
            {
                const std::int16_t wave = level > 0.0f ? SquareValue(low, level) : 0;
                halves[low] = MixFrame(setup, {wave, wave});
                halfLevels[low] = level;
            }
            AddMixedFrame(halves[low], dry[done], send[done]);
        }
        // Past the sample's end, and for no such sound, silence adds nothing.
    }
    voice.position = position;
    return frames;
}
