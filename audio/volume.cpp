// The output's volume: a gain per level, handed to the audio thread through an atomic.
#include "audio/volume.h"

#include <cmath>

std::atomic<int> OutputGain{UnityGain};
std::atomic<bool> SoundHeld{false};

int VolumeGain(int volume)
{
    if (volume >= MaxVolume)
    {
        return UnityGain;
    }
    if (volume <= 0)
    {
        return 0;
    }
    const double decibels = -static_cast<double>(VolumeStepDb * (MaxVolume - volume));
    return static_cast<int>(std::lround(UnityGain * std::pow(10.0, decibels / 20.0)));
}

void SetOutputVolume(int volume, bool muted)
{
    OutputGain.store(muted ? 0 : VolumeGain(volume), std::memory_order_relaxed);
}

void InitVolume()
{
    OutputGain.store(UnityGain, std::memory_order_relaxed);
    SoundHeld.store(false, std::memory_order_relaxed);
}

void ApplyOutputGain(StereoFrame* frames, int count)
{
    const std::int64_t gain = OutputGain.load(std::memory_order_relaxed);
    if (gain == UnityGain)
    {
        return; // the game's sound as it always was
    }
    for (int n = 0; n < count; ++n)
    {
        frames[n].left = static_cast<std::int16_t>(frames[n].left * gain / UnityGain);
        frames[n].right = static_cast<std::int16_t>(frames[n].right * gain / UnityGain);
    }
}
