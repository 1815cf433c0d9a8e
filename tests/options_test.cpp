// Tests of the command line: what the end-to-end scenarios and the online options leave out.
#include "app/options.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

// Which of --help and --version wins, the files --replay takes, an address that looks like a
// code, and refusals of a missing value, an empty one, arguments cut short by a null, a "--"
// and a replay beside hosting.
TEST(Options, EachOptionOnceAndNothingElse)
{
    const StartRequest Play = StartRequest::Play, Usage = StartRequest::ShowUsage;
    // The arguments after the program's name, the request they make and whether full screen.
    const std::tuple<std::vector<const char*>, StartRequest, bool> cases[] = {
        {{"--version", "--help"}, StartRequest::ShowHelp, true},
        {{"--", "--window"}, Usage, true},
        {{"--window", nullptr}, Usage, true},
        {{"--join", nullptr, "abcdefghjk"}, Usage, true},
        {{"--host", "--port", nullptr, "2000"}, Usage, true},
        {{"--replay", "--window"}, Play, true}, // a file may have any name
        {{"--join"}, Usage, true},
        {{"--window", "--join", "abcdefghjk", "abcdefghjk"}, Play, false}, // an address like a code
        {{"--replay"}, Usage, true},
        {{"--replay", ""}, Usage, true},
        {{"--replay", "a.tqr", "--host"}, Usage, true},
    };
    for (const auto& [arguments, request, fullScreen] : cases)
    {
        std::vector<const char*> argv = {"tumblequay"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const Options options = ParseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_TRUE(options.request == request && options.fullScreen == fullScreen)
            << testing::PrintToString(arguments);
    }
}
