// Short-lived particles: the fragments a unit bursts into when it leaves the board.
#pragma once

#include "scene/sprites.h"

#include <list>

// Position limits of an effect, in 1/64 canvas cell from the board's origin; an effect
// that runs into one is held there and expires.
constexpr int EffectAreaWidth = 128 * 64;
constexpr int EffectAreaHeight = 96 * 64;

// Kind numbers, the rows of EffectKinds. Kinds 1 and 2 are never created by the game.
enum EffectKindId
{
    EffectNone = 0,   // no debris
    EffectDebris = 3, // one fragment of a burst unit
    EffectKindCount
};

struct Effect
{
    int kind;   // EffectKinds row
    int x, y;   // position in 1/64 canvas cell from the board's origin, 0..8192 and 0..6144
    int dx, dy; // velocity in 1/64 canvas cell per step
    int colour; // canvas colour it is drawn in, never 0 for debris
    float life; // from the kind's initial life down by its decay per step
    bool dead;  // expired or out of its area; the next step deletes it
};

struct EffectKind
{
    void (*init)(Effect& effect);       // once, at creation
    void (*update)(Effect& effect);     // every step after the common update
    void (*draw)(const Effect& effect); // every frame, dead or not
    float initialLife;                  // life of a new effect
    float decay;                        // life lost per step
};

// Read-only for the whole run.
extern const EffectKind EffectKinds[EffectKindCount];

// Bursts a leaving unit into count fragments of the kind, appended to effects. Each takes
// the colour of a random opaque pixel of the sprite (two draws, row then column, repeated on
// a transparent pixel) and starts on the canvas cell of (x, y), the unit's centre in 1/64
// cell; the kind's init then gives it a direction. A sprite without an opaque pixel bursts
// into nothing. Called by the scene's removal pass.
void SpawnDebris(std::list<Effect>& effects, int kind, int count, const Sprite& sprite, int x,
                 int y);

// One step of an effect that is not dead: life falls by the decay, the position moves
// by the velocity and is held inside the area (leaving it kills the effect), the effect
// dies once its life is no more than one decay, and then its kind's update runs.
void UpdateEffect(Effect& effect);
