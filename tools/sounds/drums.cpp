// The sixteen drum hits of the music, from the kick that carries every bar to the rare crash.
#include "tools/sounds/recipes.h"

namespace
{

using enum Wave;
using enum Filter;

// A falling sine for the body, a short high knock for the beater.
constexpr Layer Kick[] = {
    {.freq = 150, .freqEnd = 48, .glide = 0.03f, .decay = 0.11f},
    {.length = 0.03f,
     .freq = 900,
     .freqEnd = 150,
     .glide = 0.005f,
     .level = 0.35f,
     .decay = 0.008f},
    {.wave = Noise,
     .length = 0.02f,
     .level = 0.3f,
     .decay = 0.004f,
     .filter = LowPass,
     .cutoff = 3000},
};

// A short tuned shell under a bright rattle of noise.
constexpr Layer Snare[] = {
    {.wave = Triangle, .freq = 240, .freqEnd = 185, .glide = 0.015f, .level = 0.7f, .decay = 0.05f},
    {.freq = 340, .freqEnd = 300, .glide = 0.02f, .level = 0.35f, .decay = 0.04f},
    {.wave = Noise,
     .level = 0.8f,
     .decay = 0.075f,
     .filter = HighPass,
     .cutoff = 1500,
     .width = 0.35f},
    {.wave = Noise,
     .freq = 4500,
     .level = 0.4f,
     .decay = 0.05f,
     .filter = BandPass,
     .resonance = 1.0f,
     .width = 0.35f},
};

constexpr Layer ClosedHat[] = {
    {.wave = Noise, .decay = 0.018f, .filter = HighPass, .cutoff = 7500, .width = 0.4f},
    {.wave = Noise,
     .freq = 10500,
     .level = 0.6f,
     .decay = 0.012f,
     .filter = BandPass,
     .resonance = 1.5f,
     .width = 0.4f},
};

// The closed hat's hiss left to ring, with two high-passed squares for metal.
constexpr Layer OpenHat[] = {
    {.wave = Noise, .decay = 0.11f, .filter = HighPass, .cutoff = 6500, .width = 0.5f},
    {.wave = Noise,
     .freq = 9000,
     .level = 0.5f,
     .decay = 0.09f,
     .filter = BandPass,
     .resonance = 2.0f,
     .width = 0.5f},
    {.wave = Square,
     .freq = 587,
     .level = 0.15f,
     .decay = 0.1f,
     .filter = HighPass,
     .cutoff = 5000,
     .detune = 8},
    {.wave = Square,
     .freq = 845,
     .level = 0.15f,
     .decay = 0.1f,
     .filter = HighPass,
     .cutoff = 5000,
     .detune = -8},
};

// Three quick slaps of band-passed noise and a short room tail.
constexpr Layer Clap[] = {
    {.wave = Noise,
     .length = 0.01f,
     .freq = 1100,
     .decay = 0.004f,
     .filter = BandPass,
     .resonance = 1.2f,
     .width = 0.5f},
    {.wave = Noise,
     .start = 0.012f,
     .length = 0.01f,
     .freq = 1100,
     .level = 0.9f,
     .decay = 0.004f,
     .filter = BandPass,
     .resonance = 1.2f,
     .width = 0.5f},
    {.wave = Noise,
     .start = 0.024f,
     .length = 0.01f,
     .freq = 1100,
     .level = 0.8f,
     .decay = 0.004f,
     .filter = BandPass,
     .resonance = 1.2f,
     .width = 0.5f},
    {.wave = Noise,
     .start = 0.034f,
     .freq = 1100,
     .level = 0.9f,
     .decay = 0.06f,
     .filter = BandPass,
     .resonance = 1.2f,
     .width = 0.6f},
};

constexpr Layer LowTom[] = {
    {.freq = 125, .freqEnd = 82, .glide = 0.08f, .decay = 0.12f},
    {.freq = 190, .freqEnd = 130, .glide = 0.08f, .level = 0.3f, .decay = 0.05f},
    {.wave = Noise,
     .length = 0.02f,
     .freq = 500,
     .level = 0.3f,
     .decay = 0.006f,
     .filter = BandPass},
};

// A stick on the hoop: a high ping, a wooden knock and a tick of noise.
constexpr Layer Rim[] = {
    {.freq = 1650, .level = 0.7f, .decay = 0.012f},
    {.wave = Triangle, .freq = 520, .level = 0.6f, .decay = 0.02f},
    {.wave = Noise,
     .freq = 3200,
     .level = 0.6f,
     .decay = 0.006f,
     .filter = BandPass,
     .resonance = 1.5f},
};

// Noise that swells and falls, like beads thrown against a shell.
constexpr Layer Shaker[] = {
    {.wave = Noise,
     .attack = 0.035f,
     .decay = 0.035f,
     .filter = HighPass,
     .cutoff = 5500,
     .width = 0.6f},
    {.wave = Noise,
     .freq = 8000,
     .level = 0.5f,
     .attack = 0.02f,
     .decay = 0.03f,
     .filter = BandPass,
     .resonance = 1.0f,
     .width = 0.6f},
};

constexpr Layer MidTom[] = {
    {.freq = 185, .freqEnd = 125, .glide = 0.07f, .decay = 0.1f},
    {.freq = 280, .freqEnd = 190, .glide = 0.07f, .level = 0.3f, .decay = 0.04f},
    {.wave = Noise,
     .length = 0.02f,
     .freq = 700,
     .level = 0.3f,
     .decay = 0.005f,
     .filter = BandPass},
};

constexpr Layer HighTom[] = {
    {.freq = 270, .freqEnd = 185, .glide = 0.06f, .decay = 0.085f},
    {.freq = 410, .freqEnd = 280, .glide = 0.06f, .level = 0.3f, .decay = 0.035f},
    {.wave = Noise,
     .length = 0.02f,
     .freq = 900,
     .level = 0.3f,
     .decay = 0.005f,
     .filter = BandPass},
};

// Two detuned squares through a band-pass: a hollow metal clank.
constexpr Layer Cowbell[] = {
    {.wave = Square,
     .freq = 560,
     .level = 0.5f,
     .decay = 0.07f,
     .filter = BandPass,
     .cutoff = 1000,
     .resonance = 1.2f},
    {.wave = Square,
     .freq = 835,
     .level = 0.5f,
     .decay = 0.07f,
     .filter = BandPass,
     .cutoff = 1000,
     .resonance = 1.2f},
};

// Two hard wooden sticks: an almost pure high tone.
constexpr Layer Claves[] = {
    {.freq = 2480, .decay = 0.022f},
    {.wave = Noise,
     .length = 0.01f,
     .freq = 2500,
     .level = 0.3f,
     .decay = 0.003f,
     .filter = BandPass,
     .resonance = 1.5f},
};

// A long shimmer of high noise and inharmonic metal with a bell-like ping on top.
constexpr Layer Ride[] = {
    {.wave = Noise,
     .level = 0.6f,
     .decay = 0.2f,
     .filter = HighPass,
     .cutoff = 5000,
     .width = 0.5f},
    {.wave = Square,
     .freq = 311,
     .level = 0.3f,
     .decay = 0.22f,
     .filter = HighPass,
     .cutoff = 4000,
     .detune = 7},
    {.wave = Square,
     .freq = 467,
     .level = 0.3f,
     .decay = 0.22f,
     .filter = HighPass,
     .cutoff = 4000,
     .detune = -7},
    {.wave = Square,
     .freq = 733,
     .level = 0.3f,
     .decay = 0.22f,
     .filter = HighPass,
     .cutoff = 4000,
     .detune = 7},
    {.freq = 3150, .level = 0.15f, .decay = 0.15f},
};

// Jingles: resonant high noise in three quick shakes and a hiss that follows.
constexpr Layer Tambourine[] = {
    {.wave = Noise,
     .freq = 7500,
     .decay = 0.025f,
     .filter = BandPass,
     .resonance = 3.0f,
     .width = 0.5f},
    {.wave = Noise,
     .start = 0.018f,
     .freq = 7500,
     .level = 0.8f,
     .decay = 0.025f,
     .filter = BandPass,
     .resonance = 3.0f,
     .width = 0.5f},
    {.wave = Noise,
     .start = 0.04f,
     .freq = 7500,
     .level = 0.6f,
     .decay = 0.025f,
     .filter = BandPass,
     .resonance = 3.0f,
     .width = 0.5f},
    {.wave = Noise,
     .level = 0.4f,
     .decay = 0.06f,
     .filter = HighPass,
     .cutoff = 9000,
     .width = 0.5f},
};

// A hand on a tight skin: a short, barely falling tone with a slap.
constexpr Layer Conga[] = {
    {.freq = 360, .freqEnd = 330, .glide = 0.01f, .decay = 0.07f},
    {.freq = 760, .level = 0.3f, .decay = 0.015f},
    {.wave = Noise,
     .length = 0.01f,
     .freq = 1800,
     .level = 0.4f,
     .decay = 0.004f,
     .filter = BandPass},
};

constexpr Layer Crash[] = {
    {.wave = Noise,
     .attack = 0.002f,
     .decay = 0.22f,
     .filter = HighPass,
     .cutoff = 3500,
     .width = 0.7f},
    {.wave = Noise,
     .freq = 5500,
     .level = 0.5f,
     .decay = 0.15f,
     .filter = BandPass,
     .resonance = 0.8f,
     .width = 0.7f},
    {.wave = Square,
     .freq = 401,
     .level = 0.2f,
     .decay = 0.2f,
     .filter = HighPass,
     .cutoff = 3000,
     .detune = 10},
    {.wave = Square,
     .freq = 637,
     .level = 0.2f,
     .decay = 0.2f,
     .filter = HighPass,
     .cutoff = 3000,
     .detune = -10},
};

} // namespace

const SoundRecipe DrumRecipes[DrumCount] = {
    {"drum0", 0.5f, Kick},     {"drum1", 0.32f, Snare},     {"drum2", 0.09f, ClosedHat},
    {"drum3", 0.45f, OpenHat}, {"drum4", 0.3f, Clap},       {"drum5", 0.5f, LowTom},
    {"drum6", 0.12f, Rim},     {"drum7", 0.2f, Shaker},     {"drum8", 0.42f, MidTom},
    {"drum9", 0.36f, HighTom}, {"drumA", 0.35f, Cowbell},   {"drumB", 0.15f, Claves},
    {"drumC", 0.9f, Ride},     {"drumD", 0.3f, Tambourine}, {"drumE", 0.35f, Conga},
    {"drumF", 0.95f, Crash},
};
