// The match's keys: the banner's first key, the switch keys and the held keys.
#include "match/controls.h"

#include "audio/sound_requests.h"
#include "match/game_title.h"

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
