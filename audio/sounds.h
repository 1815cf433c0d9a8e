// The game's sound numbers, all in one place beside the names of the recorded sounds.
#pragma once

// Sound numbers below FirstSampleSound are synthesized, and the square wave is the only one
// that sounds; from FirstSampleSound on they are the samples of the bank in SampleNames'
// order (bank index = number - FirstSampleSound).
constexpr int SoundSquare = 9;       // the one synthesized sound: a square wave
constexpr int FirstSampleSound = 17; // the first sample of the bank
constexpr int SoundDrum0 = 17;       // the music's sixteen drums, "drum0".."drumF"
constexpr int SoundDrum1 = 18;
constexpr int SoundDrum2 = 19;
constexpr int SoundDrum3 = 20;
constexpr int SoundDrum4 = 21;
constexpr int SoundDrum5 = 22;
constexpr int SoundDrum6 = 23;
constexpr int SoundDrum7 = 24;
constexpr int SoundDrum8 = 25;
constexpr int SoundDrum9 = 26;
constexpr int SoundDrumA = 27;
constexpr int SoundDrumB = 28;
constexpr int SoundDrumC = 29;
constexpr int SoundDrumD = 30;
constexpr int SoundDrumE = 31;
constexpr int SoundDrumF = 32;
constexpr int SoundBall = 33;   // a new ball appears
constexpr int SoundEnd = 34;    // the turn passes to the other team
constexpr int SoundPush = 35;   // a player pushes a line of units
constexpr int SoundScore = 36;  // a goal
constexpr int SoundStart = 37;  // a key takes the turn banner away
constexpr int SoundStep = 38;   // a player steps forward
constexpr int SoundRotate = 39; // a player turns
constexpr int SoundSwap = 40;   // a player swaps places with the ball

constexpr int DrumCount = 16;   // drums, sound numbers SoundDrum0..SoundDrumF
constexpr int SampleCount = 24; // bank entries: the drums, then the eight game sounds
static_assert(SoundDrumF + 1 - SoundDrum0 == DrumCount && SoundBall == SoundDrumF + 1 &&
                  SoundSwap + 1 - FirstSampleSound == SampleCount,
              "the drums, then the game sounds, fill the bank without a gap");

// File names in bank order, without folder or extension: one row per sample sound.
extern const char* const SampleNames[SampleCount];

// The name of a sound number, for tests and tools: "square" for SoundSquare, the sample's file
// name for FirstSampleSound..SoundSwap ("drum3", "push"), and "?" for any other number.
const char* SoundName(int sound);
