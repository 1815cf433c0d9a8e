// The eight game sounds: short, pitched and gentle, since most of them follow every move.
#include "tools/sounds/recipes.h"

namespace
{

using enum Wave;
using enum Filter;

// A new ball appears: a rising bubble pops and two small bells sparkle left and right.
constexpr Layer Ball[] = {
    {.freq = 320, .freqEnd = 1050, .glide = 0.03f, .level = 0.8f, .decay = 0.05f},
    {.start = 0.05f, .freq = 1319, .level = 0.6f, .decay = 0.09f, .pan = -0.25f},
    {.start = 0.05f, .freq = 3640, .level = 0.15f, .decay = 0.03f, .pan = -0.25f},
    {.start = 0.11f, .freq = 1976, .level = 0.5f, .decay = 0.09f, .pan = 0.25f},
    {.start = 0.11f, .freq = 5454, .level = 0.12f, .decay = 0.03f, .pan = 0.25f},
};

// The turn passes: a calm falling fifth, like a door chime.
constexpr Layer End[] = {
    {.wave = Triangle, .freq = 784, .level = 0.6f, .attack = 0.004f, .decay = 0.12f, .detune = 4},
    {.freq = 1568, .level = 0.15f, .attack = 0.004f, .decay = 0.06f},
    {.wave = Triangle,
     .start = 0.15f,
     .freq = 523,
     .level = 0.7f,
     .attack = 0.004f,
     .decay = 0.12f,
     .detune = 4},
    {.start = 0.15f, .freq = 1046, .level = 0.15f, .attack = 0.004f, .decay = 0.08f},
};

// A unit is shoved: a low thud and the scrape of it sliding one cell.
constexpr Layer Push[] = {
    {.freq = 110, .freqEnd = 55, .glide = 0.04f, .level = 0.9f, .decay = 0.06f},
    {.wave = Triangle, .freq = 220, .freqEnd = 150, .glide = 0.05f, .level = 0.3f, .decay = 0.04f},
    {.wave = Noise,
     .freq = 900,
     .freqEnd = 350,
     .glide = 0.08f,
     .level = 0.7f,
     .attack = 0.008f,
     .decay = 0.07f,
     .filter = BandPass,
     .resonance = 1.2f,
     .width = 0.4f},
};

// A goal: a quick rising major arpeggio whose top note rings with a glitter of noise.
constexpr Layer Score[] = {
    {.wave = Square,
     .length = 0.2f,
     .freq = 523.25f,
     .level = 0.35f,
     .decay = 0.1f,
     .filter = LowPass,
     .cutoff = 3500},
    {.wave = Square,
     .start = 0.065f,
     .length = 0.2f,
     .freq = 659.25f,
     .level = 0.35f,
     .decay = 0.1f,
     .filter = LowPass,
     .cutoff = 3500},
    {.wave = Square,
     .start = 0.13f,
     .length = 0.2f,
     .freq = 783.99f,
     .level = 0.35f,
     .decay = 0.1f,
     .filter = LowPass,
     .cutoff = 3500},
    {.wave = Square,
     .start = 0.195f,
     .freq = 1046.5f,
     .level = 0.4f,
     .decay = 0.11f,
     .filter = LowPass,
     .cutoff = 4000,
     .detune = 6},
    {.wave = Triangle, .start = 0.195f, .freq = 2093, .level = 0.15f, .decay = 0.1f},
    {.wave = Noise,
     .start = 0.195f,
     .level = 0.1f,
     .decay = 0.08f,
     .filter = HighPass,
     .cutoff = 8000,
     .width = 0.8f},
};

// A key sweeps the banner away: a rising whoosh with a gliding tone inside it.
constexpr Layer Start[] = {
    {.wave = Noise,
     .freq = 500,
     .freqEnd = 5000,
     .glide = 0.12f,
     .attack = 0.06f,
     .decay = 0.07f,
     .filter = BandPass,
     .resonance = 2.0f,
     .width = 0.6f},
    {.freq = 440, .freqEnd = 1320, .glide = 0.1f, .level = 0.3f, .attack = 0.03f, .decay = 0.06f},
};

// A player steps one cell: a soft, short wooden tok.
constexpr Layer Step[] = {
    {.freq = 620, .freqEnd = 420, .glide = 0.012f, .decay = 0.018f},
    {.wave = Noise,
     .length = 0.015f,
     .level = 0.25f,
     .decay = 0.005f,
     .filter = LowPass,
     .cutoff = 2000},
};

// A quarter turn: two clicks of a ratchet, the second a step higher.
constexpr Layer Rotate[] = {
    {.wave = Triangle, .length = 0.05f, .freq = 700, .level = 0.7f, .decay = 0.02f},
    {.wave = Noise,
     .length = 0.01f,
     .freq = 3500,
     .level = 0.5f,
     .decay = 0.003f,
     .filter = BandPass,
     .resonance = 2.0f},
    {.wave = Triangle, .start = 0.06f, .freq = 935, .level = 0.7f, .decay = 0.025f},
    {.wave = Noise,
     .start = 0.06f,
     .length = 0.01f,
     .freq = 3500,
     .level = 0.5f,
     .decay = 0.003f,
     .filter = BandPass,
     .resonance = 2.0f},
};

// Player and ball change places: two tones cross, one rising on the left, one falling on
// the right, over a breath of noise.
constexpr Layer Swap[] = {
    {.freq = 380,
     .freqEnd = 1000,
     .glide = 0.1f,
     .level = 0.6f,
     .attack = 0.015f,
     .decay = 0.1f,
     .pan = -0.4f},
    {.freq = 1000,
     .freqEnd = 380,
     .glide = 0.1f,
     .level = 0.6f,
     .attack = 0.015f,
     .decay = 0.1f,
     .pan = 0.4f},
    {.wave = Noise,
     .freq = 2000,
     .level = 0.15f,
     .attack = 0.015f,
     .decay = 0.06f,
     .filter = BandPass,
     .width = 0.8f},
};

} // namespace

const SoundRecipe EffectRecipes[EffectCount] = {
    {"ball", 0.45f, Ball},    {"end", 0.58f, End},     {"push", 0.3f, Push},
    {"score", 0.58f, Score},  {"start", 0.35f, Start}, {"step", 0.1f, Step},
    {"rotate", 0.2f, Rotate}, {"swap", 0.32f, Swap},
};
