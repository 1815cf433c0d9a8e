// The 128 voices of the mixer: their records, how they start, and how one voice renders a frame.
#pragma once

#include <cmath>
#include <cstdint>

constexpr int MaxVoices = 128;             // effect voices 0..63, music voices 64..127
constexpr int EffectVoices = 64;           // started by the game's sound requests
constexpr int FirstMusicVoice = 64;        // started by the music on the audio thread
constexpr int SampleRate = 44100;          // output frames per second
constexpr std::uint32_t GridLength = 3307; // frames between two points of the start grid
constexpr int FirstSampleSound = 17;       // sound numbers 17 and up are samples of the bank
constexpr int SoundSquare = 9;             // the one synthesized sound: a square wave
constexpr int NoteCount = 24;              // entries of NoteFrequencies

// One output frame. Sums and products of frames never wrap: they saturate at the 16-bit limits.
struct StereoFrame
{
    std::int16_t left;  // -32768..32767
    std::int16_t right; // -32768..32767
};
static_assert(sizeof(StereoFrame) == 4, "a frame is two 16-bit values, left first");

// A sum of frames before it is saturated into a StereoFrame.
struct WideFrame
{
    std::int32_t left;  // any sum of up to a few hundred 16-bit values
    std::int32_t right; // likewise
};

// One sounding voice. It ends when position reaches delay + attack + sustain + release.
struct Voice
{
    std::uint32_t position; // frames rendered since the start, the delay included
    std::uint32_t delay;    // frames of silence before the sound begins
    std::uint32_t attack;   // frames of the rising ramp
    std::uint32_t sustain;  // frames at full level; a sample's length in frames
    std::uint32_t release;  // frames of the falling ramp
    float frequency;        // Hz of the square wave; 0 for samples
    float volume;           // linear gain, after the random boost and the grid softening
    float send;             // gain of the voice's share fed into the echo
    float pan;              // stereo position for ApplyPan, positive louder on the left
    std::int32_t sound;     // 17 and up: sample sound - 17 of the bank; below 17 synthesized
    std::uint8_t align;     // 1: AlignVoiceStart moves the start onto the grid
};

// Voice records. An effect voice's record (0..63) is written by the main thread only while
// the voice is neither busy nor active; everything else is the audio thread's. Tests read
// the fields of a voice that a sound request has filled, e.g. Voices[n].sound, .pan, .volume.
extern Voice Voices[MaxVoices];
// Set exactly while the voice is mixed. Audio thread only (tests: the thread that mixes).
extern bool VoiceActive[MaxVoices];
// Pitches 220..415 Hz and 440..831 Hz in semitones, entry 12 = 440 Hz. Built at start-up.
extern float NoteFrequencies[NoteCount];
// Frames produced since the audio started, 0..2^32-1 with wrap. Audio thread only.
extern std::uint32_t SampleClock;

// Clears every voice record and active flag and sets SampleClock to 0. Start-up and tests.
void InitVoices();

// base to the integer power exponent by repeated squaring in single precision; a negative
// exponent gives the reciprocal of the positive power.
float IntegerPower(float base, int exponent);

// Fills NoteFrequencies: entry k is 440 * r^(k - 12) with r = 2^(1/12) in single precision.
void BuildNoteFrequencies();

// Truncates toward zero into the 16-bit range, saturating outside it; not-a-number gives 0.
inline std::int16_t TruncateSample(float value)
{
    if (value >= 32767.0f)
    {
        return 32767;
    }
    if (value <= -32768.0f)
    {
        return -32768;
    }
    if (std::isnan(value))
    {
        return 0; // not a number: a broken gain is heard as silence
    }
    return static_cast<std::int16_t>(value);
}

// Saturates a 32-bit sum into the 16-bit range.
inline std::int16_t SaturateSample(std::int32_t value)
{
    if (value > 32767)
    {
        return 32767;
    }
    if (value < -32768)
    {
        return -32768;
    }
    return static_cast<std::int16_t>(value);
}

