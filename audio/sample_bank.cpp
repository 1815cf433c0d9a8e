// The sample bank: decoding the Ogg files on a loader thread, and freeing them at shutdown.
#include "audio/sample_bank.h"

#include "platform/thread.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

const char* const SampleNames[SampleCount] = {
    "drum0", "drum1", "drum2", "drum3", "drum4", "drum5", "drum6",  "drum7",
    "drum8", "drum9", "drumA", "drumB", "drumC", "drumD", "drumE",  "drumF",
    "ball",  "end",   "push",  "score", "start", "step",  "rotate", "swap",
};

Sample SampleBank[SampleCount];
std::atomic<bool> SamplesLoaded;
Lock LoaderLock;
bool LoaderStopRequest;

namespace
{
std::thread LoaderThread;      // joinable from StartSampleLoader until ReleaseAudio
const char* LoaderFolder = ""; // folder the loader reads, set before the thread starts

void FreeSamples()
{
    for (Sample& sample : SampleBank)
    {
        std::free(sample.frames);
        sample = {0, nullptr};
    }
}

// Loader thread: one file after another, stopping between two files when asked.
void LoadAllSamples()
{
    for (int i = 0; i < SampleCount; ++i)
    {
        LoaderLock.Enter();
        const bool stop = LoaderStopRequest;
        LoaderLock.Leave();
        if (stop)
        {
            break; // shutdown: the remaining entries stay empty
        }
        SampleBank[i] = LoadSample(LoaderFolder, SampleNames[i]);
    }
    SamplesLoaded.store(true, std::memory_order_release);
}
} // namespace

void InitSampleBank()
{
    FreeSamples();
    SamplesLoaded.store(false, std::memory_order_relaxed);
    LoaderStopRequest = false;
}

std::int32_t SampleLength(int index)
{
    if (index < 0 || index >= SampleCount)
    {
        return 0; // not a sample of the bank: silent, of no length
    }
    return SampleBank[index].length;
}

Sample LoadSample(const char* folder, const char* name)
{
    char path[1024];
    const int pathLength = std::snprintf(path, sizeof(path), "%s/%s.ogg", folder, name);
    if (pathLength < 0 || pathLength >= static_cast<int>(sizeof(path)))
    {
        return {0, nullptr}; // path too long to name a file
    }
    int channels = 0;
    int rate = 0;
    short* decoded = nullptr;
    const int length = stb_vorbis_decode_filename(path, &channels, &rate, &decoded);
    if (length < 1 || channels < 1 || decoded == nullptr)
    {
        std::free(decoded);
        return {0, nullptr}; // missing, undecodable or empty
    }
    auto* frames = static_cast<StereoFrame*>(std::calloc(length, sizeof(StereoFrame)));
    if (frames == nullptr)
    {
        std::free(decoded);
        return {0, nullptr}; // out of memory: the sound stays silent
    }
    const int rightChannel = channels >= 2 ? 1 : 0;
    for (int k = 0; k < length; ++k)
    {
        const short* values = decoded + static_cast<long>(k) * channels;
        frames[k] = {values[0], values[rightChannel]};
    }
    std::free(decoded);
    return {length, frames};
}

void StartSampleLoader(const char* folder)
{
    if (LoaderThread.joinable())
    {
        return; // already started: one loader per run
    }
    LoaderFolder = folder;
    LoaderThread = StartThread(LoadAllSamples);
}

void ReleaseAudio()
{
    LoaderLock.Enter();
    LoaderStopRequest = true;
    LoaderLock.Leave();
    if (LoaderThread.joinable())
    {
        LoaderThread.join();
    }
    FreeSamples();
}
