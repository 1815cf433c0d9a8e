// The settings text: read with care, written in one piece, and kept in the player's folder.
#include "app/settings.h"

#include "audio/volume.h"
#include "platform/config_file.h"
#include "platform/names.h"

#include <cerrno>
#include <cstring>

Settings KeptSettings = DefaultSettings();
bool SettingsChanged = false;
char SettingsFilePath[MaxConfigPath] = "";

namespace
{
constexpr std::size_t MaxLineBytes = 64; // a setting's line, its end not counted
bool FileDamaged = false;                // the file read at start was refused

enum SettingName
{
    SettingScreen,
    SettingVolume,
    SettingMute,
    SettingCount
};
constexpr const char* SettingNames[] = {
    "screen", // SettingScreen: fullscreen or window
    "volume", // SettingVolume: 0..MaxVolume
    "mute",   // SettingMute: on or off
};
static_assert(sizeof SettingNames / sizeof SettingNames[0] == SettingCount);

// Whether the count bytes at text are the word.
bool Is(const char* text, std::size_t count, const char* word)
{
    return std::strlen(word) == count && std::memcmp(text, word, count) == 0;
}

// Reads one setting's value into settings; false when it is out of its range.
bool ReadValue(int name, const char* value, std::size_t count, Settings& settings)
{
    switch (name)
    {
        case SettingScreen:
            settings.fullScreen = Is(value, count, "fullscreen");
            return settings.fullScreen || Is(value, count, "window");
        case SettingVolume:
            if (count == 0 || count > 2)
            {
                return false;
            }
            settings.volume = 0;
            for (std::size_t n = 0; n < count; ++n)
            {
                if (value[n] < '0' || value[n] > '9')
                {
                    return false;
                }
                settings.volume = settings.volume * 10 + (value[n] - '0');
            }
            return settings.volume <= MaxVolume;
        default:
            settings.muted = Is(value, count, "on");
            return settings.muted || Is(value, count, "off");
    }
}

// Reads one line (its end not included) into settings; given marks the names read so far.
SettingsFault ReadLine(const char* text, std::size_t length, bool* given, Settings& settings)
{
    if (length == 0 || text[0] == '#')
    {
        return SettingsFault::None; // blank, or a comment
    }
    const void* space = std::memchr(text, ' ', length);
    if (length > MaxLineBytes || std::memchr(text, '\0', length) != nullptr || space == nullptr)
    {
        return SettingsFault::BadLine;
    }
    const std::size_t nameLength = static_cast<std::size_t>(static_cast<const char*>(space) - text);
    int name = 0;
    while (name < SettingCount && !Is(text, nameLength, SettingNames[name]))
    {
        ++name;
    }
    if (name == SettingCount)
    {
        return SettingsFault::UnknownName;
    }
    if (given[name])
    {
        return SettingsFault::Repeated;
    }
    given[name] = true;
    return ReadValue(name, text + nameLength + 1, length - nameLength - 1, settings)
               ? SettingsFault::None
               : SettingsFault::BadValue;
}
} // namespace

Settings DefaultSettings()
{
    return {true, MaxVolume, false};
}

SettingsFault ParseSettings(const char* bytes, std::size_t size, Settings& settings, int& line)
{
    line = 0;
    if (size > MaxSettingsBytes)
    {
        return SettingsFault::TooLarge;
    }
    Settings read = settings;
    bool given[SettingCount] = {};
    std::size_t start = 0;
    while (start < size)
    {
        ++line;
        const void* newline = std::memchr(bytes + start, '\n', size - start);
        const std::size_t end =
            newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - bytes)
                               : size;
        const SettingsFault fault = ReadLine(bytes + start, end - start, given, read);
        if (fault != SettingsFault::None)
        {
            return fault;
        }
        start = end + 1;
    }
    settings = read;
    line = 0;
    return SettingsFault::None;
}

