// The game's sample files: each recipe rendered, levelled and encoded as Ogg Vorbis.
#pragma once

#include "tools/sounds/ogg_codec.h"
#include "tools/sounds/recipes.h"

#include <vector>

constexpr float SampleQuality = 0.4f; // Vorbis quality: small files, clean enough for effects
constexpr float TargetPeak = 0.8913f; // -1 dBFS, the loudest a decoded file may peak
constexpr float LowestPeak = 0.8414f; // -1.5 dBFS, the quietest peak the level fit accepts

struct SampleFile
{
    std::vector<unsigned char> bytes; // the whole Ogg Vorbis file
    DecodedSound decoded;             // bytes decoded again, as the game's loader sees them
};

// The recipe of bank index 0..23 (drum0..drumF, then the eight game sounds); null for
// any other index.
const SoundRecipe* FindRecipe(int index);

// Renders the recipe of bank index 0..23: its layers summed, the offset removed, the edges
// faded and 5 ms of silence put before it. Noise comes from fixed seeds, so every call
// gives the same buffer. A bad index gives one silent frame.
SoundBuffer RenderSample(int index);

// Renders, encodes and decodes bank index 0..23 into file, trying a few gains until the
// decoded peak lies between LowestPeak and TargetPeak (the encoder can raise or lower
// peaks). Returns false for a bad index, a silent recipe, an encoder failure, a decoded
// file that is not two-channel at SynthRate, or a level that will not settle.
bool MakeSampleFile(int index, SampleFile& file);
