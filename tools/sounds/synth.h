// The sound generator's synthesiser: layers of oscillators and filtered noise with
// envelopes and pitch glides, summed into a two-channel buffer and finished for encoding.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

constexpr int SynthRate = 44100; // frames per second of every buffer

// Two channels of float samples, nominally -1..1, both the same length.
struct SoundBuffer
{
    std::vector<float> left;
    std::vector<float> right;
};

enum class Wave
{
    Sine,
    Triangle,
    Square, // band-limited: odd harmonics below 16 kHz, at most the 15th
    Noise,  // white noise, usually shaped by the layer's filter
};

enum class Filter
{
    None,
    LowPass,
    HighPass,
    BandPass, // unity gain at the centre
};

// One voice of a sound. The level at time t after the layer's start is
// level x attack ramp x exp(-t / decay), with a 5 ms fade at the layer's end so that a
// layer cut short does not click. Fields are in the order a recipe writes them.
struct Layer
{
    Wave wave = Wave::Sine;
    float start = 0.0f;    // s after the sound begins, 0..sound length
    float length = 10.0f;  // s the layer lasts; the sound's end cuts it anyway
    float freq = 440.0f;   // Hz at the layer's start; for noise the filter's corner
    float freqEnd = 0.0f;  // Hz the pitch glides towards; 0 holds freq
    float glide = 0.05f;   // s time constant of the glide, > 0
    float level = 1.0f;    // linear gain before the whole sound is normalised
    float attack = 0.001f; // s of the rising ramp; shorter ramps are made 1 ms
    float decay = 0.0f;    // s time constant of the fall; 0 holds the level
    Filter filter = Filter::None;
    float cutoff = 0.0f;    // Hz of the filter; 0 follows the layer's frequency
    float resonance = 0.7f; // filter Q, 0.5..10
    float pan = 0.0f;       // -1 left .. 1 right; keep within +-0.5 so both sides carry it
    float width = 0.0f;     // 0..1 share of noise that differs between the channels
    float detune = 0.0f;    // cents the right channel's pitch sits above the left's
};

// A small xorshift generator: the generator's own noise, seeded per layer so that every
// run writes the same sounds.
struct NoiseSource
{
    uint32_t state; // never 0
};

// Starts a stream from seed; a seed of 0 is replaced by a fixed non-zero one.
NoiseSource MakeNoise(uint32_t seed);
// Next value of the stream, uniform in -1..1.
float NextNoise(NoiseSource& noise);

// A silent buffer of seconds x SynthRate frames (at least one frame).
SoundBuffer MakeSilence(float seconds);

// Adds one layer into the buffer; seed picks its noise streams. Parts past the buffer's
// end are dropped.
void AddLayer(SoundBuffer& sound, const Layer& layer, uint32_t seed);

// Removes any constant offset with a gentle 20 Hz high-pass on both channels.
void RemoveDc(SoundBuffer& sound);

// Ramps the first fadeIn and the last fadeOut seconds with a raised cosine, so the
// sound starts and ends on exact zero. Fades longer than the buffer are shortened.
void FadeEdges(SoundBuffer& sound, float fadeIn, float fadeOut);

// Largest absolute sample of either channel; 0 for silence.
float PeakOf(const SoundBuffer& sound);

// Multiplies both channels by gain.
void ScaleSound(SoundBuffer& sound, float gain);

// Puts seconds of silence before the sound.
void PadFront(SoundBuffer& sound, float seconds);

// Renders layers into a buffer of seconds, then removes the offset and fades the edges.
// Layer i draws its noise from seed + i, so equal inputs give equal buffers.
SoundBuffer RenderLayers(float seconds, std::span<const Layer> layers, uint32_t seed);
