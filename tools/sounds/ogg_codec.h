// Ogg Vorbis in memory for the sound generator: libvorbis encodes, stb_vorbis decodes
// the result again exactly as the game's loader will.
#pragma once

#include "tools/sounds/synth.h"

#include <vector>

// Decoded 16-bit sound, interleaved by channel.
struct DecodedSound
{
    std::vector<short> samples; // frames x channels values, -32768..32767
    int frames = 0;             // per channel, >= 0
    int channels = 0;           // 1..8 for a good stream
    int rate = 0;               // Hz
};

// Encodes the buffer as two-channel SynthRate Ogg Vorbis at a quality of -0.1..1 into
// bytes (replaced). serial numbers the logical stream, so equal inputs give equal
// bytes. Samples outside -1..1 are the caller's fault and clip when decoded. Returns
// false, with bytes empty, when the encoder rejects the settings.
bool EncodeOgg(const SoundBuffer& sound, float quality, int serial,
               std::vector<unsigned char>& bytes);

// Decodes a whole Ogg Vorbis stream into sound (replaced). Returns false, with sound
// empty, for bytes that do not decode or hold no frames.
bool DecodeOgg(const std::vector<unsigned char>& bytes, DecodedSound& sound);

// Largest absolute value of the decoded samples as a share of full scale, 0..1.
float DecodedPeak(const DecodedSound& sound);
