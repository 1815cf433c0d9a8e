// Tests of the gamepads as keys: the stick's thresholds, the buttons' and d-pad's keys,
// keys held from several places, a pad that goes away, and events of no pad.
#include "app/gamepad.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace
{
// The changes as text: "+k" for a press of key code k, "-k" for a release.
std::string Describe(const KeyChanges& changes)
{
    std::string text;
    for (int n = 0; n < changes.count; ++n)
    {
        text += (changes.down[n] ? "+" : "-") + std::to_string(changes.keys[n]);
    }
    return text;
}

std::string Press(Key key)
{
    return "+" + std::to_string(key);
}

std::string Release(Key key)
{
    return "-" + std::to_string(key);
}
} // namespace

TEST(Gamepad, StickPressesPastHalfItsTravelAndReleasesBelowAQuarter)
{
    ResetPads();
    const struct
    {
        int value;
        std::string changes;
    } steps[] = {
        {10000, ""},                                             // resting off centre
        {StickPressAt, ""},                                      // half is not past half
        {AxisMax, Press(KeyCursorRight)},                        //
        {StickReleaseAt, ""},                                    // a quarter still holds
        {StickReleaseAt - 1, Release(KeyCursorRight)},           // below a quarter
        {StickPressAt + 1, Press(KeyCursorRight)},               // just past half
        {-12000, Release(KeyCursorRight)},                       // the other side lets go
        {-20000, Press(KeyCursorLeft)},                          //
        {INT_MIN, ""},                                           // held: clamped, not wrapped
        {20000, Release(KeyCursorLeft) + Press(KeyCursorRight)}, // straight across
    };
    for (const auto& step : steps)
    {
        EXPECT_EQ(Describe(MovePadAxis(0, 0, step.value)), step.changes) << "at " << step.value;
    }
    EXPECT_EQ(Describe(MovePadAxis(0, 1, -20000)), Press(KeyCursorUp));
}

TEST(Gamepad, ButtonsAndTheDpadAreArrowsEscapeAndAnyOtherKeyAndNoPadIsNothing)
{
    ResetPads();
    const int buttons[] = {0, 1, 4, 6, 13, 14, 2, 31};
    const Key keys[] = {KeyCursorUp,   KeyCursorDown,  KeyEscape, KeyOther,
                        KeyCursorLeft, KeyCursorRight, KeyOther,  KeyOther};
    for (int n = 0; n < 8; ++n)
    {
        EXPECT_EQ(Describe(PressPadButton(0, buttons[n], true)), Press(keys[n])) << buttons[n];
        EXPECT_EQ(Describe(PressPadButton(0, buttons[n], true)), "") << "pressed again";
        EXPECT_EQ(Describe(PressPadButton(0, buttons[n], false)), Release(keys[n]));
        EXPECT_EQ(Describe(PressPadButton(0, buttons[n], false)), "") << "released again";
    }
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatUp | HatLeft)),
              Press(KeyCursorUp) + Press(KeyCursorLeft));
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatDown | HatLeft | 0xf0)),
              Release(KeyCursorUp) + Press(KeyCursorDown));
    for (int pad : {-1, MaxPads, INT_MAX})
    {
        EXPECT_EQ(Describe(MovePadAxis(pad, 0, 30000)) + Describe(MovePadHat(pad, 0, HatUp)) +
                      Describe(PressPadButton(pad, 0, true)),
                  "");
    }
    EXPECT_EQ(Describe(MovePadAxis(0, 2, 30000)) + Describe(MovePadAxis(0, -1, 30000)) +
                  Describe(MovePadHat(0, 1, HatUp)) + Describe(PressPadButton(0, 32, true)) +
                  Describe(PressPadButton(0, -1, true)),
              ""); // the right stick, a second hat, buttons past those read
}

// Several holders of one key, and a pad that goes away: SDL centres its axes, lets its
// buttons up and centres its d-pad.
TEST(Gamepad, AKeyGoesUpWithItsLastHolderAndAPadThatGoesAwayLetsGoOfAll)
{
    ResetPads();
    EXPECT_EQ(Describe(MovePadAxis(2, 1, -30000)), Press(KeyCursorUp));
    EXPECT_EQ(Describe(PressPadButton(2, 0, true)) + Describe(MovePadHat(3, 0, HatUp)), "");
    MovePadAxis(2, 0, 30000);
    MovePadAxis(2, 0, 12000); // between a quarter and half: still held
    PressPadButton(2, 4, true);
    PressPadButton(3, 6, true);

    std::string released = Describe(MovePadAxis(2, 0, 0)) + Describe(MovePadAxis(2, 1, 0));
    for (int button = 0; button < MaxPadButtons; ++button)
    {
        released += Describe(PressPadButton(2, button, false));
    }
    released += Describe(MovePadHat(2, 0, 0));
    EXPECT_EQ(released, Release(KeyCursorRight) + Release(KeyEscape));
    EXPECT_EQ(Describe(MovePadHat(3, 0, 0)) + Describe(PressPadButton(3, 6, false)),
              Release(KeyCursorUp) + Release(KeyOther));
}
