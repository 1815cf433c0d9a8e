// How well the computer opponent plays, and the name a match shows for it.
#pragma once

// The computer's levels; the numbers are the ones a match is recorded with, 0 for a match of
// two people.
enum ComputerLevel
{
    LevelNone = 0,   // no computer: two people, or a friend online
    LevelEasy = 1,   // plans 2 moves ahead and walks to the ball; never defends, never switches
    LevelNormal = 2, // plans 5 moves ahead, never defends
    LevelHard = 3,   // sees all it can: the computer as it always was
};

// The level's word where the computer's team is named: in its turn's banner, at the end of
// the match and on the title screen; "cpu" for LevelNone. Each is no wider than the banner's
// box and the title screen's side band allow.
constexpr const char* LevelName(ComputerLevel level)
{
    switch (level)
    {
        case LevelEasy:
            return "easy";
        case LevelNormal:
            return "normal";
        case LevelHard:
            return "hard";
        default:
            return "cpu";
    }
}
