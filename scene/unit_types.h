// The two kinds of unit, the ball and the player, as one table of records.
#pragma once

enum UnitTypeId
{
    UnitBall,   // the one ball
    UnitPlayer, // a player of either team
    UnitTypeCount
};

struct UnitType
{
    int life;         // life of a new unit, 1
    int sprite;       // Sprites row for team 0 and the ball
    int spriteTeam1;  // Sprites row for team 1
    float slideScale; // canvas cells per slide unit
    bool solid;       // blocks its cell for steps and pushes
    int debrisKind;   // EffectKinds row of its fragments, 0 none
    int debrisCount;  // fragments it bursts into when it leaves
};

// Read-only for the whole run.
extern const UnitType UnitTypes[UnitTypeCount];
