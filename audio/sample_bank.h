// The 24 recorded sounds, decoded whole into memory by a background loader thread, or, where
// there are no threads (the browser), one file at a time between frames.
#pragma once

#include "audio/frames.h"
#include "audio/sounds.h"
#include "platform/lock.h"

#include <atomic>
#include <cstdint>

constexpr std::int32_t MaxSampleFrames =
    30 * SampleRate;                           // frames kept of one sound; the rest is cut
constexpr long MaxSampleFileBytes = 64L << 20; // larger sample files are not read at all

// The bank holds the sample sounds of sounds.h in SampleNames' order: entry i is sound number
// FirstSampleSound + i, read from the file SampleNames[i] + ".ogg".

// One decoded sound: two-channel frames at 44100 Hz, owned by the bank.
struct Sample
{
    std::int32_t length; // frames, 0 while not loaded and for a file that failed
    StereoFrame* frames; // length frames, null while not loaded and for a file that failed
};

// The bank. Written only by the loader thread until SamplesLoaded is set; from then on every
// entry is final until ReleaseAudio, and any thread may read the frames without a lock.
extern Sample SampleBank[SampleCount];

// Set (release order) once by the loader thread, or by LoadNextSample, when it has gone through
// all 24 files, or by the loader when it was told to stop; read with acquire order before any
// sample voice is started.
extern std::atomic<bool> SamplesLoaded;

// Guards LoaderStopRequest and the loader's check of it between two files.
extern Lock LoaderLock;
extern bool LoaderStopRequest; // set by ReleaseAudio: the loader stops before its next file

// Frees any loaded samples and sets the bank, SamplesLoaded and LoaderStopRequest to their
// start values. Only while no loader thread runs (tests, before StartSampleLoader).
void InitSampleBank();

// The length in frames of bank entry index; 0 for an index outside the bank.
std::int32_t SampleLength(int index);

// Decodes one Ogg Vorbis file held in memory (size bytes) packet by packet. Returns the
// frames and their count, or an empty sample for bytes that are not Ogg Vorbis, a stream
// whose headers are broken or that decodes to nothing, or when memory runs out. Damage in
// the sound pages loses at most the sound from there on; a sound longer than MaxSampleFrames
// is cut to that length. A one-channel file plays its channel on both sides; of more than two
// channels the first two are kept. The caller frees the frames. Any thread.
Sample DecodeSample(const unsigned char* bytes, int size);

// Reads "folder/name.ogg" whole and decodes it with DecodeSample. A missing, unreadable or
// empty file, or one larger than MaxSampleFileBytes, gives an empty sample. Any thread.
Sample LoadSample(const char* folder, const char* name);

// Starts the loader thread, which fills the bank from folder (the game's is "dat/samples",
// relative to the working directory) one file after another and then sets SamplesLoaded.
// folder must live until ReleaseAudio. Returns true once the thread runs; when the system
// cannot start a thread, returns false with errno naming the cause, and the bank stays empty
// and not loaded. Main thread, after InitSampleBank; a second call before ReleaseAudio does
// nothing and returns true.
bool StartSampleLoader(const char* folder);

// Fills the next entry of the bank from folder on the calling thread, and sets SamplesLoaded
// after the last; nothing once every entry is filled. For a game without a loader thread (the
// browser's, one file per frame, so that no frame waits for all 24). Main thread, after
// InitSampleBank, and never while a loader thread runs.
void LoadNextSample(const char* folder);

// Shutdown, after the audio device is closed: asks the loader to stop before its next file,
// waits for the thread to end, then frees every sample. Main thread. Safe without a loader.
void ReleaseAudio();
