// Tests of the settings: the text read and refused, written and read back, and the file found
// under the configuration folder, replaced whole and a damaged one kept aside.
#include "app/settings.h"

#include "platform/config_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
std::string Describe(const Settings& s)
{
    return std::string(s.fullScreen ? "full" : "window") + " " + std::to_string(s.volume) +
           (s.muted ? " muted" : "");
}

std::string Contents(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}
} // namespace

// Good texts set what they name and keep the defaults for the rest; every damaged one is refused
// whole with the line it was found on, and leaves the settings as they were.
TEST(Settings, TextsAreReadWholeOrRefusedWithTheirLine)
{
    const std::tuple<std::string, SettingsFault, int, const char*> cases[] = {
        {"", SettingsFault::None, 0, "full 10"},
        {"screen window\nvolume 3\nmute on\n", SettingsFault::None, 0, "window 3 muted"},
        {"# kept by the game\n\nmute off\nvolume 0", SettingsFault::None, 0, "full 0"},
        {"volume 10\nscreen fullscreen\n", SettingsFault::None, 0, "full 10"},
        {"volume 11\n", SettingsFault::BadValue, 1, nullptr},
        {"volume -1\n", SettingsFault::BadValue, 1, nullptr},
        {"volume 007\n", SettingsFault::BadValue, 1, nullptr},
        {"volume \n", SettingsFault::BadValue, 1, nullptr},
        {"mute yes\n", SettingsFault::BadValue, 1, nullptr},
        {"screen window \n", SettingsFault::BadValue, 1, nullptr},
        {"screen  window\n", SettingsFault::BadValue, 1, nullptr},
        {"\nscreen window\nscreen window\n", SettingsFault::Repeated, 3, nullptr},
        {"mute on\nsize 3\n", SettingsFault::UnknownName, 2, nullptr},
        {"Mute on\n", SettingsFault::UnknownName, 1, nullptr},
        {"mute\n", SettingsFault::BadLine, 1, nullptr},
        {"mute on\r\n", SettingsFault::BadValue, 1, nullptr},
        {std::string("mute o\0n\n", 9), SettingsFault::BadLine, 1, nullptr},
        {"# " + std::string(100, 'x') + "\nmute " + std::string(80, 'o'), SettingsFault::BadLine, 2,
         nullptr},
        {std::string(MaxSettingsBytes + 1, '\n'), SettingsFault::TooLarge, 0, nullptr},
    };
    for (const auto& [text, fault, line, read] : cases)
    {
        Settings settings = DefaultSettings();
        int at = -1;
        EXPECT_EQ(ParseSettings(text.data(), text.size(), settings, at), fault) << text;
        EXPECT_EQ(at, line) << text;
        EXPECT_EQ(Describe(settings), read != nullptr ? read : "full 10") << text;
        EXPECT_STRNE(DescribeSettingsFault(fault), "damaged");
    }
    // What is written reads back as it was, and fits in the room a text may take.
    for (const Settings written : {Settings{false, 0, true}, Settings{true, 10, false}})
    {
        char text[MaxSettingsBytes];
        const std::size_t size = FormatSettings(written, text, sizeof text);
        Settings read = DefaultSettings();
        int line = 0;
        EXPECT_EQ(ParseSettings(text, size, read, line), SettingsFault::None);
        EXPECT_EQ(Describe(read), Describe(written));
    }
}

// The file under $XDG_CONFIG_HOME (an absolute one) or else ~/.config: missing, it leaves the
// defaults and makes nothing until a setting changes; a change writes the folders and the file
// through its temporary name, once. A damaged file is ignored with one line and moved aside when
// the first change is written; a file too large or a folder in its place is refused too.
TEST(Settings, TheFileIsFoundReadReplacedAndADamagedOneKeptAside)
{
    const fs::path root = fs::temp_directory_path() / ("tq_settings_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "home");
    const char* oldHome = std::getenv("HOME");
    const std::string home = oldHome != nullptr ? oldHome : "";
    setenv("HOME", (root / "home").c_str(), 1);
    char path[MaxConfigPath];
    for (const char* config : {"relative", ""})
    {
        setenv("XDG_CONFIG_HOME", config, 1);
        ASSERT_TRUE(FindConfigFile("tumblequay", "settings", path, sizeof path));
        EXPECT_EQ(fs::path(path), root / "home/.config/tumblequay/settings");
    }
    unsetenv("HOME");
    EXPECT_FALSE(FindConfigFile("tumblequay", "settings", path, sizeof path) || path[0] != '\0');
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    EXPECT_FALSE(FindConfigFile("tumblequay", "settings", path, 8));
    const fs::path file = root / "config/tumblequay/settings";

    testing::internal::CaptureStderr();
    EXPECT_EQ(Describe(LoadSettingsFile(stderr)), "full 10");
    SaveSettingsFile(stderr);
    EXPECT_FALSE(fs::exists(root / "config")); // nothing changed, nothing written
    KeepSoundChoice(4, true);
    KeepScreenChoice(false);
    SaveSettingsFile(stderr);
    EXPECT_EQ(Contents(file), "screen window\nvolume 4\nmute on\n");
    EXPECT_FALSE(SettingsChanged || fs::exists(file.string() + ".tmp"));
    EXPECT_EQ(fs::status(root / "config").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(Describe(LoadSettingsFile(stderr)), "window 4 muted");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    std::ofstream(file) << "screen window\nvolume 12\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(Describe(LoadSettingsFile(stderr)), "full 10");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tumblequay: ignoring the settings in " +
                                                          file.string() +
                                                          ": line 2: a value out of its range\n");
    KeepSoundChoice(7, false);
    SaveSettingsFile(stderr);
    EXPECT_EQ(Contents(file.string() + ".damaged"), "screen window\nvolume 12\n");
    EXPECT_EQ(Contents(file), "screen fullscreen\nvolume 7\nmute off\n");

    std::ofstream(file) << std::string(MaxSettingsBytes + 1, '#');
    fs::create_directory(root / "folder");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Describe(LoadSettingsFile(stderr)), "full 10");
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(Describe(LoadSettingsFile(stderr)), "full 10");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tumblequay: ignoring the settings in " + file.string() +
                  ": it is too large to be a settings file\ntumblequay: ignoring the settings in " +
                  file.string() + ": it is not a file\n");

    if (oldHome != nullptr)
    {
        setenv("HOME", home.c_str(), 1);
    }
    unsetenv("XDG_CONFIG_HOME");
    SettingsChanged = false;
    fs::remove_all(root);
}
