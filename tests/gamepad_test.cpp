// Tests of the gamepads as keys: the stick's thresholds, the buttons' and d-pad's keys,
// keys held from several places, a pad that goes away, and events of no pad.
#include "app/gamepad.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace
{
// The changes as text: '+' for a press and '-' for a release, then the key: ^ v < > for the
// arrows, E for Escape and O for any other key.
std::string Describe(const KeyChanges& changes)
{
    std::string text;
    for (int n = 0; n < changes.count; ++n)
    {
        text += changes.down[n] ? '+' : '-';
        text += "^v<>WSADEP123ae_O"[changes.keys[n]];
    }
    return text;
}
} // namespace

TEST(Gamepad, StickPressesPastHalfItsTravelAndReleasesBelowAQuarter)
{
    ResetPads();
    for (auto [value, changes] : {
             std::pair{10000, ""},       // resting off centre
             {StickPressAt, ""},         // half is not past half
             {AxisMax, "+>"},            //
             {StickReleaseAt, ""},       // a quarter still holds
             {StickReleaseAt - 1, "->"}, // below a quarter
             {StickPressAt + 1, "+>"},   // just past half
             {-12000, "->"},             // the other side lets go
             {-20000, "+<"},             //
             {INT_MIN, ""},              // held: clamped, not wrapped
             {20000, "-<+>"},            // straight across
         })
    {
        EXPECT_EQ(Describe(MovePadAxis(0, 0, value)), changes) << "at " << value;
    }
    EXPECT_EQ(Describe(MovePadAxis(0, 1, -20000)), "+^");
}

TEST(Gamepad, ButtonsAndTheDpadAreArrowsEscapeAndAnyOtherKeyAndNoPadIsNothing)
{
    ResetPads();
    // Pressed twice, then released twice: a press and a release.
    for (auto [button, key] : {std::pair{0, '^'},
                               {1, 'v'},
                               {4, 'E'},
                               {6, 'O'},
                               {13, '<'},
                               {14, '>'},
                               {2, 'O'},
                               {31, 'O'}})
    {
        std::string changes;
        for (const bool down : {true, true, false, false})
        {
            changes += Describe(PressPadButton(0, button, down));
        }
        EXPECT_EQ(changes, (std::string{'+', key, '-', key})) << button;
    }
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatUp | HatLeft)), "+^+<");
    EXPECT_EQ(Describe(MovePadHat(0, 0, HatDown | HatLeft | 0xf0)), "-^+v");
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
    EXPECT_EQ(Describe(MovePadAxis(2, 1, -30000)), "+^");
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
    EXPECT_EQ(released, "->-E");
    EXPECT_EQ(Describe(MovePadHat(3, 0, 0)) + Describe(PressPadButton(3, 6, false)), "-^-O");
}
