// The recipes of the game's 24 samples: a length and a few synthesiser layers each.
#pragma once

#include "tools/sounds/synth.h"

#include <span>

constexpr int DrumCount = 16;  // drum0..drumF, the music's hits
constexpr int EffectCount = 8; // the game's own sounds
constexpr int SampleCount = DrumCount + EffectCount;

struct SoundRecipe
{
    const char* name;              // file name without ".ogg", as the game's bank names it
    float seconds;                 // length of the file; drums < 1, effects < 0.6
    std::span<const Layer> layers; // summed in order
};

// Drum hits, most useful first: the music picks low numbers more often.
extern const SoundRecipe DrumRecipes[DrumCount];
// Game sounds in the bank's order: ball, end, push, score, start, step, rotate, swap.
extern const SoundRecipe EffectRecipes[EffectCount];
