// The one table from the window's key symbols to the game's key codes, shared by the native
// game's and the browser's SDL edge; implemented in keys_sdl.cpp.
#pragma once

#include "match/controls.h"

// The game's code of a key the window reports by its SDL key symbol, with an Alt key held
// or not: every code but KeyOther has at least one symbol; every other symbol is KeyOther.
// Enter counts as KeyAltEnter only with Alt held. Main thread.
Key TranslateKey(int windowKey, bool altHeld);
