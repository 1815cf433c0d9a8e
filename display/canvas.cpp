// The cell canvas.
#include "display/canvas.h"

#include <cstring>

unsigned char ScreenCells[CanvasCells];

void ClearCanvas()
{
    std::memset(ScreenCells, 0, sizeof ScreenCells);
}
