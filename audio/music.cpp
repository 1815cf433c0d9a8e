// The generated music: chords, the two generators and their variants, music voice starts.
#include "audio/music.h"

#include "audio/sample_bank.h"
#include "audio/voices.h"
#include "platform/rand.h"

const int MusicScale[ScaleNotes] = {1, 2, 4, 6, 8, 10, 11};

const int ChordTable[ChordCount][ChordNotes] = {
    // r, r + 1, r + 4, r + 7
    {0, 1, 4, 7},
    {1, 2, 5, 8},
    {2, 3, 6, 9},
    {3, 4, 7, 10},
    {4, 5, 8, 11},
    {5, 6, 9, 12},
    {6, 7, 10, 13},
    // r, r + 2, r + 4, r + 7
    {0, 2, 4, 7},
    {1, 3, 5, 8},
    {2, 4, 6, 9},
    {3, 5, 7, 10},
    {4, 6, 8, 11},
    {5, 7, 9, 12},
    {6, 8, 10, 13},
    // r, r + 2, r + 4, r + 6
    {0, 2, 4, 6},
    {1, 3, 5, 7},
    {2, 4, 6, 8},
    {3, 5, 7, 9},
    {4, 6, 8, 10},
    {5, 7, 9, 11},
    {6, 8, 10, 12},
};

const int ChordOrder[ChordCount] = {7,  1,  0,  2,  3,  8, 9, 10, 11, 14, 15,
                                    16, 17, 18, 19, 20, 4, 5, 6,  12, 13};

int CurrentChord;
int MusicVariation;
int NextMusicVoice;

namespace
{
constexpr float MatchDrumSend = 0.5f;
constexpr float MatchNoteSend = 1.0f;
constexpr float TitleDrumSend = 0.7f;
constexpr float TitleNoteSend = 1.6f;

// True with chance 1 / m: one draw.
bool Chance(int m)
{
    return Rand() % m == 0;
}

int ChordMember(int index)
{
    return ChordTable[CurrentChord][index];
}

void Drum(int drum, float volume, std::uint32_t delay, float send)
{
    StartMusicVoice(SoundDrum0 + drum, 0.0f, volume, send, 0, 0, delay);
}

void Note(int degree, int shift, float volume, std::uint32_t sustain, std::uint32_t release,
          std::uint32_t delay, float send)
{
    StartMusicVoice(SoundSquare, MusicNote(degree, shift), volume, send, sustain, release, delay);
}

// Match music, notes: a half-beat pair drawn member then shift for each, in delay order.
void MatchNotePair(int lowestShift)
{
    for (std::uint32_t delay : {0u, HalfBeat})
    {
        const int degree = ChordMember(Rand() % ChordNotes);
        const int shift = Rand() % 3 + lowestShift;
        Note(degree, shift, 0.025f, HalfBeat, 0, delay, MatchNoteSend);
    }
}

// Match music, notes: one two-beat note.
void MatchLongNote(int lowestShift)
{
    const int degree = ChordMember(Rand() % ChordNotes);
    const int shift = Rand() % 3 + lowestShift;
    Note(degree, shift, 0.025f, BeatLength, BeatLength, 0, MatchNoteSend);
}

void MatchVariant0(int beat)
{
    const int s = beat % 8;
    const int t = beat % 4;
    if (s == 0 || s == 5)
    {
        Drum(BiasedPick(DrumCount, 1), 0.08f, 0, MatchDrumSend);
    }
    else if ((s == 3 || s == 7) && Rand() % 2 != 0)
    {
        Drum(BiasedPick(DrumCount, 2), 0.06f, 0, MatchDrumSend);
    }
    else if (Chance(4))
    {
        Drum(BiasedPick(DrumCount, 3), 0.04f, 0, MatchDrumSend);
    }
    if (t == 1)
    {
        MatchLongNote(-2);
    }
    else if (t == 0)
    {
        MatchNotePair(-2);
    }
}

void MatchVariant1(int beat)
{
    const int s = beat % 8;
    if (s == 0 || s == 2 || s == 5)
    {
        Drum(BiasedPick(DrumCount, 1), 0.08f, 0, MatchDrumSend);
        if (Rand() % 2 != 0)
        {
            Drum(BiasedPick(DrumCount, 3), 0.04f, HalfBeat, MatchDrumSend);
        }
    }
    else if ((s == 3 || s == 6) && Rand() % 2 != 0)
    {
        Drum(BiasedPick(DrumCount, 2), 0.06f, 0, MatchDrumSend);
        Drum(BiasedPick(DrumCount, 3), 0.05f, HalfBeat, MatchDrumSend);
    }
    else if (Chance(4))
    {
        Drum(BiasedPick(DrumCount, 3), 0.05f, 0, MatchDrumSend);
    }
    if (s == 3)
    {
        MatchLongNote(-1);
    }
    else if (s == 0 || s == 1)
    {
        MatchNotePair(-1);
    }
}

// Title music, notes: a one-beat note of a chord member, one to three octaves down, then
// octave octaves up.
void TitleNote(int memberIndex, int octave, float volume)
{
    const int degree = ChordMember(memberIndex);
    const int b1 = Rand() % 2;
    const int b2 = Rand() % 2;
    Note(degree, octave - 1 - b1 - b2, volume, BeatLength, 0, 0, TitleNoteSend);
}

void TitleVariant0(int beat)
{
    if (Chance(beat % 2 + 2))
    {
        TitleNote(BiasedPick(ChordNotes, 2), 0, 0.035f);
    }
    if (Chance(beat % 6 + 3))
    {
        Drum(BiasedPick(DrumCount, 3), 0.06f, 0, TitleDrumSend);
    }
}

void TitleVariant1(int beat)
{
    if (Chance(beat % 3 + 1))
    {
        TitleNote(Rand() % ChordNotes, 0, 0.036f);
    }
    if (Chance(beat % 3 + 3))
    {
        Drum(Rand() % DrumCount, 0.06f, 0, TitleDrumSend);
    }
}

void TitleVariant2(int beat)
{
    if (Chance(beat % 3 + 1))
    {
        TitleNote(Rand() % ChordNotes, beat % 8 == 0 ? 2 : 0, 0.038f);
    }
    if (Chance(2))
    {
        Drum(BiasedPick(DrumCount, 3), 0.06f, 0, TitleDrumSend);
        if (Chance(8))
        {
            Drum(BiasedPick(DrumCount, 2), 0.06f, HalfBeat, TitleDrumSend);
        }
    }
}

void TitleVariant3(int beat)
{
    if (Chance(beat % 2 + 1))
    {
        TitleNote(Rand() % ChordNotes, beat % 4 == 0 ? 2 : 0, 0.04f);
    }
    const int u = beat % 3;
    if (u == 0 || Rand() % u == 0)
    {
        Drum(Rand() % DrumCount, 0.05f, 0, TitleDrumSend);
    }
    if (Chance(4))
    {
        Drum(BiasedPick(DrumCount, 2), 0.05f, HalfBeat, TitleDrumSend);
    }
}
} // namespace

