// The command line: the options, checked whole before anything else starts.
#include "app/options.h"

#include "net/link.h"
#include "net/meet.h"
#include "platform/names.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#ifndef TQ_VERSION
#error "the build names the game's version in TQ_VERSION"
#endif

#define TQ_PROGRAM "tumblequay"
static_assert(std::string_view(TQ_PROGRAM) == ProgramName);
#define TQ_USAGE                                                                                   \
    "usage: " TQ_PROGRAM " [--fullscreen | --window] [--host [--port N] | --join "                 \
    "[ADDRESS[:PORT]] CODE | --replay FILE] [--meet HOST[:PORT]] [--mute] [--help] [--version]\n"

const char UsageText[] = TQ_USAGE;
const char HelpText[] =
    TQ_USAGE "A turn-based team ball game for two players at one keyboard or with gamepads,\n"
             "or for one against the computer.\n"
             "\n"
             "  --fullscreen  play on the whole screen at the desktop's size (the default)\n"
             "  --window      play in a window; Alt+Enter switches between the two\n"
             "  --host        let a friend on another machine join: the title screen shows\n"
             "                the join code, and the friend plays the right team\n"
             "  --port N      the UDP port to host on (default 27183)\n"
             "  --join [ADDRESS[:PORT]] CODE\n"
             "                join the game a friend hosts at ADDRESS with the code it shows\n"
             "                (its spaces, hyphens and case do not matter); with the code\n"
             "                alone, find it on the home network and at the meeting point\n"
             "  --meet HOST[:PORT]\n"
             "                with --host or --join: the meeting point where games meet by\n"
             "                the code whatever their routers let in (port 4222 unless given;\n"
             "                else TUMBLEQUAY_MEET names it, else there is none)\n"
             "  --replay FILE watch a match again from its replay (replayN.tqr); Right held\n"
             "                plays it four times as fast, Space pauses, Escape ends it\n"
             "  --mute        start with the sound off (M turns it on); starts even where\n"
             "                no sound device opens\n"
             "  --help        show this help and exit\n"
             "  --version     show the version and exit\n"
             "\n"
             "On the title screen 1, 2 or 3 starts a match against the easy, the normal or the\n"
             "hard computer, any other key a match of two people, and Escape quits. In a match\n"
             "Up or W steps forward, Left or A and Right or D turn, Down or S switches to\n"
             "another teammate, and Escape goes back to the title screen. Print Screen or F12\n"
             "saves a screenshot; Alt+Enter switches between full screen and the window.\n"
             "M turns the sound off and on, - and + turn it down and up, P pauses a match, and\n"
             "R on the title screen shows the rules. The screen mode, the volume and the mute\n"
             "are kept in $XDG_CONFIG_HOME/tumblequay/settings (by default\n"
             "~/.config/tumblequay/settings); the options given win over it.\n";
const char VersionText[] = TQ_PROGRAM " " TQ_VERSION "\n";

