// Tests of the generated music: note pitches, and the draws of a beat whose notes are dropped.
// What the generators play is pinned down by the mixer's output digest.
#include "audio/music.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/voices.h"
#include "platform/rand.h"

#include <gtest/gtest.h>
#include <tuple>

TEST(Music, NotesSpanTheScaleAndUpperDegreesSoundAnOctaveHigher)
{
    InitAudio();
    EXPECT_EQ(NoteFrequencies[12], 440.0f);
    EXPECT_NEAR(NoteFrequencies[0], 220.0f, 0.001f);
    EXPECT_EQ(MusicNote(6, -1), NoteFrequencies[11] / 2.0f);
    for (int degree = 0; degree < ScaleNotes; ++degree)
    {
        EXPECT_EQ(MusicNote(degree + ScaleNotes, -2), 2.0f * MusicNote(degree, -2));
    }
}

// Match variant 0, step 0: a drum (a pick of two draws, then the voice's pan and volume),
// two notes (member, shift, pan, volume each), then the draw for a change of variant. A drum
// before the bank has loaded and a note with every music voice sounding cost no voice draws.
TEST(Music, BeatCostsItsDrawsEvenWhenNotesAreDropped)
{
    for (auto [loaded, voicesFull, draws] :
         {std::tuple{true, false, 13}, {false, false, 11}, {true, true, 7}})
    {
        InitAudio();
        SamplesLoaded = loaded;
        for (int v = FirstMusicVoice + (voicesFull ? 0 : 3); v < MaxVoices; ++v)
        {
            VoiceSounding[v] = true; // a search from 9 wraps round to 0, 1 and 2
        }
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
