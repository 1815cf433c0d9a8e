// The match's keys: what each action does and how a press reaches the rules.
#pragma once

// Actions, the positions of the keys in the shell's key table; 8 is any other key.
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
