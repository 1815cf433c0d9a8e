// Tests of the generated music: the biased pick, note pitches, the patterns of every variant
// of both generators, the cost in draws of a beat, and dropped notes.
#include "audio/music.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "platform/rand.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace
{
using Outcomes = std::set<std::string>;

// A clean start whose drums are 10 frames long, loaded or not.
void ResetBank(bool loaded)
{
    InitAudio();
    for (int d = 0; d < DrumCount; ++d)
    {
        SampleBank[d] = {10, static_cast<StereoFrame*>(std::calloc(10, sizeof(StereoFrame)))};
    }
    SamplesLoaded = loaded;
}

bool Boosted(float volume, float base)
{
    return volume >= base * 1.4999f && volume <= base * 1.6024f;
}

// Plays one beat from clock 0 and describes what it started, in start order: drums by their
// volume in hundredths ("8" for 0.08), notes as "L" (two beats), "P" (half a beat) or "T" (one
// beat), "h" after a start half a beat late. Checks on the way what holds for every voice: the
// generator's sends, pitches of the chord within the octave shifts, the note volume.
std::pair<std::string, std::string> Play(bool title, int variation, int step, unsigned seed,
                                         float noteVolume, int lowestShift)
{
    InitVoices();
    InitMusic(); // voices start from 64 on, so their numbers keep the start order
    MusicVariation = variation;
    CurrentChord = static_cast<int>(seed % ChordCount);
    SeedRand(seed);
    title ? TitleMusic(step) : MatchMusic(step);
    std::string drums, notes;
    for (int v = FirstMusicVoice; v < MaxVoices; ++v)
    {
        const Voice& voice = Voices[v];
        if (!VoiceActive[v])
        {
            continue;
        }
        const bool late = voice.delay == 3 * GridLength; // half a beat, moved onto the grid
        const float volume = late ? voice.volume / 0.75f : voice.volume;
        EXPECT_TRUE(voice.delay == 0 || late) << voice.delay;
        std::string code;
        if (voice.sound == SoundSquare)
        {
            std::set<float> pitches;
            for (int member : ChordTable[CurrentChord])
            {
                for (int shift = lowestShift; shift <= lowestShift + 2; ++shift)
                {
                    pitches.insert(MusicNote(member, shift));
                }
            }
            EXPECT_EQ(pitches.count(voice.frequency), 1u) << voice.frequency;
            EXPECT_TRUE(Boosted(volume, noteVolume)) << volume;
            EXPECT_FLOAT_EQ(voice.send, title ? 1.6f : 1.0f);
            code = voice.release == BeatLength ? "L" : voice.sustain == HalfBeat ? "P" : "T";
        }
        else
        {
            EXPECT_TRUE(voice.sound >= FirstSampleSound && voice.sustain == 10u);
            EXPECT_FLOAT_EQ(voice.send, title ? 0.7f : 0.5f);
            for (int hundredths : {4, 5, 6, 8})
            {
                code += Boosted(volume, hundredths / 100.0f) ? std::to_string(hundredths) : "";
            }
        }
        std::string& list = voice.sound == SoundSquare ? notes : drums;
        list += (list.empty() ? "" : " ") + code + (late ? "h" : "");
    }
    return {drums, notes};
}

// For every step, 400 seeded beats must show exactly the outcomes the step allows.
template<typename PatternOf>
void ExpectPatterns(bool title, int variation, float noteVolume, PatternOf patternOf)
{
    for (int step = 0; step < BarSteps; ++step)
    {
        const auto [lowestShift, allowedDrums, allowedNotes] = patternOf(step);
        Outcomes drums, notes;
        for (unsigned seed = 1; seed <= 400; ++seed)
        {
            const auto [beatDrums, beatNotes] =
                Play(title, variation, step, seed, noteVolume, lowestShift);
            drums.insert(beatDrums);
            notes.insert(beatNotes);
        }
        EXPECT_EQ(drums, allowedDrums) << "variant " << variation << " step " << step;
        EXPECT_EQ(notes, allowedNotes) << "variant " << variation << " step " << step;
    }
}

// A note drawn with chance 1/n: sure when n is 1.
Outcomes MaybeNote(int n)
{
    return n == 1 ? Outcomes{"T"} : Outcomes{"", "T"};
}
} // namespace

TEST(Music, BiasedPickReplacesOnEveryPassItLosesAndLeansLow)
{
    SeedRand(4);
    Rand();
    const int second = Rand();
    const int third = Rand();
    SeedRand(4);
    EXPECT_EQ(BiasedPick(16, 1), second % 16); // the first pass always replaces: two draws
    EXPECT_EQ(Rand(), third);
    long sum = 0;
    for (int i = 0; i < 4000; ++i)
    {
        const int pick = BiasedPick(16, 3);
        ASSERT_TRUE(pick >= 0 && pick < 16);
        sum += pick;
    }
    EXPECT_LT(sum / 4000.0, 6.0); // a uniform pick averages 7.5
}

