// The sound generator's synthesiser: oscillators, noise, filters and envelopes.
#include "tools/sounds/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

constexpr float TwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float MinAttack = 0.001f;     // s, the shortest ramp that does not click
constexpr float LayerRelease = 0.005f;  // s of fade at a layer's end
constexpr float DcCorner = 20.0f;       // Hz of the offset-removing high-pass
constexpr float SquareLimit = 16000.0f; // Hz, highest harmonic a square wave keeps

// State-variable filter in trapezoidal form, stable while its corner moves every frame.
struct FilterState
{
    float low = 0.0f; // integrator states, signal units
    float band = 0.0f;
};

float RunFilter(FilterState& state, Filter kind, float corner, float resonance, float input)
{
    const float g = std::tan(std::numbers::pi_v<float> *
                             std::clamp(corner, 10.0f, 0.45f * SynthRate) / SynthRate);
    const float k = 1.0f / std::max(resonance, 0.5f);
    const float a1 = 1.0f / (1.0f + g * (g + k));
    const float a2 = g * a1;
    const float a3 = g * a2;
    const float v3 = input - state.low;
    const float band = a1 * state.band + a2 * v3;
    const float low = state.low + a2 * state.band + a3 * v3;
    state.band = 2.0f * band - state.band;
    state.low = 2.0f * low - state.low;
    switch (kind)
    {
        case Filter::LowPass:
            return low;
        case Filter::HighPass:
            return input - k * band - low;
        case Filter::BandPass:
            return k * band;
        case Filter::None:
            break;
    }
    return input;
}

// One period of the wave at phase 0..1.
float Oscillate(Wave wave, float phase, float freq)
{
    switch (wave)
    {
        case Wave::Sine:
            return std::sin(TwoPi * phase);
        case Wave::Triangle:
            return 1.0f - 4.0f * std::fabs(phase - 0.5f);
        case Wave::Square:
        {
            float sum = 0.0f;
            for (int harmonic = 1; harmonic <= 15 && harmonic * freq < SquareLimit; harmonic += 2)
            {
                sum += std::sin(TwoPi * phase * harmonic) / harmonic;
            }
            return sum * (4.0f / std::numbers::pi_v<float>);
        }
        case Wave::Noise:
            break;
    }
    return 0.0f;
}

float Envelope(const Layer& layer, float t)
{
    const float attack = std::max(layer.attack, MinAttack);
    float level = layer.level;
    if (t < attack)
    {
        level *= 0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * t / attack);
    }
    if (layer.decay > 0.0f)
    {
        level *= std::exp(-t / layer.decay);
    }
    const float left = layer.length - t;
    if (left < LayerRelease)
    {
        level *=
            0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * std::max(left, 0.0f) / LayerRelease);
    }
    return level;
}

float Wrap(float phase)
{
    return phase - std::floor(phase);
}

} // namespace

NoiseSource MakeNoise(uint32_t seed)
{
    return NoiseSource{seed != 0 ? seed : 0x6d2b79f5u};
}