// Fills a voice record from its start: position 0, the given envelope and delay, align set,
// pan = (Rand() % 16) / 128 - panOffset. A sample (sound 17 and up) takes its length from the
// bank as sustain with no attack and no release; a number past the bank has length 0. Then
// volume is boosted by 1.5 + (Rand() % 1024) * 0.0001. Two draws, the pan's first. Does not
// switch the voice on. Main thread for effect voices, audio thread for music voices.
void StartVoice(Voice& voice, int sound, float frequency, float volume, float send, float panOffset,
                std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
                std::uint32_t delay);

// When align is set and the voice's start (delay + SampleClock) is off the 3307-frame grid,
// delays it to the next grid point and softens it to 0.75 unless that point's index is a
// multiple of 4. A start on the grid keeps its delay and volume. Audio thread.
void AlignVoiceStart(Voice& voice);

// The voice's whole length: delay + attack + sustain + release, wrapping in 32 bits.
std::uint32_t VoiceLength(const Voice& voice);

// The envelope level 0..1 at the voice's position: a ramp up over attack, level 1 over
// sustain, a ramp down over release, then 0, all counted in single precision. Position must
// not be below the delay.
inline float VoiceEnvelope(const Voice& voice)
{
    const float t = static_cast<float>(voice.position - voice.delay);
    const float attack = static_cast<float>(voice.attack);
    const float sustain = static_cast<float>(voice.sustain);
    const float release = static_cast<float>(voice.release);
    if (t < attack)
    {
        return t / attack;
    }
    if (t - attack < sustain)
    {
        return 1.0f;
    }
    if (t - attack - sustain < release)
    {
        return 1.0f - (t - attack - sustain) / release;
    }
    return 0.0f;
}

// The pan law for pan p: p is clamped to -1..1; inside -0.05 < p < 0.05 the frame stays as it
// is (panned false), otherwise left is scaled by 0.6 + 0.4 * (1 + p) and right by
// 0.6 + 0.4 * (1 - p). Not a number gives gains that are not numbers, heard as silence.
struct PanGains
{
    bool panned; // false: the frame passes unchanged
    float left;  // 0.6..1.4 when panned
    float right; // 0.6..1.4 when panned
};
PanGains PanLaw(float pan);

// The frame scaled by the pan law's gains, each product truncated; unchanged when not panned.
inline StereoFrame ApplyPanGains(StereoFrame frame, const PanGains& gains)
{
    if (!gains.panned)
    {
        return frame;
    }
    return {TruncateSample(static_cast<float>(frame.left) * gains.left),
            TruncateSample(static_cast<float>(frame.right) * gains.right)};
}

// The frame panned by PanLaw(pan).
StereoFrame ApplyPan(StereoFrame frame, float pan);

// The oscillator's whole hertz as the square wave's phase counts them: 0 below 1 Hz and for
// not a number, at most 2^32 - 1.
std::uint32_t WholeHertz(float frequency);

// Whether the square wave of wholeHertz is in the first, low half of its period at position:
// the phase is (wholeHertz * position, wrapping in 32 bits, modulo SampleRate) / SampleRate,
// and it is below one half exactly when that count is below SampleRate / 2.
inline bool SquareIsLow(std::uint32_t wholeHertz, std::uint32_t position)
{
    return wholeHertz * position % SampleRate < SampleRate / 2;
}

// The square wave's value at level in the low or the high half of its period:
// trunc(-16383 * level) or trunc(16383 * level), saturated.
inline std::int16_t SquareValue(bool low, float level)
{
    return TruncateSample(low ? level * -16383.0f : level * 16383.0f);
}

// One value of the square wave at the voice's position and frequency, scaled by level.
std::int16_t SquareWave(const Voice& voice, float level);

// Renders the voice's next frame and advances it one frame: silence while the delay runs,
// then the sample frame or square wave at envelope * volume, panned. A sample frame past the
// sample's length, or a synthesized number other than the square wave, is silent. Audio thread.
StereoFrame RenderVoice(Voice& voice);
