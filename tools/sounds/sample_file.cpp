// Renders each recipe and fits its level so that the decoded file peaks just below -1 dBFS.
#include "tools/sounds/sample_file.h"

#include <cmath>

namespace
{

constexpr int LevelTries = 31;        // encodes per file before the fit gives up
constexpr float LevelStepDb = 0.1f;   // gain step between tries, so 31 tries span +-1.5 dB
constexpr uint32_t SeedStride = 1000; // noise seeds of neighbouring recipes never meet
// s of silence before every sound: the encoder smears an attack over a short block,
// and this lets the smear fade in from zero instead of starting the file mid-step.
constexpr float LeadIn = 0.005f;
constexpr float AimPeak = 0.5f * (TargetPeak + LowestPeak); // middle of the accepted band

// Encodes the sound at gain into file and measures the decoded peak, 0..1. False when
// the encoder fails or the result is not two-channel at SynthRate.
bool EncodeAtGain(const SoundBuffer& sound, int index, float gain, SampleFile& file, float& peak)
{
    SoundBuffer scaled = sound;
    ScaleSound(scaled, gain);
    if (!EncodeOgg(scaled, SampleQuality, index + 1, file.bytes) ||
        !DecodeOgg(file.bytes, file.decoded) || file.decoded.channels != 2 ||
        file.decoded.rate != SynthRate)
    {
        return false;
    }
    peak = DecodedPeak(file.decoded);
    return true;
}

} // namespace

const SoundRecipe* FindRecipe(int index)
{
    if (index < 0 || index >= SampleCount)
    {
        return nullptr;
    }
    return index < DrumCount ? &DrumRecipes[index] : &EffectRecipes[index - DrumCount];
}

SoundBuffer RenderSample(int index)
{
    const SoundRecipe* recipe = FindRecipe(index);
    if (recipe == nullptr)
    {
        return MakeSilence(0.0f);
    }
    SoundBuffer sound = RenderLayers(recipe->seconds, recipe->layers,
                                     static_cast<uint32_t>(index + 1) * SeedStride);
    PadFront(sound, LeadIn);
    return sound;
}

bool MakeSampleFile(int index, SampleFile& file)
{
    file = SampleFile{};
    if (FindRecipe(index) == nullptr)
    {
        return false;
    }
    const SoundBuffer sound = RenderSample(index);
    const float rawPeak = PeakOf(sound);
    if (rawPeak <= 0.0f)
    {
        return false; // nothing to level
    }
    // One trial encode tells how far the encoder moves this sound's peak (high noise
    // loses up to a few dB). The decoded peak follows the gain only roughly after that,
    // since the encoder's choices move with it, so walk outward from the corrected gain
    // in small steps, alternately louder and softer, and keep the first that fits.
    float peak = 0.0f;
    if (!EncodeAtGain(sound, index, AimPeak / rawPeak, file, peak) || peak <= 0.0f)
    {
        return false;
    }
    const float baseGain = AimPeak / rawPeak * AimPeak / peak;
    for (int attempt = 0; attempt < LevelTries; ++attempt)
    {
        const int stepsAway = (attempt + 1) / 2;
        const float offset = (attempt % 2 == 1 ? 1.0f : -1.0f) * stepsAway * LevelStepDb;
        if (!EncodeAtGain(sound, index, baseGain * std::pow(10.0f, offset / 20.0f), file, peak))
        {
            return false;
        }
        if (peak >= LowestPeak && peak <= TargetPeak)
        {
            return true;
        }
    }
    return false;
}
