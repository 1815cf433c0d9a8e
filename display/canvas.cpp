// The cell canvas: clearing it and filling rectangles.
#include "display/canvas.h"

#include <algorithm>
#include <cstring>

unsigned char ScreenCells[CanvasCells];

void ClearCanvas()
{
    std::memset(ScreenCells, 0, sizeof ScreenCells);
}

void FillRect(int left, int bottom, int right, int top, unsigned char colour)
{
    left = std::max(left, 0);
    right = std::min(right, CanvasWidth - 1);
    bottom = std::max(bottom, 0);
    top = std::min(top, CanvasHeight - 1);
    if (bottom > top)
    {
        return; // nothing of it on the canvas
    }
    // A column's cells are adjacent in ScreenCells, so each column is filled as one run.
    for (int x = left; x <= right; ++x)
    {
        std::memset(&ScreenCells[x * CanvasHeight + bottom], colour, top - bottom + 1);
    }
}
