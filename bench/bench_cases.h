// The work the micro benchmarks time, shared by core_bench and the web page's timing
// (web_micro.cpp), so that both measure the very same cases.
#pragma once

#include "audio/sample_bank.h"
#include "audio/sounds.h"
#include "audio/voices.h"
#include "match/controls.h"
#include "match/game_title.h"
#include "platform/rand.h"

#include <cstdlib>

constexpr int CallbackFrames = 2048; // one audio callback, 46.4 ms of sound

// Every sample of the bank a second of noise, the bank loaded. The frames are the bank's to
// free (InitSampleBank).
inline void FillBankWithNoise()
{
    SeedRand(1);
    for (Sample& sample : SampleBank)
    {
        auto* frames = static_cast<StereoFrame*>(std::calloc(SampleRate, sizeof(StereoFrame)));
        for (int k = 0; k < SampleRate; ++k)
        {
            frames[k] = {static_cast<std::int16_t>(Rand() % 20000 - 10000),
                         static_cast<std::int16_t>(Rand() % 20000 - 10000)};
        }
        sample = {SampleRate, frames};
    }
    SamplesLoaded = true;
}

// Half the voices play a second-long sample, half a long square-wave note, all panned and
// feeding the echo, as the music and the effects do.
inline void SoundVoices(int count)
{
    for (int v = 0; v < MaxVoices; ++v)
    {
        VoiceSounding[v] = v < count;
        const int sound = v % 2 == 0 ? FirstSampleSound + v % SampleCount : SoundSquare;
        StartVoice(Voices[v], sound, 220.0f + v, 0.05f, 0.6f, 0.5f, 500, 1000000, 1000, 0);
    }
}

inline GameTitle* NewMatch()
{
    return new GameTitle();
}

// One step of a match in full swing: keys pressed and released as two players would, goals,
// debris; a finished match is replaced by a new one from make. n counts the steps.
inline void StepBusyMatch(GameTitle*& match, unsigned& n, GameTitle* (*make)() = NewMatch)
{
    if ((++n & 15) == 0)
    {
        match->KeyDown(Rand() % ActionCount);
    }
    else if ((n & 15) == 8)
    {
        match->KeyUp(Rand() % ActionCount);
    }
    match->Step();
    if (match->finished)
    {
        delete match;
        match = make();
    }
}
