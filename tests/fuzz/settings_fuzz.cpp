// Fuzz target: the settings reader takes any bytes without harm, writes the settings only when it
// takes the whole text, and what it takes is written back and read again as the same settings.
#include "app/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    struct Guarded
    {
        Settings settings;
        unsigned char after[16]; // nothing past the settings is written
    } read = {{true, 10, false}, {}};
    int line = -1;
    const SettingsFault fault =
        ParseSettings(reinterpret_cast<const char*>(data), size, read.settings, line);
    for (const unsigned char byte : read.after)
    {
        if (byte != 0)
        {
            std::abort();
        }
    }
    if (fault != SettingsFault::None)
    {
        if (!read.settings.fullScreen || read.settings.volume != 10 || read.settings.muted)
        {
            std::abort(); // a refused text changed what it was read over
        }
        return 0;
    }
    if (line != 0 || read.settings.volume < 0 || read.settings.volume > 10)
    {
        std::abort();
    }
    char text[MaxSettingsBytes];
    const std::size_t length = FormatSettings(read.settings, text, sizeof text);
    Settings again = {false, 0, true};
    if (ParseSettings(text, length, again, line) != SettingsFault::None ||
        again.fullScreen != read.settings.fullScreen || again.volume != read.settings.volume ||
        again.muted != read.settings.muted)
    {
        std::abort();
    }
    return 0;
}
