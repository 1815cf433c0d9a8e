// Short-lived particles: the fragments a unit bursts into when it leaves the board.
#include "scene/effects.h"

#include "display/canvas.h"
#include "platform/rand.h"
#include "scene/board_geometry.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double FullTurn = 6.2831854820251465; // radians in a turn, as a single-precision value
constexpr int Directions = 360;                 // directions a fragment may fly in

void Inert(Effect&) {}

void DrawNothing(const Effect&) {}

// A random direction and, on each axis separately, a random speed of up to 16/64 cell
// per step. Three draws: direction, x speed, y speed.
void Burst(Effect& effect)
{
    const int k = Rand() % Directions;
    const float angle = static_cast<float>(k * FullTurn / Directions);
    const int speedX = (Rand() & 127) + 1;
    const float sine = static_cast<float>(std::sin(static_cast<double>(angle)));
    effect.dx = static_cast<int>(sine * speedX * 0.125);
    const int speedY = (Rand() & 127) + 1;
    const float cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
    effect.dy = static_cast<int>(cosine * speedY * 0.125);
}

// Whether the sprite's first n rows and columns hold a pixel that is not transparent.
bool HasOpaquePixel(const Sprite& sprite, int n)
{
    for (int row = 0; row < n; ++row)
    {
        for (int column = 0; column < n; ++column)
        {
            if (sprite.pixels[row][column] != 0)
            {
                return true;
            }
        }
    }
    return false;
}

void PlotFragment(const Effect& effect)
{
    PlotCell(effect.x / SubCell + BoardLeft, effect.y / SubCell,
             static_cast<unsigned char>(effect.colour));
}
} // namespace

const EffectKind EffectKinds[EffectKindCount] = {
    {Inert, Inert, DrawNothing, 0.0f, 0.0f},   // EffectNone
    {Inert, Inert, DrawNothing, 0.0f, 0.0f},   // 1, unused
    {Inert, Inert, DrawNothing, 0.0f, 0.0f},   // 2, unused
    {Burst, Inert, PlotFragment, 1.0f, 0.01f}, // EffectDebris
};

void SpawnDebris(std::list<Effect>& effects, int kind, int count, const Sprite& sprite, int x,
                 int y)
{
    const int n = std::min<int>(sprite.size, SpriteGrid);
    if (!HasOpaquePixel(sprite, n))
    {
        return; // nothing to take a colour from: no fragments rather than a search without end
    }
    for (int made = 0; made < count;)
    {
        const int row = Rand() % n;
        const int column = Rand() % n;
        const int colour = sprite.pixels[row][column];
        if (colour == 0)
        {
            continue; // transparent: draw again
        }
        Effect& effect = effects.emplace_back();
        effect.kind = kind;
        effect.x = x / SubCell * SubCell;
        effect.y = y / SubCell * SubCell;
        effect.dx = 0;
        effect.dy = 0;
        effect.colour = colour;
        effect.dead = false;
        effect.life = EffectKinds[kind].initialLife;
        EffectKinds[kind].init(effect);
        ++made;
    }
}

void UpdateEffect(Effect& effect)
{
    const EffectKind& kind = EffectKinds[effect.kind];
    effect.life -= kind.decay;
    effect.x += effect.dx;
    effect.y += effect.dy;
    if (effect.x < 0)
    {
        effect.x = 0;
        effect.dead = true;
    }
    else if (effect.x > EffectAreaWidth)
    {
        effect.x = EffectAreaWidth;
        effect.dead = true;
    }
    if (effect.y < 0)
    {
        effect.y = 0;
        effect.dead = true;
    }
    else if (effect.y > EffectAreaHeight)
    {
        effect.y = EffectAreaHeight;
        effect.dead = true;
    }
    if (!(effect.life > kind.decay))
    {
        effect.dead = true;
    }
    kind.update(effect);
}
