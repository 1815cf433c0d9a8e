// The built-in images of the ball and the players, and the one operation that draws them.
#include "scene/sprites.h"

#include "display/canvas.h"

namespace
{
constexpr int ArtSide = 12; // every image of the game is 12 x 12

// One image as it reads: rows from the lowest on screen up, '.' transparent, digits
// the colour numbers.
using SpriteArt = const char* [ArtSide];

constexpr Sprite MakeSprite(const SpriteArt& art)
{
    Sprite sprite{};
    sprite.size = ArtSide;
    for (int r = 0; r < ArtSide; ++r)
    {
        for (int c = 0; c < ArtSide; ++c)
        {
            const char pixel = art[r][c];
            sprite.pixels[r][c] = static_cast<signed char>(pixel == '.' ? 0 : pixel - '0');
        }
    }
    return sprite;
}

constexpr SpriteArt BallArt = {
    "............", ".....667....", "...665567...", "..65555566..", "..65565656..", ".6595565556.",
    "..655656556.", "...65555567.", "...7658567..", "...7655567..", "....7666....", "............",
};

constexpr SpriteArt Team0Art = {
    "............", "............", "............", "..2..2.22...", "..12212552..", "..21112992..",
    "..12212552..", "..2..2.22...", "............", "............", "............", "............",
};

constexpr SpriteArt Team1Art = {
    "............", "............", ".......11...", "......1..2..", "..21.22.....", "....21295...",
    "....21259...", "..21.22.....", "......1..2..", ".......11...", "............", "............",
};

// Team 1 wears team 0's colours swapped: 1 <-> 3 and 2 <-> 4.
int TeamColour(int value, int team)
{
    if (team != 1 || value < 1 || value > 4)
    {
        return value;
    }
    return value <= 2 ? value + 2 : value - 2;
}
} // namespace

const Sprite Sprites[SpriteCount] = {
    MakeSprite(BallArt),  // SpriteBall
    MakeSprite(Team0Art), // SpriteTeam0
    MakeSprite(Team1Art), // SpriteTeam1
};

void DrawSprite(int sprite, int cx, int cy, int orientation, int team)
{
    if (sprite < 0 || sprite >= SpriteCount)
    {
        return; // no such sprite
    }
    const Sprite& image = Sprites[sprite];
    const int n = image.size;
    if (n <= 0)
    {
        return; // empty image
    }
    const int h = n / 2;
    const int last = n - 1;
    for (int i = 0; i < n; ++i)
    {
        for (int j = 0; j < n; ++j)
        {
            const int x = cx - h + j;
            const int y = cy - h + i;
            if (!OnCanvas(x, y))
            {
                continue;
            }
            int row = i;
            int column = j;
            switch (orientation & 3)
            {
                case 1:
                    row = last - j;
                    column = i;
                    break;
                case 2:
                    row = last - i;
                    column = last - j;
                    break;
                case 3:
                    row = j;
                    column = last - i;
                    break;
                default:
                    break;
            }
            const int value = TeamColour(image.pixels[row][column], team);
            if (value != 0)
            {
                ScreenCells[x * CanvasHeight + y] = static_cast<unsigned char>(value);
            }
        }
    }
}
