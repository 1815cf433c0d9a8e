// Gamepads as keys: every stick direction, d-pad direction and button as one holder of a
// key, counted over all pads.
#include "app/gamepad.h"

#include <algorithm>
#include <iterator>

const Key PadButtonKeys[] = {
    KeyCursorUp,    // 0, A, the first face button: step forward
    KeyCursorDown,  // 1, B, the second: switch teammate
    KeyOther,       // 2, X
    KeyOther,       // 3, Y
    KeyEscape,      // 4, back or select
    KeyOther,       // 5, guide
    KeyOther,       // 6, start: as any other key
    KeyOther,       // 7, left stick pressed
    KeyOther,       // 8, right stick pressed
    KeyOther,       // 9, left shoulder
    KeyOther,       // 10, right shoulder
    KeyCursorUp,    // 11, d-pad up
    KeyCursorDown,  // 12, d-pad down
    KeyCursorLeft,  // 13, d-pad left
    KeyCursorRight, // 14, d-pad right
};
static_assert(sizeof PadButtonKeys / sizeof PadButtonKeys[0] == PadButtonRows);

namespace
{
constexpr int StickAxes = 2; // axis 0 across, axis 1 up and down

// What one pad holds.
struct PadState
{
    int stick[StickAxes]; // -1 left or up, 1 right or down, 0 neither
    int hat;              // Hat bits
    unsigned buttons;     // bit n: button n is down
};

PadState Pads[MaxPads];
int KeyHolders[KeyCount]; // sticks, hat directions and buttons holding each key, over all pads

constexpr Key StickKeys[StickAxes][2] = {
    {KeyCursorLeft, KeyCursorRight}, // axis 0: negative, positive
    {KeyCursorUp, KeyCursorDown},    // axis 1
};
constexpr int HatBits[] = {HatUp, HatRight, HatDown, HatLeft};
constexpr Key HatKeys[] = {KeyCursorUp, KeyCursorRight, KeyCursorDown, KeyCursorLeft};

void Hold(KeyChanges& changes, Key key)
{
    if (KeyHolders[key]++ == 0)
    {
        changes.keys[changes.count] = key;
        changes.down[changes.count++] = true;
    }
}

void LetGo(KeyChanges& changes, Key key)
{
    if (--KeyHolders[key] == 0)
    {
        changes.keys[changes.count] = key;
        changes.down[changes.count++] = false;
    }
}

bool IsPad(int pad)
{
    return pad >= 0 && pad < MaxPads;
}
} // namespace

void ResetPads()
{
    std::fill(std::begin(Pads), std::end(Pads), PadState{});
    std::fill(std::begin(KeyHolders), std::end(KeyHolders), 0);
}

KeyChanges MovePadAxis(int pad, int axis, int value)
{
    KeyChanges changes{};
    if (!IsPad(pad) || axis < 0 || axis >= StickAxes)
    {
        return changes; // not a pad or not the left stick
    }
    value = std::clamp(value, AxisMin, AxisMax);
    int& held = Pads[pad].stick[axis];
    int next = held;
    if (held != 0 && value * held < StickReleaseAt)
    {
        next = 0;
    }
    if (value > StickPressAt)
    {
        next = 1;
    }
    else if (value < -StickPressAt)
    {
        next = -1;
    }
    if (next != held)
    {
        if (held != 0)
        {
            LetGo(changes, StickKeys[axis][held > 0]);
        }
        if (next != 0)
        {
            Hold(changes, StickKeys[axis][next > 0]);
        }
        held = next;
    }
    return changes;
}

KeyChanges MovePadHat(int pad, int hat, int position)
{
    KeyChanges changes{};
    if (!IsPad(pad) || hat != 0)
    {
        return changes; // not a pad or not its d-pad
    }
    int& held = Pads[pad].hat;
    for (int n = 0; n < 4; ++n)
    {
        if ((held & HatBits[n]) != 0 && (position & HatBits[n]) == 0)
        {
            LetGo(changes, HatKeys[n]);
        }
    }
    for (int n = 0; n < 4; ++n)
    {
        if ((held & HatBits[n]) == 0 && (position & HatBits[n]) != 0)
        {
            Hold(changes, HatKeys[n]);
        }
    }
    held = position & (HatUp | HatRight | HatDown | HatLeft);
    return changes;
}

KeyChanges PressPadButton(int pad, int button, bool down)
{
    KeyChanges changes{};
    if (!IsPad(pad) || button < 0 || button >= MaxPadButtons)
    {
        return changes; // not a pad or a button past those read
    }
    const unsigned bit = 1u << button;
    if (((Pads[pad].buttons & bit) != 0) == down)
    {
        return changes; // already so
    }
    Pads[pad].buttons ^= bit;
    const Key key = button < PadButtonRows ? PadButtonKeys[button] : KeyOther;
    if (down)
    {
        Hold(changes, key);
    }
    else
    {
        LetGo(changes, key);
    }
    return changes;
}
