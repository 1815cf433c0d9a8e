// Tests of the gamepads as keys: the stick's thresholds, the buttons' and d-pad's keys,
// keys held from several places, a pad that goes away, and events from no pad at all.
#include "app/gamepad.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace
{
// The changes as text: "+Key" for a press, "-Key" for a release, by key code.
std::string Describe(const KeyChanges& changes)
{
    std::string text;
    for (int n = 0; n < changes.count; ++n)
    {
        text += (changes.down[n] ? "+" : "-") + std::to_string(changes.keys[n]) + " ";
    }
    return text;
}

std::string Press(Key key)
{
    return "+" + std::to_string(key) + " ";
}

std::string Release(Key key)
{
    return "-" + std::to_string(key) + " ";
}

class Gamepad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetPads();
    }
};
} // namespace

TEST_F(Gamepad, StickPressesPastHalfItsTravelAndReleasesBelowAQuarter)
{
    const struct
    {
        int value;
        std::string changes;
    } steps[] = {
        {10000, ""},                                   // resting off centre
        {StickPressAt, ""},                            // half is not past half
        {StickPressAt + 1, Press(KeyCursorRight)},     // past half
        {AxisMax, ""},                                 // already held
        {StickReleaseAt, ""},                          // a quarter still holds
        {StickReleaseAt - 1, Release(KeyCursorRight)}, // below a quarter
        {12000, ""},                                   // between: no press
        {30000, Press(KeyCursorRight)},
        {-12000, Release(KeyCursorRight)}, // the other side lets go
        {-20000, Press(KeyCursorLeft)},
        {INT_MIN, ""},                                           // held: clamped, not wrapped
        {20000, Release(KeyCursorLeft) + Press(KeyCursorRight)}, // straight across
        {0, Release(KeyCursorRight)},
    };
    for (const auto& step : steps)
    {
        EXPECT_EQ(Describe(MovePadAxis(0, 0, step.value)), step.changes) << "at " << step.value;
    }
    EXPECT_EQ(Describe(MovePadAxis(0, 1, -20000)), Press(KeyCursorUp));
    EXPECT_EQ(Describe(MovePadAxis(0, 1, 20000)), Release(KeyCursorUp) + Press(KeyCursorDown));
}

TEST_F(Gamepad, ButtonsAndTheDpadAreTheCursorKeysEscapeAndAnyOtherKey)
{
    const struct
    {
        int button;
        Key key;
    } buttons[] = {
        {0, KeyCursorUp},  {1, KeyCursorDown},  {4, KeyEscape},      {6, KeyOther},
        {11, KeyCursorUp}, {12, KeyCursorDown}, {13, KeyCursorLeft}, {14, KeyCursorRight},
        {2, KeyOther},     {31, KeyOther},
    };
    for (const auto& row : buttons)
    {
        EXPECT_EQ(Describe(PressPadButton(0, row.button, true)), Press(row.key)) << row.button;
        EXPECT_EQ(Describe(PressPadButton(0, row.button, true)), "") << "a second press";
        EXPECT_EQ(Describe(PressPadButton(0, row.button, false)), Release(row.key)) << row.button;
        EXPECT_EQ(Describe(PressPadButton(0, row.button, false)), "") << "a second release";
    }
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatUp | HatLeft)),
              Press(KeyCursorUp) + Press(KeyCursorLeft));
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatLeft | 0xf0)), Release(KeyCursorUp));
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatDown | HatRight)),
              Release(KeyCursorLeft) + Press(KeyCursorRight) + Press(KeyCursorDown));
    EXPECT_EQ(Describe(MovePadHat(0, 0, 0)), Release(KeyCursorRight) + Release(KeyCursorDown));
}

TEST_F(Gamepad, AKeyHeldFromSeveralPlacesGoesUpWithTheLast)
{
    EXPECT_EQ(Describe(MovePadAxis(0, 1, -30000)), Press(KeyCursorUp));
    EXPECT_EQ(Describe(PressPadButton(0, 0, true)), ""); // the face button holds it too
    EXPECT_EQ(Describe(MovePadHat(1, 0, HatUp)), "");    // and another pad's d-pad
    EXPECT_EQ(Describe(MovePadAxis(0, 1, 0)), "");
    EXPECT_EQ(Describe(PressPadButton(0, 0, false)), "");
    EXPECT_EQ(Describe(MovePadHat(1, 0, 0)), Release(KeyCursorUp));
}

// SDL centres a pad that goes away: its axes at rest, its buttons up, its d-pad centred.
TEST_F(Gamepad, APadThatGoesAwayLetsGoOfAllItHeld)
{
    MovePadAxis(2, 0, 30000);
    MovePadAxis(2, 0, 12000); // between a quarter and half: still held
    MovePadHat(2, 0, HatDown);
    PressPadButton(2, 6, true);
    PressPadButton(2, 4, true);
    PressPadButton(3, 6, true); // another pad holds KeyOther too

    std::string released;
    released += Describe(MovePadAxis(2, 0, 0)) + Describe(MovePadAxis(2, 1, 0));
    for (int button = 0; button < MaxPadButtons; ++button)
    {
        released += Describe(PressPadButton(2, button, false));
    }
    released += Describe(MovePadHat(2, 0, 0));
    EXPECT_EQ(released, Release(KeyCursorRight) + Release(KeyEscape) + Release(KeyCursorDown));

    EXPECT_EQ(Describe(PressPadButton(3, 6, false)), Release(KeyOther));
    EXPECT_EQ(Describe(MovePadAxis(2, 0, 30000)), Press(KeyCursorRight)); // nothing left stuck
}

TEST_F(Gamepad, EventsOfNoPadOrOfControlsNotReadChangeNothing)
{
    for (int pad : {-1, MaxPads, INT_MAX})
    {
        EXPECT_EQ(Describe(MovePadAxis(pad, 0, 30000)), "") << pad;
        EXPECT_EQ(Describe(MovePadHat(pad, 0, HatUp)), "") << pad;
        EXPECT_EQ(Describe(PressPadButton(pad, 0, true)), "") << pad;
    }
    EXPECT_EQ(Describe(MovePadAxis(0, 2, 30000)), ""); // the right stick
    EXPECT_EQ(Describe(MovePadAxis(0, -1, 30000)), "");
    EXPECT_EQ(Describe(MovePadHat(0, 1, HatUp)), ""); // a second hat
    EXPECT_EQ(Describe(PressPadButton(0, MaxPadButtons, true)), "");
    EXPECT_EQ(Describe(PressPadButton(0, -1, true)), "");
    EXPECT_EQ(Describe(PressPadButton(MaxPads - 1, 0, true)), Press(KeyCursorUp)); // the last pad
}