void InitMusic()
{
    CurrentChord = 0;
    MusicVariation = 0;
    NextMusicVoice = 0;
}

int BiasedPick(int bound, int rounds)
{
    int pick = bound;
    for (int round = 0; round < rounds; ++round)
    {
        if (pick >= Rand() % bound)
        {
            pick = Rand() % bound;
        }
    }
    return pick;
}

float MusicNote(int degree, int shift)
{
    return IntegerPower(2.0f, degree / ScaleNotes + shift) *
           NoteFrequencies[MusicScale[degree % ScaleNotes]];
}

void StartMusicVoice(int sound, float frequency, float volume, float send, std::uint32_t sustain,
                     std::uint32_t release, std::uint32_t delay)
{
    if (sound >= FirstSampleSound && !SamplesLoaded.load(std::memory_order_acquire))
    {
        return; // no drums until the bank has loaded
    }
    int index = NextMusicVoice;
    while (VoiceSounding[FirstMusicVoice + index])
    {
        index = (index + 1) % (MaxVoices - FirstMusicVoice);
        if (index == NextMusicVoice)
        {
            return; // every music voice sounds: the note is dropped
        }
    }
    NextMusicVoice = index;
    Voice& voice = Voices[FirstMusicVoice + index];
    StartVoice(voice, sound, frequency, volume, send, 0.0f, 0, sustain, release, delay);
    AlignVoiceStart(voice);
    VoiceSounding[FirstMusicVoice + index] = true;
}

void MatchMusic(int beat)
{
    if (MusicVariation % 2 == 0)
    {
        MatchVariant0(beat);
    }
    else
    {
        MatchVariant1(beat);
    }
    if (beat == 0 && Chance(8))
    {
        MusicVariation = (MusicVariation + 1) % 2;
    }
}

void TitleMusic(int beat)
{
    switch (MusicVariation)
    {
        case 0:
            TitleVariant0(beat);
            break;
        case 1:
            TitleVariant1(beat);
            break;
        case 2:
            TitleVariant2(beat);
            break;
        default:
            TitleVariant3(beat);
            break;
    }
    if (beat == 0)
    {
        MusicVariation = (MusicVariation + BiasedPick(3, 3)) % 4;
    }
}

void PlayBeat(bool titleMusic)
{
    const int beat = static_cast<int>(SampleClock / BeatLength % BarBeats);
    if (beat == 0)
    {
        CurrentChord = ChordOrder[Rand() % ChordCount];
    }
    if (titleMusic)
    {
        TitleMusic(beat);
    }
    else
    {
        MatchMusic(beat);
    }
}
