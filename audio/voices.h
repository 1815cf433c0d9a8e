// The 128 voices of the mixer: their records, how they start, and how a voice renders its frames.
#pragma once

#include "audio/frames.h"
#include "audio/sounds.h"

#include <cstdint>

constexpr int MaxVoices = 128;             // effect voices 0..63, music voices 64..127
constexpr int EffectVoices = 64;           // started by the game's sound requests
constexpr int FirstMusicVoice = 64;        // started by the music on the audio thread
constexpr std::uint32_t GridLength = 3307; // frames between two points of the start grid
constexpr int NoteCount = 24;              // entries of NoteFrequencies
constexpr int MaxBlockLength = 512;        // frames of the longest block MixVoiceBlock mixes

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
    float pan;              // stereo position for PanLaw, positive louder on the left
    std::int32_t sound;     // a sound number (sounds.h): SoundSquare, or a sample of the bank
    std::uint8_t align;     // 1: AlignVoiceStart moves the start onto the grid
};

// Voice records. An effect voice's record (0..63) is written by the main thread only while
// the voice is neither taken by a request (EffectVoiceTaken) nor sounding; everything else is
// the audio thread's. Tests read the fields of a voice that a sound request has filled, e.g.
// Voices[n].sound, .pan, .volume.
extern Voice Voices[MaxVoices];
// Set exactly while the voice is mixed. Audio thread only (tests: the thread that mixes).
extern bool VoiceSounding[MaxVoices];
// Pitches 220..415 Hz and 440..831 Hz in semitones, entry 12 = 440 Hz. Built at start-up.
extern float NoteFrequencies[NoteCount];
// Frames produced since the audio started, 0..2^32-1 with wrap. Audio thread only.
extern std::uint32_t SampleClock;

// Clears every voice record and sounding flag and sets SampleClock to 0. Start-up and tests.
void InitVoices();

// base to the integer power exponent by repeated squaring in single precision; a negative
// exponent gives the reciprocal of the positive power.
float IntegerPower(float base, int exponent);

// Fills NoteFrequencies: entry k is 440 * r^(k - 12) with r = 2^(1/12) in single precision.
void BuildNoteFrequencies();

// Fills a voice record from its start: position 0, the given envelope and delay, align set,
// pan = (Rand() % 16) / 128 - panOffset. A sample (FirstSampleSound and up) takes its length
// from the bank as sustain with no attack and no release; a number past the bank has length 0.
// Then volume is boosted by 1.5 + (Rand() % 1024) * 0.0001. Two draws, the pan's first. Does
// not switch the voice on. Main thread for effect voices, audio thread for music voices.
void StartVoice(Voice& voice, int sound, float frequency, float volume, float send, float panOffset,
                std::uint32_t attack, std::uint32_t sustain, std::uint32_t release,
                std::uint32_t delay);

// When align is set and the voice's start (delay + SampleClock) is off the 3307-frame grid,
// delays it to the next grid point and softens it to 0.75 unless that point's index is a
// multiple of 4. A start on the grid keeps its delay and volume. Audio thread.
void AlignVoiceStart(Voice& voice);

// The voice's whole length: delay + attack + sustain + release, wrapping in 32 bits.
std::uint32_t VoiceLength(const Voice& voice);

// The pan law for pan p: p is clamped to -1..1; inside -0.05 < p < 0.05 the frame stays as it
// is (both gains 1), otherwise left is scaled by 0.6 + 0.4 * (1 + p) and right by
// 0.6 + 0.4 * (1 - p). Not a number gives gains that are not numbers, heard as silence.
struct PanGains
{
    float left;  // 0.6..1.4, or 1 in the centre
    float right; // 0.6..1.4, or 1 in the centre
};
PanGains PanLaw(float pan);

// The frame scaled by the pan law's gains, each product truncated with TruncateSample. Gains
// of 1 leave every 16-bit value as it is.
StereoFrame ApplyPanGains(StereoFrame frame, const PanGains& gains);

// The oscillator's whole hertz as the square wave's phase counts them: 0 below 1 Hz and for
// not a number, at most 2^32 - 1.
std::uint32_t WholeHertz(float frequency);

// Whether the square wave of wholeHertz is in the first, low half of its period at position:
// the phase is (wholeHertz * position, wrapping in 32 bits, modulo SampleRate) / SampleRate,
// and it is below one half exactly when that count is below SampleRate / 2.
bool SquareIsLow(std::uint32_t wholeHertz, std::uint32_t position);

// The square wave's value at level in the low or the high half of its period:
// trunc(-16383 * level) or trunc(16383 * level), saturated.
std::int16_t SquareValue(bool low, float level);

// Mixes the voice's next frames, at most frameCount (1..MaxBlockLength), into the sums dry and
// send. Frame by frame the voice's rule is: silence while the delay runs, then the sample frame or
// the square wave scaled by envelope * volume, panned by PanLaw. The envelope rises from 0 over
// attack, holds 1 over sustain, falls over release, then stays 0, counted in single precision.
// A sample frame past the sample's length, or a synthesized number other than SoundSquare, is
// silent; so is a square wave whose level is 0 or below. Rendered frame f is added to dry[i]
// and trunc(f * voice.send) per channel to send[i], both products saturated. Advances the
// voice and stops after the frame in which its position reaches VoiceLength (always rendering
// at least one frame); returns the frames rendered, which is frameCount unless the voice
// ended. Audio thread.
int MixVoiceBlock(Voice& voice, int frameCount, WideFrame* dry, WideFrame* send);
