// The cell canvas: everything the game shows is drawn into these 128 x 96 colour numbers.
#pragma once

constexpr int CanvasWidth = 128;                        // cells, x from the left
constexpr int CanvasHeight = 96;                        // cells, y from the bottom
constexpr int CanvasCells = CanvasWidth * CanvasHeight; // 12288
constexpr unsigned char Black = 255;                    // any of 128..255 shows pure black

// Colour numbers of cell (x, y) at index x * CanvasHeight + y: each column's 96 cells
// are adjacent. 0 is the background, 1..9 the palette colours, 128..255 black.
// Main thread only; cleared before every frame.
extern unsigned char ScreenCells[CanvasCells];

// Sets every cell to 0.
void ClearCanvas();

inline bool OnCanvas(int x, int y)
{
    return x >= 0 && x < CanvasWidth && y >= 0 && y < CanvasHeight;
}

// Writes one cell; a cell off the canvas is skipped.
inline void PlotCell(int x, int y, unsigned char colour)
{
    if (OnCanvas(x, y))
    {
        ScreenCells[x * CanvasHeight + y] = colour;
    }
}

// Fills the cells from (left, bottom) to (right, top), corners included, as PlotCell on
// each of them would: cells off the canvas are skipped, and an empty range fills nothing.
void FillRect(int left, int bottom, int right, int top, unsigned char colour);
