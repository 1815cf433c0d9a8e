// The match screen: board, goal zones, marker, side panels, scores, moves, banner,
// pictures and the dissolve at the end. Layout in canvas cells, x from the left, y up.
#pragma once

constexpr int BoardRight = 99;     // last canvas column of the board
constexpr int LeftFrame = 27;      // column of the line left of the board
constexpr int RightFrame = 100;    // column of the line right of the board
constexpr int GoalZoneHeight = 12; // rows of each goal zone, one board row

// Colours of the match screen (canvas colour numbers).
constexpr unsigned char GoalColour = 7;      // goal zones and the marker's inside
constexpr unsigned char LabelColour = 8;     // "goal" labels
constexpr unsigned char FrameColour = 9;     // frame lines, marker ring, move number
constexpr unsigned char MovesWordColour = 6; // the word "moves"

// A team's colour for frames and markers (1 or 3) and for its texts (2 or 4).
constexpr unsigned char TeamFrameColour(int team)
{
    return static_cast<unsigned char>(2 * team + 1);
}
constexpr unsigned char TeamTextColour(int team)
{
    return static_cast<unsigned char>(2 * team + 2);
}
