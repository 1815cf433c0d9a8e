// The volume and the mute as the player sets them.
#include "app/sound_control.h"

#include "app/settings.h"
#include "audio/volume.h"
#include "display/canvas.h"
#include "display/font.h"

#include <algorithm>
#include <cstdio>

int Volume = MaxVolume;
bool Muted = false;
bool SoundDeviceSilent = false;
int SoundNoticeLeft = 0;

namespace
{
constexpr int UpperRow = 47;             // the notice's first word
constexpr int LowerRow = 40;             // its second
constexpr int BoxHalfWidth = 13;         // columns each side of the middle
constexpr unsigned char WordColour = 1;  // grey, as the help words
constexpr unsigned char LevelColour = 9; // red, as the keys

void DrawCentred(const char* text, int middle, int row, unsigned char colour)
{
    DrawText(text, middle - TextWidth(text) / 2, row, colour, 1);
}
} // namespace

void SetSound(int volume, bool muted)
{
    Volume = std::clamp(volume, 0, MaxVolume);
    Muted = muted;
    SetOutputVolume(Volume, Muted);
}

bool IsSoundKey(Key key)
{
    return key == KeyMute || key == KeyVolumeDown || key == KeyVolumeUp;
}

void PressSoundKey(Key key)
{
    if (!IsSoundKey(key))
    {
        return;
    }
    if (key == KeyMute)
    {
        Muted = !Muted;
    }
    else
    {
        // A step heard at once: up from a mute plays again at the level it had.
        Volume = std::clamp(Volume + (key == KeyVolumeUp ? 1 : -1) * (Muted ? 0 : 1), 0, MaxVolume);
        Muted = Muted && key == KeyVolumeDown;
    }
    SetOutputVolume(Volume, Muted);
    KeepSoundChoice(Volume, Muted);
    SoundNoticeLeft = SoundNoticeSteps;
}

void TickSoundNotice(int steps)
{
    SoundNoticeLeft = std::max(SoundNoticeLeft - std::max(steps, 0), 0);
}

void DrawSoundNotice(int middle)
{
    if (SoundNoticeLeft == 0)
    {
        return; // nothing changed lately
    }
    FillRect(middle - BoxHalfWidth, LowerRow - 2, middle + BoxHalfWidth, UpperRow + GlyphSide + 1,
             Black);
    if (SoundDeviceSilent)
    {
        DrawCentred("no", middle, UpperRow, WordColour);
        DrawCentred("sound", middle, LowerRow, WordColour);
    }
    else if (Muted)
    {
        DrawCentred("sound", middle, UpperRow, WordColour);
        DrawCentred("off", middle, LowerRow, LevelColour);
    }
    else
    {
        char level[4];
        std::snprintf(level, sizeof level, "%d", Volume);
        DrawCentred("volume", middle, UpperRow, WordColour);
        DrawCentred(level, middle, LowerRow, LevelColour);
    }
}
