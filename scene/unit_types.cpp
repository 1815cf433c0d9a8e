// The two kinds of unit, the ball and the player, as one table of records.
#include "scene/unit_types.h"

#include "match/turn_rules.h"
#include "scene/effects.h"
#include "scene/sprites.h"

namespace
{
// Players follow the keys alone; they have no rule of their own.
void StandStill(Unit&, GameState&) {}
} // namespace

const UnitType UnitTypes[UnitTypeCount] = {
    {1, SpriteBall, SpriteBall, BallStep, 1.5f, true, EffectDebris, 32},     // UnitBall
    {1, SpriteTeam0, SpriteTeam1, StandStill, 1.5f, true, EffectDebris, 16}, // UnitPlayer
};
