// The built-in images of the ball and the players, and the one operation that draws them.
#pragma once

constexpr int SpriteGrid = 16; // stored rows and columns of every sprite record

enum SpriteId
{
    SpriteBall,  // the ball, for both teams' columns of the ball's unit type
    SpriteTeam0, // a player of team 0
    SpriteTeam1, // a player of team 1
    SpriteCount
};

// One image of colour numbers. Only the top-left size x size square of the grid is used.
struct Sprite
{
    signed char size;                           // n, 1..16; 0 or less draws nothing
    signed char pixels[SpriteGrid][SpriteGrid]; // [row][column] canvas colours, 0 transparent
};
static_assert(sizeof(Sprite) == 257);

// Read-only for the whole run.
extern const Sprite Sprites[SpriteCount];

// Draws a sprite centred on canvas cell (cx, cy) in one of four quarter turns:
// orientation 0 lays the image's columns along +x and its rows along +y, and each step
// up turns it a quarter turn counter-clockwise, as a unit facing that direction.
// For team 1 colours 1 and 2 become 3 and 4 and the other way round. Transparent pixels
// and cells off the canvas are skipped. A sprite number outside the table draws nothing;
// the orientation is taken modulo 4. Main thread.
void DrawSprite(int sprite, int cx, int cy, int orientation, int team);
