// The player's settings kept between starts: full screen or a window, the volume and the mute.
//
// The settings file, $XDG_CONFIG_HOME/tumblequay/settings (by default
// ~/.config/tumblequay/settings), is text, one setting a line, each at most once, in any order:
//
//   screen fullscreen|window
//   volume 0..10
//   mute on|off
//
// with blank lines and lines starting with '#' ignored. A setting that is missing keeps the
// game's own default; anything else (an unknown name, a value out of range, a setting twice,
// a line too long, a file too large) makes the whole file damaged: it is ignored with one line
// on standard error. The page keeps the same text in the browser's local storage.
#pragma once

#include <cstddef>
#include <cstdio>

constexpr std::size_t MaxSettingsBytes = 1024; // the most a settings text may hold

struct Settings
{
    bool fullScreen; // the whole screen, else a window
    int volume;      // 0..MaxVolume
    bool muted;      // no sound, whatever the volume
};

// The game as it starts without a settings file: full screen, the loudest volume, sound on.
Settings DefaultSettings();

// Why a settings text is refused.
enum class SettingsFault
{
    None,
    TooLarge,    // more than MaxSettingsBytes
    BadLine,     // a line that is not a name, one space and a value, or a stray zero byte
    UnknownName, // a name this game does not keep
    Repeated,    // a name given twice
    BadValue,    // a value out of its range
};

// Reads a settings text of size bytes over defaults; nothing of it is trusted. Returns the
// fault, with line the line it was found on (1 for the first; 0 for TooLarge); settings is
// written only when the whole text is good.
SettingsFault ParseSettings(const char* bytes, std::size_t size, Settings& settings, int& line);

// The fault's words, for a line on standard error.
const char* DescribeSettingsFault(SettingsFault fault);

// Writes the settings as a settings text into out (at most capacity bytes, which
// MaxSettingsBytes always suffices for) and returns its length.
std::size_t FormatSettings(const Settings& settings, char* out, std::size_t capacity);

// What is kept for the next start: the settings text as read, with each setting the player has
// changed since replaced by the new choice. A setting given on the command line is not kept
// unless the player changes it in the game. Main thread.
extern Settings KeptSettings;
// The player changed a setting that has not been written since. Main thread.
extern bool SettingsChanged;

// The settings this start plays with, from the text read (null when there is none), and
// KeptSettings from them. A damaged text is ignored with one line on standard error, naming
// where it came from and why: the game then starts as without one. Main thread, at start.
Settings TakeSettings(const char* bytes, std::size_t size, const char* from, std::FILE* err);

// The player chose a setting in the game: kept for the next start.
void KeepScreenChoice(bool fullScreen);
void KeepSoundChoice(int volume, bool muted);

// Desktop: reads the settings file (see above) and takes it as TakeSettings does; a file that
// cannot be read, but for one that is missing, is ignored with one line on standard error too.
// SettingsFilePath holds where it is, empty when neither XDG_CONFIG_HOME nor HOME names a
// folder: nothing is then read or written.
Settings LoadSettingsFile(std::FILE* err);
extern char SettingsFilePath[];

// Desktop: writes KeptSettings to the settings file, once per change, and clears
// SettingsChanged. A damaged file read at start is first moved aside to the same name with
// ".damaged" appended, so that nothing of the player's is lost. A file that cannot be written
// is told in one line on standard error; the game goes on.
void SaveSettingsFile(std::FILE* err);
