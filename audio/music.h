// The music, composed beat by beat on the audio thread: drum hits and square-wave notes drawn
// from a chord that changes every sixteen beats.
#pragma once

#include "audio/sounds.h"

#include <cstdint>

constexpr std::uint32_t BeatLength = 13230; // frames per beat, 0.3 s
constexpr std::uint32_t HalfBeat = 6615;    // frames, the delay of an off-beat hit
constexpr int BarBeats = 16;                // beats per bar; the chord may change at beat 0
constexpr int ScaleNotes = 7;               // notes of MusicScale
constexpr int ChordCount = 21;              // rows of ChordTable
constexpr int ChordNotes = 4;               // scale degrees per chord

// Indices into NoteFrequencies of the seven notes of the scale.
extern const int MusicScale[ScaleNotes];
// Chords as scale degrees 0..13; degrees 7..13 sound an octave above 0..6.
extern const int ChordTable[ChordCount][ChordNotes];
// The chords a bar can change to, one drawn at random, weighted by repetition.
extern const int ChordOrder[ChordCount];

// Music state. Audio thread only, except that start-up draws CurrentChord before the device
// runs (tests: the thread that mixes).
extern int CurrentChord;   // 0..20, row of ChordTable
extern int MusicVariation; // title variant 0..3; the match music uses it modulo 2
extern int NextMusicVoice; // 0..63, music voice (number - 64) where the next search begins

// CurrentChord, MusicVariation and NextMusicVoice to 0. Start-up and tests.
void InitMusic();

// A number 0..bound-1 leaning towards small ones: starts from bound, and each of rounds rounds
// draws r and, if the number is not below r, replaces it with a second draw. The first round
// always replaces it, so one round costs two draws.
int BiasedPick(int bound, int rounds);

// The frequency in Hz of scale degree degree (0..13) moved by shift octaves.
float MusicNote(int degree, int shift);

// Starts a music voice with no pan offset and no attack, aligned to the start grid and active
// from the current frame on. Dropped when all 64 music voices sound, and for a sample before
// the bank has loaded (no draws are made then).
void StartMusicVoice(int sound, float frequency, float volume, float send, std::uint32_t sustain,
                     std::uint32_t release, std::uint32_t delay);

// The match music's events for beat 0..15 of the bar: variant MusicVariation % 2.
void MatchMusic(int beat);
// The title music's events for beat 0..15 of the bar: variant MusicVariation, 0..3.
void TitleMusic(int beat);

// At a beat (SampleClock a multiple of BeatLength): a new chord at the start of a bar, then the
// title or the match music for the beat's place in its bar. Audio thread.
void PlayBeat(bool titleMusic);
