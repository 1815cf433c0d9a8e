// The rules page and its pointer on the title screen.
#include "app/rules_page.h"

#include "display/font.h"

#include <cstring>

namespace
{
constexpr unsigned char TitleColour = 3; // brown, as the title screen's names
constexpr unsigned char KeyColour = 9;   // red, as the title screen's keys
constexpr unsigned char WordColour = 1;  // grey, as its words
constexpr int TitleRow = 88;             // the foot of "rules"
constexpr int FirstRow = 79;             // the foot of the first line below it
constexpr int LineGap = 7;               // rows from one line's foot to the next
constexpr int LeftColumn = 2;            // where each line starts
constexpr int HintMiddle = 16;           // the title screen's left band
constexpr int HintRow = 63;              // above the browser's sound hint and online words
constexpr char KeyMark = '|';            // in RulesLines: what follows is a key, until the next

// The page's lines, keys between marks. Each fits the canvas's 128 columns.
constexpr const char* RulesLines[] = {
    "two teams of three. one ball.",    "a turn: |4| to |9| moves for a",
    "player picked at random.",         "|^| step and push  |<>| turn",
    "|&| switch to a random teammate",  "ball at rest on a goal row",
    "scores for the team on turn.",     "five goals win.",
    "|1 2 3| vs cpu. others: 2 people", "|esc| leave  |p| pause  |m| sound",
    "|- +| volume  |f12| screenshot",   "any key returns",
};
constexpr int RulesLineCount = sizeof RulesLines / sizeof RulesLines[0];
static_assert(FirstRow - (RulesLineCount - 1) * LineGap >= 0, "every line on the canvas");

// Draws a line from the column, its pieces between marks in the key colour.
void DrawMarkedLine(const char* line, int x, int row)
{
    char piece[64];
    bool key = false;
    while (*line != '\0')
    {
        const char* mark = std::strchr(line, KeyMark);
        const std::size_t length =
            mark != nullptr ? static_cast<std::size_t>(mark - line) : std::strlen(line);
        const std::size_t kept = length < sizeof piece ? length : sizeof piece - 1;
        std::memcpy(piece, line, kept);
        piece[kept] = '\0';
        DrawText(piece, x, row, key ? KeyColour : WordColour, 1);
        x += TextWidth(piece);
        line += length + (mark != nullptr ? 1 : 0);
        key = !key;
    }
}
} // namespace

void DrawRulesPage()
{
    DrawText("rules", 64 - TextWidth("rules") / 2, TitleRow, TitleColour, 1);
    for (int n = 0; n < RulesLineCount; ++n)
    {
        DrawMarkedLine(RulesLines[n], LeftColumn, FirstRow - n * LineGap);
    }
}

void DrawRulesHint()
{
    const int left = HintMiddle - TextWidth("r rules") / 2;
    DrawText("r", left, HintRow, KeyColour, 1);
    DrawText("rules", left + TextWidth("r "), HintRow, WordColour, 1);
}
