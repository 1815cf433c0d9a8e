// The match's keys: the game's own key codes, the actions they stand for, and how a press
// reaches the rules.
#pragma once

// The game's key codes. The window's edge turns each key it reports into one of these
// through its one table (app/keys_sdl.cpp), and a gamepad's sticks and buttons through
// app/gamepad.h; a key that has no code of its own is KeyOther. A new key gets a name
// above KeyOther and a row in that table.
enum Key
{
    KeyCursorUp,
    KeyCursorDown,
    KeyCursorLeft,
    KeyCursorRight,
    KeyW,
    KeyS,
    KeyA,
    KeyD,
    KeyEscape,      // leaves the match, or quits on the title screen
    KeyPrintScreen, // takes a screenshot
    Key1,           // on the title screen: a match against the easy computer
    Key2,           // on the title screen: a match against the normal computer
    Key3,           // on the title screen: a match against the hard computer
    KeyAlt,         // either Alt key alone: the first half of Alt+Enter, which is no game key
    KeyAltEnter,    // Enter with Alt held: switches between full screen and the window
    KeySpace,       // any other key in a match; pauses and resumes a replay
    KeyMute,        // turns the sound off and on again, everywhere
    KeyVolumeDown,  // the sound a step quieter, everywhere
    KeyVolumeUp,    // the sound a step louder, everywhere
    KeyPause,       // pauses and resumes a match of this machine's (not online)
    KeyRules,       // on the title screen: the rules page; in a match any other key
    KeyOther,       // any other key
    KeyCount
};

// Actions, the positions of their keys in ActionKeys; ActionOther is every other key.
// Each direction has an arrow key and a letter key.
enum Action
{
    ActionUp,    // step forward, while held
    ActionDown,  // switch teammate, once per press
    ActionLeft,  // turn left (counter-clockwise), while held
    ActionRight, // turn right (clockwise), while held
    ActionW,     // as ActionUp
    ActionS,     // as ActionDown
    ActionA,     // as ActionLeft
    ActionD,     // as ActionRight
    ActionOther, // nothing, but it takes the turn's banner away
    ActionCount
};

constexpr int ActionKeyCount = ActionOther; // one key for each action before ActionOther

// The key of each action, row n for action n; ActionKeyCount rows (the definition checks).
extern const Key ActionKeys[];

// The action of a key: its first row in ActionKeys, else ActionOther.
int FindAction(Key key);
