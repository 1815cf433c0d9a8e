// Tests of the generated music: note pitches, the chord table, the draws of a beat whose notes
// are dropped, and two bars of every variant.
#include "audio/music.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/voices.h"
#include "platform/rand.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

// The notes span the scale, upper degrees an octave higher. The chord table comes in groups of
// seven rows, one chord shape each: row r of a group is the shape on the root r. A wrong note
// shows as a row that breaks its group's shape. A bar draws its chord from an order that holds
// every chord once, so that each is as likely.
TEST(Music, NotesSpanTheScaleAndEveryChordIsItsGroupsShapeOnItsRoot)
{
    InitAudio();
    EXPECT_EQ(NoteFrequencies[12], 440.0f);
    EXPECT_NEAR(NoteFrequencies[0], 220.0f, 0.001f);
    EXPECT_EQ(MusicNote(6, -1), NoteFrequencies[11] / 2.0f);
    for (int degree = 0; degree < ScaleNotes; ++degree)
    {
        EXPECT_EQ(MusicNote(degree + ScaleNotes, -2), 2.0f * MusicNote(degree, -2));
    }
    int ordered = 0; // a bit for each chord in the order
    for (int row = 0; row < ChordCount; ++row)
    {
        ordered |= 1 << ChordOrder[row];
        const int* shape = ChordTable[row - row % ScaleNotes];
        EXPECT_EQ(ChordTable[row][0], row % ScaleNotes) << row;
        for (int note = 1; note < ChordNotes; ++note)
        {
            EXPECT_EQ(ChordTable[row][note] - ChordTable[row][0], shape[note] - shape[0]) << row;
        }
    }
    EXPECT_EQ(ordered, (1 << ChordCount) - 1);
}

// Match variant 0, beat 0: a drum (a pick of two draws, then the voice's pan and volume),
// two notes (member, shift, pan, volume each), then the draw for a change of variant. A drum
// before the bank has loaded and a note with every music voice sounding cost no voice draws.
TEST(Music, BeatCostsItsDrawsEvenWhenNotesAreDropped)
{
    for (auto [loaded, voicesFull, draws] :
         {std::tuple{true, false, 13}, {false, false, 11}, {true, true, 7}})
    {
        InitAudio();
        SamplesLoaded = loaded;
        // With the first three free, a search from 9 wraps round to 0, 1 and 2.
        std::fill(VoiceSounding + FirstMusicVoice + (voicesFull ? 0 : 3), VoiceSounding + MaxVoices,
                  true);
        NextMusicVoice = 9;
        SeedRand(77);
        for (int n = 0; n < draws; ++n)
        {
            Rand();
        }
        const int next = Rand();
        SeedRand(77);
        MatchMusic(0);
        EXPECT_EQ(Rand(), next) << draws;
        EXPECT_EQ(NextMusicVoice, voicesFull ? 9 : loaded ? 2 : 1) << draws;
    }
}

// Two bars of each title and match variant, as a digest of every voice they start (its number,
// sound, pitch, level, send, pan, envelope and delay, its start moved onto the next grid point
// and softened unless that point is a fourth one) and of the chord and the variant chosen after
// each beat: a change of any draw, chance, pitch, level or time changes it. The bars were checked
// against the music's rules when the digest was taken.
TEST(Music, TwoBarsOfEachVariantPlayAsRecorded)
{
    std::string trace;
    for (int start = 0; start < 6; ++start) // title variants 0..3, then match variants 0 and 1
    {
        InitAudio();
        SamplesLoaded = true;
        SeedRand(40 + start);
        for (std::uint32_t beat = 0; beat < 2 * BarBeats; ++beat)
        {
            MusicVariation = start % 4; // whatever the bar's start chose
            SampleClock = beat * BeatLength;
            PlayBeat(start < 4);
            char line[160];
            for (int v = FirstMusicVoice; v < MaxVoices; ++v)
            {
                const Voice& n = Voices[v];
                std::snprintf(line, sizeof line, "%d %d %a %a %a %a %u %u %u %u|", v, n.sound,
                              n.frequency, n.volume, n.send, n.pan, n.attack, n.sustain, n.release,
                              n.delay);
                trace += VoiceSounding[v] ? line : "";
                VoiceSounding[v] = false;
            }
            trace += std::to_string(CurrentChord) + " " + std::to_string(MusicVariation) + "\n";
        }
    }
    std::uint64_t digest = 14695981039346656037ull; // FNV-1a
    for (const char c : trace)
    {
        digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    EXPECT_EQ(digest, 14481004507866548252u) << trace.substr(0, 400);
}
