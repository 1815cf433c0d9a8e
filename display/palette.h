// The ten palette colours, each in two shades, drifting slowly around fixed base colours.
#pragma once

constexpr int PaletteColours = 10;
constexpr int PaletteEntries = PaletteColours * 2 * 3; // colour, shade, channel
constexpr int PaletteRetargetTicks = 2000;             // steps between new drift targets

// Base colours, red, green, blue in 0..1.
extern const float BasePalette[PaletteColours][3];

// Shown colours and their drift targets, entry (2 * colour + shade) * 3 + channel.
// Shade 0 colours even canvas rows, shade 1 odd rows. Values may stray a little
// outside 0..1. Main thread only.
extern float Palette[PaletteEntries];
extern float PaletteTarget[PaletteEntries];
extern int PaletteSpeed; // 24 until the first retarget after 0, then 1; step = speed * 0.005
extern int PaletteTick;  // TickPalette calls since start-up or the last restart

struct CellRgba
{
    float red, green, blue, alpha; // each 0..1
};

// Start-up: jitters the shown colours and their first targets within +-0.08 of the base
// (two draws per entry, the shown value's first), and sets the speed to 24 and the tick
// count to 0.
void InitPalette();

// One simulation step of drift; every 2000th call from tick 0 on picks new targets
// within +-0.04 of the base, and from tick 2000 on the drift slows to 1.
void TickPalette();

// Sets the tick count back to 0, as every new match does: the next tick picks new
// targets and leaves the drift's speed as it is.
void RestartPaletteDrift();

// The colour of one canvas value in the given shade (row parity). Values 128..255 are
// black; values 10..127 have no palette entry and are black too.
CellRgba CellColour(unsigned char value, int shade);
