// Where the board lies on the canvas and how positions on it are counted.
#pragma once

constexpr int BoardColumns = 6; // board cells across, columns 0..5
constexpr int BoardRows = 8;    // board cells up, rows 0..7
constexpr int BoardLeft = 28;   // canvas column of the board's left edge
constexpr int CellSide = 12;    // canvas cells per board cell side
constexpr int SubCell = 64;     // position units per canvas cell