TEST(Music, NotesSpanTheScaleAndUpperDegreesSoundAnOctaveHigher)
{
    InitAudio();
    EXPECT_EQ(NoteFrequencies[12], 440.0f);
    EXPECT_NEAR(NoteFrequencies[0], 220.0f, 0.001f);
    EXPECT_EQ(MusicNote(0, 0), NoteFrequencies[1]);
    EXPECT_EQ(MusicNote(6, -1), NoteFrequencies[11] / 2.0f);
    for (int degree = 0; degree < ScaleSteps; ++degree)
    {
        EXPECT_EQ(MusicNote(degree + ScaleSteps, -2), 2.0f * MusicNote(degree, -2));
    }
}

TEST(Music, MatchVariantsPlayTheirPatterns)
{
    ResetBank(true);
    ExpectPatterns(false, 0, 0.025f,
                   [](int step)
                   {
                       const int s = step % 8;
                       const int t = step % 4;
                       return std::tuple{-2,
                                         s == 0 || s == 5   ? Outcomes{"8"}
                                         : s == 3 || s == 7 ? Outcomes{"", "6", "4"}
                                                            : Outcomes{"", "4"},
                                         Outcomes{t == 1   ? "L"
                                                  : t == 0 ? "P Ph"
                                                           : ""}};
                   });
    ExpectPatterns(false, 3, 0.025f, [](int step) { // a title variant, read modulo 2
        const int s = step % 8;
        return std::tuple{-1,
                          s == 0 || s == 2 || s == 5 ? Outcomes{"8", "8 4h"}
                          : s == 3 || s == 6         ? Outcomes{"", "6 5h", "5"}
                                                     : Outcomes{"", "5"},
                          Outcomes{s == 3             ? "L"
                                   : s == 0 || s == 1 ? "P Ph"
                                                      : ""}};
    });
}

TEST(Music, TitleVariantsPlayTheirPatterns)
{
    ResetBank(true);
    ExpectPatterns(true, 0, 0.035f,
                   [](int step) {
                       return std::tuple{-3, Outcomes{"", "6"}, MaybeNote(step % 2 + 2)};
                   });
    ExpectPatterns(true, 1, 0.036f,
                   [](int step) {
                       return std::tuple{-3, Outcomes{"", "6"}, MaybeNote(step % 3 + 1)};
                   });
    ExpectPatterns(true, 2, 0.038f,
                   [](int step)
                   {
                       return std::tuple{step % 8 == 0 ? -1 : -3, Outcomes{"", "6", "6 6h"},
                                         MaybeNote(step % 3 + 1)};
                   });
    ExpectPatterns(true, 3, 0.04f, [](int step) { // the first drum has chance 1/1 at u = 1
        return std::tuple{step % 4 == 0 ? -1 : -3,
                          step % 3 != 2 ? Outcomes{"5", "5 5h"} : Outcomes{"", "5", "5h", "5 5h"},
                          MaybeNote(step % 2 + 1)};
    });
}

// Match variant 0, step 0: a drum (a pick of two draws, then the voice's pan and volume),
// two notes (member, shift, pan, volume each), then the draw for a change of variant. A drum
// before the bank has loaded and a note with every music voice sounding cost no voice draws.
TEST(Music, BeatCostsItsDrawsEvenWhenNotesAreDropped)
{
    for (auto [loaded, voicesFull, draws] :
         {std::tuple{true, false, 13}, {false, false, 11}, {true, true, 7}})
    {
        ResetBank(loaded);
        for (int v = FirstMusicVoice + (voicesFull ? 0 : 3); v < MaxVoices; ++v)
        {
            VoiceActive[v] = true; // a search from 9 wraps round to 0, 1 and 2
        }
        NextMusicVoice = 9;
        SeedRand(77);
        std::vector<int> sequence(draws + 1);
        for (int& draw : sequence)
        {
            draw = Rand();
        }
        SeedRand(77);
        MatchMusic(0);
        EXPECT_EQ(Rand(), sequence[draws]) << draws;
        EXPECT_EQ(NextMusicVoice, voicesFull ? 9 : loaded ? 2 : 1) << draws;
    }
}

TEST(Music, VariantChangesOnlyAtTheStartOfABar)
{
    ResetBank(false);
    std::set<int> afterMatchBar, afterTitleBar;
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        for (int step = 0; step < BarSteps; ++step)
        {
            InitVoices();
            SeedRand(seed);
            MusicVariation = 3; // a title variant: the match music reads it modulo 2
            MatchMusic(step);
            if (step == 0)
            {
                afterMatchBar.insert(MusicVariation);
            }
            ASSERT_TRUE(step == 0 || MusicVariation == 3);
            MusicVariation = 2;
            TitleMusic(step);
            if (step == 0)
            {
                afterTitleBar.insert(MusicVariation);
            }
            ASSERT_TRUE(step == 0 || MusicVariation == 2);
        }
    }
    EXPECT_EQ(afterMatchBar, (std::set<int>{3, 0}));
    EXPECT_EQ(afterTitleBar, (std::set<int>{2, 3, 0}));
}
