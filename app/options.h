// The command line: what the game was asked to do, and the texts it answers with.
#pragma once

#include "net/join_code.h"

// What a command line asks for.
enum class StartRequest
{
    Play,        // open the screen and play
    ShowHelp,    // --help: HelpText on standard output, status 0
    ShowVersion, // --version: VersionText on standard output, status 0
    ShowUsage,   // anything else: UsageText on standard error, status UsageStatus
};

constexpr int UsageStatus = 2; // exit status after a command line the game does not take

constexpr int MaxAddressLength = 255; // characters of a host's name or address

struct Options
{
    StartRequest request;
    bool fullScreen;                    // --fullscreen or no mode named, else --window
    bool host;                          // --host: wait for a friend to join
    bool join;                          // --join: join a host
    int port;                           // --port, or the one in --join's address; 1..65535
    char address[MaxAddressLength + 1]; // --join: the host's name or address, no port; empty
                                        // with the code alone: search the home network
    JoinCode code;                      // --join: the code the host shows
    const char* replay;                 // --replay: the file to play back, else null
    char meet[MaxAddressLength + 1];    // --meet or TUMBLEQUAY_MEET: the meeting point's
                                        // name or address, no port; empty when none
    int meetPort;                       // its port, 1..65535
    bool meetFromEnvironment;           // named by TUMBLEQUAY_MEET, not by --meet
    bool screenGiven;                   // --fullscreen or --window given: the settings' yields
    bool mute;                          // --mute: no sound, and none needed to start
};

// The one line of usage, the help that starts with it, and the version line; each ends
// with a newline.
extern const char UsageText[];
extern const char HelpText[];
extern const char VersionText[];

// Reads the arguments after the program's name (argv[1] .. argv[argc - 1]). Options are
// --help, --version, --window, --fullscreen, --host, --port N (with --host only), --join
// [ADDRESS[:PORT]] CODE, --replay FILE, --meet HOST[:PORT] (with --host or --join only; port
// DefaultMeetPort unless given) and --mute, each whole. --join takes the words up to the next
// option (an argument starting with "--"): the code alone when they make one code together
// (a code may come in two words of five letters, "k3m9x q2tvw" as the screen shows it), else an
// address and then the code. A null, empty or unknown argument, an option given twice, an option
// with a value
// (--window=yes), both --window and --fullscreen, two of --host, --join and --replay, a missing
// or empty value, a port that is not a whole number 1..65535 in decimal, an empty or overlong
// address, or a code that ParseJoinCode refuses ask for ShowUsage. Otherwise --help asks for
// ShowHelp, then --version for ShowVersion, else Play. The port is DefaultPort unless given.
Options ParseOptions(int argc, const char* const* argv);

// Hosting or joining without --meet: the meeting point named (HOST[:PORT]) by the environment
// (named, null or empty when none), marked as the environment's. False, and none, when what is
// named there is no HOST[:PORT]; true otherwise, and always when --meet named one.
bool ChooseMeetingPoint(Options& options, const char* named);

// Whether the game refuses to start on the video driver SDL chose (its name, null when none),
// given what the environment asks for by SDL_VIDEODRIVER (null or empty when nothing): a driver
// that shows nothing, which SDL falls back to when no display answers, unless asked for.
bool ScreenRefused(const char* driver, const char* chosen);
