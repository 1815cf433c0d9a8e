// The two kinds of unit, the ball and the player, as one table of records.
#include "scene/unit_types.h"

#include "scene/effects.h"
#include "scene/sprites.h"

const UnitType UnitTypes[UnitTypeCount] = {
    {1, SpriteBall, SpriteBall, 1.5f, true, EffectDebris, 32},   // UnitBall
    {1, SpriteTeam0, SpriteTeam1, 1.5f, true, EffectDebris, 16}, // UnitPlayer
};