float NextNoise(NoiseSource& noise)
{
    uint32_t x = noise.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise.state = x;
    return static_cast<float>(x >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

SoundBuffer MakeSilence(float seconds)
{
    const size_t frames = static_cast<size_t>(std::max(1.0f, std::round(seconds * SynthRate)));
    return SoundBuffer{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
}

void AddLayer(SoundBuffer& sound, const Layer& layer, uint32_t seed)
{
    const size_t frames = sound.left.size();
    const size_t first = static_cast<size_t>(std::max(0.0f, layer.start * SynthRate));
    const size_t count = static_cast<size_t>(std::max(0.0f, layer.length * SynthRate));
    const size_t last = std::min(frames, first + count);
    const float detune = std::exp2(layer.detune / 1200.0f);
    const float gainLeft = std::sqrt(1.0f - std::clamp(layer.pan, -1.0f, 1.0f));
    const float gainRight = std::sqrt(1.0f + std::clamp(layer.pan, -1.0f, 1.0f));
    const float shared = std::sqrt(1.0f - std::clamp(layer.width, 0.0f, 1.0f));
    const float own = std::sqrt(std::clamp(layer.width, 0.0f, 1.0f));
    NoiseSource common = MakeNoise(seed * 2654435761u + 1u);
    NoiseSource leftNoise = MakeNoise(seed * 2246822519u + 2u);
    NoiseSource rightNoise = MakeNoise(seed * 3266489917u + 3u);
    FilterState leftFilter;
    FilterState rightFilter;
    float leftPhase = 0.0f;
    float rightPhase = 0.0f;
    for (size_t frame = first; frame < last; ++frame)
    {
        const float t = static_cast<float>(frame - first) / SynthRate;
        float freq = layer.freq;
        if (layer.freqEnd > 0.0f)
        {
            freq = layer.freqEnd + (layer.freq - layer.freqEnd) * std::exp(-t / layer.glide);
        }
        float left;
        float right;
        if (layer.wave == Wave::Noise)
        {
            const float base = shared * NextNoise(common);
            left = base + own * NextNoise(leftNoise);
            right = base + own * NextNoise(rightNoise);
        }
        else
        {
            left = Oscillate(layer.wave, leftPhase, freq);
            right = Oscillate(layer.wave, rightPhase, freq * detune);
            leftPhase = Wrap(leftPhase + freq / SynthRate);
            rightPhase = Wrap(rightPhase + freq * detune / SynthRate);
        }
        if (layer.filter != Filter::None)
        {
            const float corner = layer.cutoff > 0.0f ? layer.cutoff : freq;
            left = RunFilter(leftFilter, layer.filter, corner, layer.resonance, left);
            right = RunFilter(rightFilter, layer.filter, corner, layer.resonance, right);
        }
        const float level = Envelope(layer, t);
        sound.left[frame] += left * level * gainLeft;
        sound.right[frame] += right * level * gainRight;
    }
}

void RemoveDc(SoundBuffer& sound)
{
    const float pole = 1.0f - TwoPi * DcCorner / SynthRate;
    for (std::vector<float>* channel : {&sound.left, &sound.right})
    {
        float lastIn = 0.0f;
        float lastOut = 0.0f;
        for (float& sample : *channel)
        {
            lastOut = sample - lastIn + pole * lastOut;
            lastIn = sample;
            sample = lastOut;
        }
    }
}

void FadeEdges(SoundBuffer& sound, float fadeIn, float fadeOut)
{
    const size_t frames = sound.left.size();
    const size_t inFrames = std::min(frames, static_cast<size_t>(fadeIn * SynthRate));
    const size_t outFrames = std::min(frames, static_cast<size_t>(fadeOut * SynthRate));
    for (size_t i = 0; i < inFrames; ++i)
    {
        const float gain =
            0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * static_cast<float>(i) / inFrames);
        sound.left[i] *= gain;
        sound.right[i] *= gain;
    }
    for (size_t i = 0; i < outFrames; ++i)
    {
        // i counts back from the last frame, which lands on exact zero.
        const float gain =
            0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * static_cast<float>(i) / outFrames);
        sound.left[frames - 1 - i] *= gain;
        sound.right[frames - 1 - i] *= gain;
    }
}

float PeakOf(const SoundBuffer& sound)
{
    float peak = 0.0f;
    for (const std::vector<float>* channel : {&sound.left, &sound.right})
    {
        for (float sample : *channel)
        {
            peak = std::max(peak, std::fabs(sample));
        }
    }
    return peak;
}

void ScaleSound(SoundBuffer& sound, float gain)
{
    for (std::vector<float>* channel : {&sound.left, &sound.right})
    {
        for (float& sample : *channel)
        {
            sample *= gain;
        }
    }
}

SoundBuffer RenderLayers(float seconds, std::span<const Layer> layers, uint32_t seed)
{
    SoundBuffer sound = MakeSilence(seconds);
    for (size_t i = 0; i < layers.size(); ++i)
    {
        AddLayer(sound, layers[i], seed + static_cast<uint32_t>(i));
    }
    RemoveDc(sound);
    const float fadeOut = std::min(0.03f, 0.2f * seconds);
    FadeEdges(sound, 0.001f, fadeOut);
    return sound;
}

void PadFront(SoundBuffer& sound, float seconds)
{
    const size_t frames = static_cast<size_t>(std::max(0.0f, std::round(seconds * SynthRate)));
    sound.left.insert(sound.left.begin(), frames, 0.0f);
    sound.right.insert(sound.right.begin(), frames, 0.0f);
}
