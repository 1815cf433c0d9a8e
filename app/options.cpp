// The command line: the four options, checked whole before anything else starts.
#include "app/options.h"

#include "platform/names.h"

#include <cstring>
#include <string_view>

#ifndef TQ_VERSION
#error "the build names the game's version in TQ_VERSION"
#endif

#define TQ_PROGRAM "tumblequay"
static_assert(std::string_view(TQ_PROGRAM) == ProgramName);
#define TQ_USAGE "usage: " TQ_PROGRAM " [--fullscreen | --window] [--help] [--version]\n"

const char UsageText[] = TQ_USAGE;
const char HelpText[] =
    TQ_USAGE "A turn-based team ball game for two players at one keyboard or with gamepads.\n"
             "\n"
             "  --fullscreen  play on the whole screen at the desktop's size (the default)\n"
             "  --window      play in a window; Alt+Enter switches between the two\n"
             "  --help        show this help and exit\n"
             "  --version     show the version and exit\n";
const char VersionText[] = TQ_PROGRAM " " TQ_VERSION "\n";

namespace
{
enum Option
{
    OptionHelp,
    OptionVersion,
    OptionWindow,
    OptionFullScreen,
    OptionCount
};
constexpr const char* OptionNames[] = {
    "--help",       // OptionHelp
    "--version",    // OptionVersion
    "--window",     // OptionWindow
    "--fullscreen", // OptionFullScreen
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
} // namespace

Options ParseOptions(int argc, const char* const* argv)
{
    bool given[OptionCount] = {};
    for (int n = 1; n < argc; ++n)
    {
        const int option = FindOption(argv[n]);
        if (option == OptionCount || given[option])
        {
            return {StartRequest::ShowUsage, true}; // unknown, or given twice
        }
        given[option] = true;
    }
    if (given[OptionWindow] && given[OptionFullScreen])
    {
        return {StartRequest::ShowUsage, true}; // two modes at once
    }
    const bool fullScreen = !given[OptionWindow];
    if (given[OptionHelp])
    {
        return {StartRequest::ShowHelp, fullScreen};
    }
    if (given[OptionVersion])
    {
        return {StartRequest::ShowVersion, fullScreen};
    }
    return {StartRequest::Play, fullScreen};
}
