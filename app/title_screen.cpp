// The title screen shown between matches.
#include "app/title_screen.h"

#include "display/font.h"
#include "display/pictures.h"
#include "platform/names.h"

namespace
{
constexpr unsigned char TitleColour = 3; // brown
constexpr unsigned char KeyColour = 9;   // red: the arrows
constexpr unsigned char WordColour = 1;  // grey: what the arrows do
constexpr int HelpLeft = 28;             // column where the key lines start
constexpr int ComputerHintLeft = 97;     // "1 vs cpu", right of picture 0
constexpr int ComputerHintRow = 40;
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
        // In the free band right of the picture: the key of a match against the computer.
        DrawText("1", ComputerHintLeft, ComputerHintRow, KeyColour, 1);
        DrawText("vs cpu", ComputerHintLeft + TextWidth("1 "), ComputerHintRow, WordColour, 1);
    }
}
