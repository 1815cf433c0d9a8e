// Tests of the gamepads as keys: one table of pad events in order and the key changes each
// makes, from the stick's thresholds to a pad that goes away.
#include "app/gamepad.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

TEST(Gamepad, EventsOfSticksDpadsAndButtonsAreKeysHeldUntilTheirLastHolderLetsGo)
{
    // 'a' an axis moved, 'h' a hat, 'b' a button down (1) or up (0), 't' a button pressed
    // twice and released twice, 'r' every button read let up: a pad that goes away.
    // Each event: its kind, the pad, the axis, hat or button, the value, and the changes made.
    const std::tuple<char, int, int, int, const char*> events[] = {
        {'a', 0, 0, StickPressAt, ""},                 // half is not past half
        {'a', 0, 0, AxisMax, "+>"},                    //
        {'a', 0, 0, StickReleaseAt, ""},               // a quarter still holds
        {'a', 0, 0, StickReleaseAt - 1, "->"},         // below a quarter
        {'a', 0, 0, StickPressAt + 1, "+>"},           // just past half
        {'a', 0, 0, -12000, "->"},                     // the other side lets go
        {'a', 0, 0, -StickPressAt, ""},                // and half of it is not past half
        {'a', 0, 0, -20000, "+<"},                     //
        {'a', 0, 0, INT_MIN, ""},                      // held: clamped, not wrapped
        {'a', 0, 0, 20000, "-<+>"},                    // straight across
        {'a', 0, 1, -20000, "+^"},                     // the other axis
        {'a', 0, 1, 0, "-^"},                          //
        {'a', 0, 0, 0, "->"},                          //
        {'t', 0, 0, 0, "+^-^"},                        // the buttons of the layout's table
        {'t', 0, 4, 0, "+E-E"},                        //
        {'t', 0, 14, 0, "+>->"},                       // its last row
        {'t', 0, PadButtonRows, 0, "+O-O"},            // past the table: any other key
        {'t', 0, MaxPadButtons, 0, ""},                // past the buttons read
        {'t', 0, -1, 0, ""},                           //
        {'h', 0, 0, HatUp | HatLeft, "+^+<"},          // a d-pad's diagonal
        {'h', 0, 0, HatDown | HatLeft | 0xf0, "-^+v"}, // bits of no direction ignored
        {'h', 0, 1, HatUp, ""},                        // a second hat
        {'a', 0, 2, 30000, ""},                        // the right stick
        {'h', 0, 0, 0, "-v-<"},                        //
        {'a', -1, 0, 30000, ""},                       // no such pad
        {'h', MaxPads, 0, HatUp, ""},                  //
        {'b', INT_MAX, 0, 1, ""},                      //
        {'a', 2, 1, -30000, "+^"},                     // several holders of a key
        {'h', 3, 0, HatUp, ""},                        //
        {'a', 2, 0, 30000, "+>"},                      //
        {'a', 2, 0, 12000, ""},                        // between a quarter and half: still held
        {'b', 2, 4, 1, "+E"},                          //
        {'b', 3, 6, 1, "+O"},                          //
        {'a', 2, 0, 0, "->"},                          // pad 2 goes away: SDL centres its axes,
        {'a', 2, 1, 0, ""},                            // lets its buttons up and centres its hat
        {'r', 2, 0, 0, "-E"},                          //
        {'h', 2, 0, 0, ""},                            //
        {'h', 3, 0, 0, "-^"},                          // the last holders let go
        {'b', 3, 6, 0, "-O"},                          //
    };
    ResetPads();
    for (const auto& [event, pad, index, value, expected] : events)
    {
        std::string made;
        for (int n = 0; n < (event == 't' ? 4 : event == 'r' ? MaxPadButtons : 1); ++n)
        {
            const KeyChanges changes = event == 'a'   ? MovePadAxis(pad, index, value)
                                       : event == 'h' ? MovePadHat(pad, index, value)
                                       : event == 't' ? PressPadButton(pad, index, n < 2)
                                       : event == 'r' ? PressPadButton(pad, n, false)
                                                      : PressPadButton(pad, index, value == 1);
            // '+' for a press and '-' for a release, then the key: ^ v < > for the arrows, E
            // for Escape and O for any other key.
            for (int k = 0; k < changes.count; ++k)
            {
                made += std::string(changes.down[k] ? "+" : "-") +
                        "^v<>WSADEP123ae_m-+prO"[changes.keys[k]];
            }
        }
        EXPECT_EQ(made, expected) << event << " " << pad << " " << index << " " << value;
    }
}
