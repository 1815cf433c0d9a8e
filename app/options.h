// The command line: what the game was asked to do, and the texts it answers with.
#pragma once

// What a command line asks for.
enum class StartRequest
{
    Play,        // open the screen and play
    ShowHelp,    // --help: HelpText on standard output, status 0
    ShowVersion, // --version: VersionText on standard output, status 0
    ShowUsage,   // anything else: UsageText on standard error, status UsageStatus
};

constexpr int UsageStatus = 2; // exit status after a command line the game does not take

struct Options
{
    StartRequest request;
    bool fullScreen; // --fullscreen or no mode named, else --window
};

// The one line of usage, the help that starts with it, and the version line; each ends
// with a newline.
extern const char UsageText[];
extern const char HelpText[];
extern const char VersionText[];

// Reads the arguments after the program's name (argv[1] .. argv[argc - 1]). Options are
// --help, --version, --window and --fullscreen, each whole: a null, empty or unknown
// argument, an option given twice, an option with a value (--window=yes), or both --window
// and --fullscreen ask for ShowUsage. Otherwise --help asks for ShowHelp, then --version
// for ShowVersion, else Play.
Options ParseOptions(int argc, const char* const* argv);
