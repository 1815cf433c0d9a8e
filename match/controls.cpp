// The match's keys: the key of each action, the banner's first key, the switch keys and
// the held keys.
#include "match/controls.h"

#include "audio/sound_requests.h"
#include "match/game_title.h"

const Key ActionKeys[] = {
    KeyCursorUp,    // ActionUp
    KeyCursorDown,  // ActionDown
    KeyCursorLeft,  // ActionLeft
    KeyCursorRight, // ActionRight
    KeyW,           // ActionW
    KeyS,           // ActionS
    KeyA,           // ActionA
    KeyD,           // ActionD
};
static_assert(sizeof ActionKeys / sizeof ActionKeys[0] == ActionKeyCount);

int FindAction(Key key)
{
    for (int action = 0; action < ActionKeyCount; ++action)
    {
        if (ActionKeys[action] == key)
        {
            return action;
        }
    }
    return ActionOther;
}

void GameTitle::KeyDown(int action)
{
    if (turnBanner)
    {
        PlaySound(SoundStart, 0.0f, CueVolume, CueSend, 0.0f);
        turnBanner = false; // this key only starts the turn
        return;
    }
    if (action == ActionDown || action == ActionS)
    {
        SwitchTeammate();
        return;
    }
    GameState::KeyDown(action);
}
