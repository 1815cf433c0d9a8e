// Tests of the command line: the options it takes, and every kind it refuses.
#include "app/options.h"

#include <gtest/gtest.h>
#include <vector>

TEST(Options, EachOptionOnceAndNothingElse)
{
    const StartRequest Play = StartRequest::Play, Usage = StartRequest::ShowUsage;
    const struct
    {
        std::vector<const char*> arguments;
        StartRequest request;
        bool fullScreen;
    } cases[] = {
        {{}, Play, true},
        {{"--fullscreen"}, Play, true},
        {{"--window"}, Play, false},
        {{"--window", "--version"}, StartRequest::ShowVersion, false},
        {{"--version", "--help"}, StartRequest::ShowHelp, true},
        {{"--bogus"}, Usage, true},
        {{"--window", "--window"}, Usage, true},
        {{"--window", "--fullscreen"}, Usage, true},
        {{"--window=yes"}, Usage, true},
        {{"--help", ""}, Usage, true},
        {{"--", "--window"}, Usage, true},
        {{"--window", nullptr}, Usage, true},
        {{"--window", "--replay", "replay0.tqr"}, Play, false},
        {{"--join", nullptr, "abcdefghjk"}, Usage, true},
        {{"--host", "--port", nullptr, "2000"}, Usage, true},
        {{"--replay"}, Usage, true},
        {{"--replay", ""}, Usage, true},
        {{"--replay", "a.tqr", "--host"}, Usage, true},
    };
    int row = 0;
    for (const auto& c : cases)
    {
        std::vector<const char*> argv = {"tumblequay"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const Options options = ParseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.request, c.request) << "row " << row;
        EXPECT_EQ(options.fullScreen, c.fullScreen) << "row " << row++;
    }
    const char* const replay[] = {"tumblequay", "--replay", "--window"};
    EXPECT_STREQ(ParseOptions(3, replay).replay, "--window"); // a file may have any name
}
