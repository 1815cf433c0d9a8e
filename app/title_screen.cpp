// The title screen shown between matches.
#include "app/title_screen.h"

#include "app/rules_page.h"
#include "display/font.h"
#include "display/pictures.h"
#include "match/computer_level.h"
#include "platform/names.h"

namespace
{
constexpr unsigned char TitleColour = 3; // brown
constexpr unsigned char KeyColour = 9;   // red: the arrows
constexpr unsigned char WordColour = 1;  // grey: what the arrows do
constexpr int HelpLeft = 28;             // column where the key lines start
constexpr int ComputerHintLeft = 97;     // "vs cpu" and the levels' keys, right of picture 0
constexpr int LevelWordLeft = 102;       // the levels' names: two free columns after the key
constexpr int ComputerHintRow = 55;      // "vs cpu", and below it one line per level
constexpr int LevelLineGap = 7;          // rows from line to line
constexpr int SoundHintRow = 56;    // "click for" in the free band left of picture 0, "sound" below
constexpr int SoundHintLineGap = 7; // rows
constexpr int LeftBandWidth = 32;   // columns 0..31
} // namespace

bool SoundWaitsForPerson = false;
bool ComputerOffered = true;

void DrawTitleScreen()
{
    DrawText(TitleName, 64 - TextWidth(TitleName), 83, TitleColour, 2);
    DrawText(ProgramName, 64 - TextWidth(ProgramName), 71, TitleColour, 2);
    DrawHelpText();
    DrawRulesHint();
    if (SoundWaitsForPerson)
    {
        DrawText("click", 0, SoundHintRow, KeyColour, 1);
        DrawText("for", TextWidth("click "), SoundHintRow, WordColour, 1);
        DrawText("sound", (LeftBandWidth - TextWidth("sound")) / 2, SoundHintRow - SoundHintLineGap,
                 WordColour, 1);
    }
}

void DrawHelpText()
{
    DrawPicture(0, 64, 40);

    // Each piece starts where the text before it, trailing space included, ends.
    DrawText("<>", HelpLeft, 16, KeyColour, 1);
    DrawText("rotate", HelpLeft + TextWidth("<> "), 16, WordColour, 1);
    DrawText("^", HelpLeft + TextWidth("<> rotate "), 16, KeyColour, 1);
    DrawText("move", HelpLeft + TextWidth("<> rotate ^ "), 16, WordColour, 1);

    DrawText("&", HelpLeft, 9, KeyColour, 1);
    DrawText("switch teammate", HelpLeft + TextWidth("& "), 9, WordColour, 1);

    DrawText("get ball to any goal to score", 7, 2, WordColour, 1);

    if (ComputerOffered)
    {
        // In the free band right of the picture: the keys of a match against the computer,
        // one a level, the names in a column of their own: "2 normal" spaced as the help
        // lines are would be wider than the band.
        DrawText("vs cpu", ComputerHintLeft, ComputerHintRow, WordColour, 1);
        const char* keys[] = {"1", "2", "3"};
        for (int level = LevelEasy; level <= LevelHard; ++level)
        {
            const int row = ComputerHintRow - 1 - LevelLineGap * level;
            DrawText(keys[level - 1], ComputerHintLeft, row, KeyColour, 1);
            DrawText(LevelName(static_cast<ComputerLevel>(level)), LevelWordLeft, row, WordColour,
                     1);
        }
    }
}
