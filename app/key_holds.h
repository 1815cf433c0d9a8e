// Which of one person's key sources hold which keys: a direction held on the keyboard and on
// a pad at once acts as one held key, and the repeats of a key a source already holds are no
// new presses. So every key acts as it does on one keyboard with key repeat off.
#pragma once

#include "match/controls.h"

// Where a person's keys come from.
enum class KeySource
{
    Keyboard,
    Pads, // every pad together: app/gamepad already counts one key per direction over them
    Count
};

struct KeyHolds
{
    bool held[static_cast<int>(KeySource::Count)][KeyCount];
};

// Lets go of every key.
void ClearKeyHolds(KeyHolds& holds);

// A key went down at a source. Returns true when it is a new press of the key: neither this
// source (a repeat) nor another one holds it already. KeyOther stands for many keys, so each
// of its presses is a new one.
bool HoldKey(KeyHolds& holds, KeySource source, Key key);

// A key came up at a source. Returns true when the key is now up everywhere: no other source
// still holds it. A release the source never pressed counts as any release does; so does
// every release of KeyOther.
bool LetGoKey(KeyHolds& holds, KeySource source, Key key);
