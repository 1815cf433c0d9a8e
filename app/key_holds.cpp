// One press, one action, whatever the number of keys and pads that hold it.
#include "app/key_holds.h"

#include <cstring>

namespace
{
// A key whose holds are counted: one key of the keyboard or one direction of the pads.
bool Counted(Key key)
{
    return key >= 0 && key < KeyCount && key != KeyOther;
}

bool HeldElsewhere(const KeyHolds& holds, KeySource source, Key key)
{
    for (int other = 0; other < static_cast<int>(KeySource::Count); ++other)
    {
        if (other != static_cast<int>(source) && holds.held[other][key])
        {
            return true;
        }
    }
    return false;
}
} // namespace

void ClearKeyHolds(KeyHolds& holds)
{
    std::memset(&holds, 0, sizeof holds);
}

bool HoldKey(KeyHolds& holds, KeySource source, Key key)
{
    if (!Counted(key))
    {
        return true;
    }
    bool& held = holds.held[static_cast<int>(source)][key];
    const bool repeat = held;
    held = true;
    return !repeat && !HeldElsewhere(holds, source, key);
}

bool LetGoKey(KeyHolds& holds, KeySource source, Key key)
{
    if (!Counted(key))
    {
        return true;
    }
    holds.held[static_cast<int>(source)][key] = false;
    return !HeldElsewhere(holds, source, key);
}
