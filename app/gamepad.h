// Gamepads as keys: the sticks, d-pads and buttons of every pad turned into presses and
// releases of the game's own key codes, which the edge then hands to the shell exactly
// as it does the keyboard's.
//
// Pads arrive in the common game controller layout (the edge asks SDL for it): axes 0
// and 1 are the left stick (negative is left and up), hat 0 is a d-pad, and buttons are
// numbered as PadButtonKeys lists them. Every pad holds keys for the team whose turn it is,
// so a key goes down when its first holder, on any pad, takes hold of it and up when its
// last holder lets go. A pad that goes away is centred by SDL (sticks at rest, buttons
// up, d-pad centred) and so lets go of everything it held. Main thread only.
#pragma once

#include "match/controls.h"

constexpr int MaxPads = 8;           // pads read; events of further ones are ignored
constexpr int MaxPadButtons = 32;    // buttons read per pad; higher numbers are ignored
constexpr int StickPressAt = 16384;  // past half the travel a stick direction is pressed
constexpr int StickReleaseAt = 8192; // below a quarter it is released again
constexpr int AxisMin = -32768;      // the travel of an axis; other values are clamped
constexpr int AxisMax = 32767;

// A d-pad's position: a sum of these bits, as SDL reports hats.
constexpr int HatUp = 1;
constexpr int HatRight = 2;
constexpr int HatDown = 4;
constexpr int HatLeft = 8;

// The key of each button by its number in the game controller layout, PadButtonRows rows
// (the definition checks); buttons past the table are KeyOther.
constexpr int PadButtonRows = 15;
extern const Key PadButtonKeys[];

constexpr int MaxKeyChanges = 4; // one pad event changes at most a d-pad's four directions

// Key presses and releases for the shell, in the order they happened.
struct KeyChanges
{
    int count;                // 0..MaxKeyChanges
    Key keys[MaxKeyChanges];  // the key of each change
    bool down[MaxKeyChanges]; // a press, else a release
};

// Every pad at rest and no key held; at start-up and by tests.
void ResetPads();

// A pad's axis moved to value (AxisMin..AxisMax). A stick direction is pressed past half
// the travel and released below a quarter of it towards that direction, so a stick that
// rests off centre presses nothing and one wavering near half travel does not chatter.
// Axes other than 0 and 1, pads outside 0..MaxPads-1: no change.
KeyChanges MovePadAxis(int pad, int axis, int value);

// A pad's hat moved to a position of Hat bits (others ignored); only hat 0 counts.
KeyChanges MovePadHat(int pad, int hat, int position);

// A pad's button went down or up. A press of a button already down, or a release of one
// that is up, changes nothing.
KeyChanges PressPadButton(int pad, int button, bool down);