const char* DescribeSettingsFault(SettingsFault fault)
{
    switch (fault)
    {
        case SettingsFault::None:
            return "no fault";
        case SettingsFault::TooLarge:
            return "it is too large to be a settings file";
        case SettingsFault::BadLine:
            return "a line is not a name and a value";
        case SettingsFault::UnknownName:
            return "a setting this game does not know";
        case SettingsFault::Repeated:
            return "a setting given twice";
        case SettingsFault::BadValue:
            return "a value out of its range";
    }
    return "damaged";
}

std::size_t FormatSettings(const Settings& settings, char* out, std::size_t capacity)
{
    const int length = std::snprintf(out, capacity, "screen %s\nvolume %d\nmute %s\n",
                                     settings.fullScreen ? "fullscreen" : "window", settings.volume,
                                     settings.muted ? "on" : "off");
    return length < 0 ? 0 : std::min(static_cast<std::size_t>(length), capacity);
}

Settings TakeSettings(const char* bytes, std::size_t size, const char* from, std::FILE* err)
{
    Settings settings = DefaultSettings();
    int line = 0;
    const SettingsFault fault =
        bytes != nullptr ? ParseSettings(bytes, size, settings, line) : SettingsFault::None;
    FileDamaged = fault != SettingsFault::None;
    if (FileDamaged && line > 0)
    {
        std::fprintf(err, "%s: ignoring the settings in %s: line %d: %s\n", ProgramName, from, line,
                     DescribeSettingsFault(fault));
    }
    else if (FileDamaged)
    {
        std::fprintf(err, "%s: ignoring the settings in %s: %s\n", ProgramName, from,
                     DescribeSettingsFault(fault));
    }
    KeptSettings = settings;
    SettingsChanged = false;
    return settings;
}

void KeepScreenChoice(bool fullScreen)
{
    KeptSettings.fullScreen = fullScreen;
    SettingsChanged = true;
}

void KeepSoundChoice(int volume, bool muted)
{
    KeptSettings.volume = volume;
    KeptSettings.muted = muted;
    SettingsChanged = true;
}

Settings LoadSettingsFile(std::FILE* err)
{
    if (!FindConfigFile(ProgramName, "settings", SettingsFilePath, MaxConfigPath))
    {
        return TakeSettings(nullptr, 0, "", err); // nowhere to keep them
    }
    char bytes[MaxSettingsBytes];
    std::size_t size = 0;
    const int failure = ReadConfigFile(SettingsFilePath, bytes, sizeof bytes, size);
    if (failure == EFBIG)
    {
        return TakeSettings(bytes, MaxSettingsBytes + 1, SettingsFilePath, err);
    }
    if (failure != 0 && failure != ENOENT)
    {
        std::fprintf(err, "%s: ignoring the settings in %s: %s\n", ProgramName, SettingsFilePath,
                     failure == EINVAL ? "it is not a file" : std::strerror(failure));
        const Settings settings = TakeSettings(nullptr, 0, "", err);
        FileDamaged = true;
        return settings;
    }
    return TakeSettings(failure == 0 ? bytes : nullptr, size, SettingsFilePath, err);
}

void SaveSettingsFile(std::FILE* err)
{
    if (!SettingsChanged)
    {
        return;
    }
    SettingsChanged = false;
    if (SettingsFilePath[0] == '\0')
    {
        return; // no folder to keep them in
    }
    if (FileDamaged)
    {
        char aside[MaxConfigPath + 16];
        std::snprintf(aside, sizeof aside, "%s.damaged", SettingsFilePath);
        std::rename(SettingsFilePath, aside); // a folder or the like stays, and the write fails
        FileDamaged = false;
    }
    char text[MaxSettingsBytes];
    const int failure =
        ReplaceConfigFile(SettingsFilePath, text, FormatSettings(KeptSettings, text, sizeof text));
    if (failure != 0)
    {
        std::fprintf(err, "%s: cannot keep the settings in %s: %s\n", ProgramName, SettingsFilePath,
                     std::strerror(failure));
    }
}
