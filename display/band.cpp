// The title screen's left band.
#include "display/band.h"

#include "display/font.h"

namespace
{
constexpr int BandMiddle = 16; // column
constexpr int TopLineRow = 39;
constexpr int LineGap = 7; // rows from one line to the next
} // namespace

void DrawBandText(const char* text, int line, unsigned char colour)
{
    if (line < 0 || line >= BandLines)
    {
        return;
    }
    DrawText(text, BandMiddle - TextWidth(text) / 2, TopLineRow - line * LineGap, colour, 1);
}