namespace
{
constexpr std::size_t MaxCodeText = 64; // characters of a code's two words together

enum Option
{
    OptionHelp,
    OptionVersion,
    OptionWindow,
    OptionFullScreen,
    OptionHost,
    OptionPort,
    OptionJoin,
    OptionReplay,
    OptionMeet,
    OptionMute,
    OptionCount
};
constexpr const char* OptionNames[] = {
    "--help",       // OptionHelp
    "--version",    // OptionVersion
    "--window",     // OptionWindow
    "--fullscreen", // OptionFullScreen
    "--host",       // OptionHost
    "--port",       // OptionPort: takes a value
    "--join",       // OptionJoin: takes two values
    "--replay",     // OptionReplay: takes a value
    "--meet",       // OptionMeet: takes a value
    "--mute",       // OptionMute
};
static_assert(sizeof OptionNames / sizeof OptionNames[0] == OptionCount);

// The option an argument names whole, else OptionCount.
int FindOption(const char* argument)
{
    for (int option = 0; option < OptionCount; ++option)
    {
        if (argument != nullptr && std::strcmp(argument, OptionNames[option]) == 0)
        {
            return option;
        }
    }
    return OptionCount;
}

// A port in plain decimal digits, 1..65535; 0 for anything else.
int ParsePort(const char* text)
{
    int port = 0;
    for (const char* digit = text; *digit != '\0'; ++digit)
    {
        if (*digit < '0' || *digit > '9' || port > 6553)
        {
            return 0;
        }
        port = port * 10 + (*digit - '0');
    }
    return port <= 65535 ? port : 0;
}

// HOST[:PORT]: the name or address (non-empty, not too long) into name (MaxAddressLength + 1
// bytes) and the port, the given default when none is named. False for anything else.
bool SplitAddress(const char* text, int defaultPort, char* name, int& port)
{
    const char* colon = std::strrchr(text, ':');
    const std::size_t length =
        colon != nullptr ? static_cast<std::size_t>(colon - text) : std::strlen(text);
    if (length == 0 || length > MaxAddressLength)
    {
        return false;
    }
    std::memcpy(name, text, length);
    name[length] = '\0';
    port = colon != nullptr ? ParsePort(colon + 1) : defaultPort;
    return port != 0;
}

// Characters of a word that are no separators of a code's groups.
int CodeLetters(const char* word)
{
    int letters = 0;
    for (const char* next = word; *next != '\0'; ++next)
    {
        letters += *next != ' ' && *next != '\t' && *next != '-';
    }
    return letters;
}

// A code given as the arguments from first up to end: one word, or two of five letters each as
// the screen shows it. False when they do not make one code together.
bool ParseCodePieces(const char* const* argv, int first, int end, JoinCode& code)
{
    if (end - first == 2 && CodeLetters(argv[first]) == JoinCodeLength / 2 &&
        CodeLetters(argv[first + 1]) == JoinCodeLength / 2)
    {
        char text[MaxCodeText];
        const int length = std::snprintf(text, sizeof text, "%s %s", argv[first], argv[first + 1]);
        return length > 0 && length < static_cast<int>(sizeof text) && ParseJoinCode(text, code);
    }
    return end - first == 1 && ParseJoinCode(argv[first], code);
}

// The values after --port, --join, --replay or --meet, from argv[n + 1] on; false when they are
// missing or bad.
bool ParseValues(int option, int argc, const char* const* argv, int& n, Options& options)
{
    if (option == OptionMeet)
    {
        return n + 1 < argc && argv[n + 1] != nullptr &&
               SplitAddress(argv[++n], DefaultMeetPort, options.meet, options.meetPort);
    }
    if (option == OptionReplay)
    {
        if (n + 1 >= argc || argv[n + 1] == nullptr || argv[n + 1][0] == '\0')
        {
            return false;
        }
        options.replay = argv[++n];
        return true;
    }
    if (option == OptionPort)
    {
        if (n + 1 >= argc || argv[n + 1] == nullptr)
        {
            return false;
        }
        options.port = ParsePort(argv[++n]);
        return options.port != 0;
    }
    // The words up to the next option: [ADDRESS] and the code, which may come in two words as
    // the screen shows it.
    int end = n + 1;
    while (end < argc && argv[end] != nullptr && std::strncmp(argv[end], "--", 2) != 0)
    {
        ++end;
    }
    if (ParseCodePieces(argv, n + 1, end, options.code))
    {
        n = end - 1; // the code alone: the host is searched for on the home network
        return true;
    }
    if (end - n < 3 || !SplitAddress(argv[n + 1], DefaultPort, options.address, options.port) ||
        !ParseCodePieces(argv, n + 2, end, options.code))
    {
        return false;
    }
    n = end - 1;
    return true;
}
} // namespace

Options ParseOptions(int argc, const char* const* argv)
{
    Options options = {};
    options.request = StartRequest::ShowUsage;
    options.fullScreen = true;
    options.port = DefaultPort;
    bool given[OptionCount] = {};
    for (int n = 1; n < argc; ++n)
    {
        const int option = FindOption(argv[n]);
        if (option == OptionCount || given[option])
        {
            return options; // unknown, or given twice
        }
        given[option] = true;
        if ((option == OptionPort || option == OptionJoin || option == OptionReplay ||
             option == OptionMeet) &&
            !ParseValues(option, argc, argv, n, options))
        {
            return options; // a value missing or bad
        }
    }
    if ((given[OptionWindow] && given[OptionFullScreen]) ||
        given[OptionHost] + given[OptionJoin] + given[OptionReplay] > 1 ||
        (given[OptionPort] && !given[OptionHost]) ||
        (given[OptionMeet] && !given[OptionHost] && !given[OptionJoin]))
    {
        return options; // two modes or roles at once, or a port or meeting point unused
    }
    options.fullScreen = !given[OptionWindow];
    options.screenGiven = given[OptionWindow] || given[OptionFullScreen];
    options.mute = given[OptionMute];
    options.host = given[OptionHost];
    options.join = given[OptionJoin];
    options.request = given[OptionHelp]      ? StartRequest::ShowHelp
                      : given[OptionVersion] ? StartRequest::ShowVersion
                                             : StartRequest::Play;
    return options;
}

bool ChooseMeetingPoint(Options& options, const char* named)
{
    if (options.meet[0] != '\0' || !(options.host || options.join) || named == nullptr ||
        named[0] == '\0')
    {
        return true; // the option's, or none wanted, or none named
    }
    options.meetFromEnvironment = true;
    if (!SplitAddress(named, DefaultMeetPort, options.meet, options.meetPort))
    {
        options.meet[0] = '\0';
        return false;
    }
    return true;
}

bool ScreenRefused(const char* driver, const char* chosen)
{
    if (chosen != nullptr && chosen[0] != '\0')
    {
        return false; // the person's choice
    }
    for (const char* blind : {"offscreen", "dummy", "evdev"})
    {
        if (driver != nullptr && std::strcmp(driver, blind) == 0)
        {
            return true;
        }
    }
    return false;
}
