// The names of the game's sounds.
#include "audio/sounds.h"

#include <iterator>

const char* const SampleNames[] = {
    "drum0",  // SoundDrum0
    "drum1",  // SoundDrum1
    "drum2",  // SoundDrum2
    "drum3",  // SoundDrum3
    "drum4",  // SoundDrum4
    "drum5",  // SoundDrum5
    "drum6",  // SoundDrum6
    "drum7",  // SoundDrum7
    "drum8",  // SoundDrum8
    "drum9",  // SoundDrum9
    "drumA",  // SoundDrumA
    "drumB",  // SoundDrumB
    "drumC",  // SoundDrumC
    "drumD",  // SoundDrumD
    "drumE",  // SoundDrumE
    "drumF",  // SoundDrumF
    "ball",   // SoundBall
    "end",    // SoundEnd
    "push",   // SoundPush
    "score",  // SoundScore
    "start",  // SoundStart
    "step",   // SoundStep
    "rotate", // SoundRotate
    "swap",   // SoundSwap
};
static_assert(std::size(SampleNames) == SampleCount, "one name for every sample sound");

const char* SoundName(int sound)
{
    if (sound == SoundSquare)
    {
        return "square";
    }
    if (sound < FirstSampleSound || sound >= FirstSampleSound + SampleCount)
    {
        return "?"; // no sound of the game
    }
    return SampleNames[sound - FirstSampleSound];
}
