// The table from SDL's key symbols to the game's key codes.
#include "app/keys.h"

#include <SDL.h>

namespace
{
// The window's keys that have a code of the game's own: every code but KeyOther has at
// least one row. A row with withAlt counts only while an Alt key is down; the others
// count with or without it.
struct KeyTranslation
{
    int windowKey;
    bool withAlt;
    Key key;
};
constexpr KeyTranslation KeyTranslations[] = {
    {SDLK_UP, false, KeyCursorUp},
    {SDLK_DOWN, false, KeyCursorDown},
    {SDLK_LEFT, false, KeyCursorLeft},
    {SDLK_RIGHT, false, KeyCursorRight},
    {SDLK_w, false, KeyW},
    {SDLK_s, false, KeyS},
    {SDLK_a, false, KeyA},
    {SDLK_d, false, KeyD},
    {SDLK_ESCAPE, false, KeyEscape},
    {SDLK_PRINT, false, KeyPrintScreen},
#ifdef __EMSCRIPTEN__
    {316, false, KeyPrintScreen}, // the browser's SDL reports Print Screen by SDL 1.2's number
    // and these by the browser's own key numbers, or by their scan codes plus 1024
    {69 | 1 << 10, false, KeyPrintScreen}, // F12
    {189, false, KeyVolumeDown},           // "-" where the browser's SDL has no number for it
    {187, false, KeyVolumeUp},             // "="
    {86 | 1 << 10, false, KeyVolumeDown},  // the keypad's "-"
    {87 | 1 << 10, false, KeyVolumeUp},    // the keypad's "+"
#endif
    {SDLK_1, false, Key1},
    {SDLK_2, false, Key2},
    {SDLK_3, false, Key3},
    {SDLK_LALT, false, KeyAlt},
    {SDLK_RALT, false, KeyAlt},
    {SDLK_RETURN, true, KeyAltEnter},
    {SDLK_KP_ENTER, true, KeyAltEnter},
    {SDLK_SPACE, false, KeySpace},
    {SDLK_F12, false, KeyPrintScreen}, // beside Print Screen, which many desktops keep
    {SDLK_m, false, KeyMute},
    {SDLK_MINUS, false, KeyVolumeDown},
    {SDLK_KP_MINUS, false, KeyVolumeDown},
    {SDLK_EQUALS, false, KeyVolumeUp}, // the key that holds "+" on most keyboards
    {SDLK_PLUS, false, KeyVolumeUp},
    {SDLK_KP_PLUS, false, KeyVolumeUp},
    {SDLK_p, false, KeyPause},
    {SDLK_PAUSE, false, KeyPause},
    {SDLK_r, false, KeyRules},
};

constexpr bool EveryKeyHasARow()
{
    for (int key = 0; key < KeyOther; ++key)
    {
        bool found = false;
        for (const KeyTranslation& translation : KeyTranslations)
        {
            found = found || translation.key == key;
        }
        if (!found)
        {
            return false;
        }
    }
    return true;
}
static_assert(EveryKeyHasARow());
} // namespace

Key TranslateKey(int windowKey, bool altHeld)
{
    for (const KeyTranslation& translation : KeyTranslations)
    {
        if (translation.windowKey == windowKey && (altHeld || !translation.withAlt))
        {
            return translation.key;
        }
    }
    return KeyOther;
}
