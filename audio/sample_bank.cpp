// The sample bank: decoding the Ogg files on a loader thread or in slices, and freeing them at
// shutdown.
#include "audio/sample_bank.h"

#include "audio/vorbis_headers.h"
#include "platform/thread.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Sample SampleBank[SampleCount];
std::atomic<bool> SamplesLoaded;
Lock LoaderLock;
bool LoaderStopRequest;

namespace
{
// Bytes the decoder may use for one file: its tables and scratch space. Two-channel files of
// any quality need about 0.2 MB, six channels about 0.8 MB.
constexpr int DecoderArenaBytes = 4 << 20;

Thread LoaderThread;           // running from StartSampleLoader until ReleaseAudio
const char* LoaderFolder = ""; // folder the loader reads, set before the thread starts
int NextSample;                // 0..24, the bank entry the loader fills next

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
    while (!SamplesLoaded.load(std::memory_order_relaxed))
    {
        LoaderLock.Enter();
        const bool stop = LoaderStopRequest;
        LoaderLock.Leave();
        if (stop)
        {
            SamplesLoaded.store(true, std::memory_order_release);
            return; // shutdown: the remaining entries stay empty
        }
        LoadNextSample(LoaderFolder);
    }
}

// Turns a decoded value (full scale -1..1) into a 16-bit one with the decoder's own rounding,
// so a file decodes here to the same values as through its whole-file call. Values beyond
// full scale, however wild a broken file makes them, saturate.
std::int16_t ToSampleValue(float value)
{
    const float shifted = value + (1.5f * (1 << 8) + 0.5f / (1 << 15));
    std::uint32_t bits = 0;
    std::memcpy(&bits, &shifted, sizeof bits);
    const auto scaled = static_cast<std::int32_t>(bits - ((135u << 23) + (1u << 22)));
    if (static_cast<std::uint32_t>(scaled) + 32768u > 65535u)
    {
        return scaled < 0 ? INT16_MIN : INT16_MAX;
    }
    return static_cast<std::int16_t>(scaled);
}

} // namespace

void InitSampleBank()
{
    FreeSamples();
    SamplesLoaded.store(false, std::memory_order_relaxed);
    LoaderStopRequest = false;
    NextSample = 0;
}

std::int32_t SampleLength(int index)
{
    if (index < 0 || index >= SampleCount)
    {
        return 0; // not a sample of the bank: silent, of no length
    }
    return SampleBank[index].length;
}

Sample DecodeSample(const unsigned char* bytes, int size)
{
    if (bytes == nullptr || size < 1)
    {
        return {0, nullptr}; // empty file
    }
    if (!VorbisHeadersFit(bytes, size))
    {
        return {0, nullptr}; // not Ogg Vorbis, or headers that claim more than they hold
    }
    // The decoder works in one block of its own: a file whose tables need more is refused,
    // and whatever it leaves behind on a broken header goes with the block.
    stb_vorbis_alloc arena = {static_cast<char*>(std::malloc(DecoderArenaBytes)),
                              DecoderArenaBytes};
    if (arena.alloc_buffer == nullptr)
    {
        return {0, nullptr}; // out of memory
    }
    int error = 0;
    stb_vorbis* decoder = stb_vorbis_open_memory(bytes, size, &error, &arena);
    if (decoder == nullptr)
    {
        std::free(arena.alloc_buffer);
        return {0, nullptr}; // not Ogg Vorbis, its headers are broken, or they need too much
    }
    StereoFrame* frames = nullptr;
    std::int32_t length = 0;
    std::int32_t capacity = 0;
    bool failed = false;
    while (length < MaxSampleFrames)
    {
        int channels = 0;
        float** values = nullptr;
        const int got = stb_vorbis_get_frame_float(decoder, &channels, &values);
        if (got < 1 || channels < 1)
        {
            break; // end of the stream, or a broken page: keep what was decoded
        }
        const std::int32_t wanted = std::min<std::int32_t>(got, MaxSampleFrames - length);
        if (length + wanted > capacity)
        {
            capacity = std::min(std::max(2 * capacity, length + wanted), MaxSampleFrames);
            auto* grown =
                static_cast<StereoFrame*>(std::realloc(frames, sizeof(StereoFrame) * capacity));
            if (grown == nullptr)
            {
                failed = true; // out of memory: the sound stays silent
                break;
            }
            frames = grown;
        }
        const float* right = values[channels >= 2 ? 1 : 0];
        for (int k = 0; k < wanted; ++k)
        {
            frames[length + k] = {ToSampleValue(values[0][k]), ToSampleValue(right[k])};
        }
        length += wanted;
    }
    stb_vorbis_close(decoder);
    std::free(arena.alloc_buffer);
    if (failed || length < 1)
    {
        std::free(frames);
        return {0, nullptr}; // nothing decoded, or out of memory
    }
    if (auto* fitted =
            static_cast<StereoFrame*>(std::realloc(frames, sizeof(StereoFrame) * length)))
    {
        frames = fitted; // give back what the last doubling over-reserved
    }
    return {length, frames};
}

Sample LoadSample(const char* folder, const char* name)
{
    char path[1024];
    const int pathLength = std::snprintf(path, sizeof(path), "%s/%s.ogg", folder, name);
    if (pathLength < 0 || pathLength >= static_cast<int>(sizeof(path)))
    {
        return {0, nullptr}; // path too long to name a file
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
    {
        return {0, nullptr}; // missing
    }
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
    {
        size = std::ftell(file);
    }
    unsigned char* bytes = nullptr;
    if (size > 0 && size <= MaxSampleFileBytes && std::fseek(file, 0, SEEK_SET) == 0)
    {
        bytes = static_cast<unsigned char*>(std::malloc(size));
    }
    const bool read =
        bytes != nullptr && std::fread(bytes, 1, size, file) == static_cast<size_t>(size);
    std::fclose(file);
    const Sample sample = read ? DecodeSample(bytes, static_cast<int>(size)) : Sample{0, nullptr};
    std::free(bytes);
    return sample; // empty for an empty, oversized, unreadable or undecodable file
}

bool StartSampleLoader(const char* folder)
{
    if (LoaderThread.running)
    {
        return true; // already started: one loader per run
    }
    LoaderFolder = folder;
    return StartThread(LoaderThread, LoadAllSamples);
}

void LoadNextSample(const char* folder)
{
    if (NextSample >= SampleCount)
    {
        return; // the bank is full
    }
    SampleBank[NextSample] = LoadSample(folder, SampleNames[NextSample]);
    if (++NextSample == SampleCount)
    {
        SamplesLoaded.store(true, std::memory_order_release);
    }
}

void ReleaseAudio()
{
    LoaderLock.Enter();
    LoaderStopRequest = true;
    LoaderLock.Leave();
    JoinThread(LoaderThread);
    FreeSamples();
}
