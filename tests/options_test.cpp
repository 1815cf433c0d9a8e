// Tests of the command line: the options it takes, and every kind it refuses.
#include "app/options.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(Options, EachOptionOnceAndNothingElse)
{
    const struct
    {
        std::vector<const char*> arguments;
        StartRequest request;
        bool fullScreen;
    } cases[] = {
        {{}, StartRequest::Play, true},
        {{"--fullscreen"}, StartRequest::Play, true},
        {{"--window"}, StartRequest::Play, false},
        {{"--help"}, StartRequest::ShowHelp, true},
        {{"--window", "--version"}, StartRequest::ShowVersion, false},
        {{"--version", "--help"}, StartRequest::ShowHelp, true},
        {{"--bogus"}, StartRequest::ShowUsage, true},
        {{"--window", "--window"}, StartRequest::ShowUsage, true},
        {{"--help", "--help"}, StartRequest::ShowUsage, true},
        {{"--window", "--fullscreen"}, StartRequest::ShowUsage, true},
        {{"--window=yes"}, StartRequest::ShowUsage, true},
        {{"--window", ""}, StartRequest::ShowUsage, true},
        {{"-window"}, StartRequest::ShowUsage, true},
        {{"--Window"}, StartRequest::ShowUsage, true},
        {{"--help", "extra"}, StartRequest::ShowUsage, true},
        {{"--", "--window"}, StartRequest::ShowUsage, true},
        {{"--window", nullptr}, StartRequest::ShowUsage, true},
    };
    for (const auto& c : cases)
    {
        std::vector<const char*> argv = {"tumblequay"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const Options options = ParseOptions(static_cast<int>(argv.size()), argv.data());
        std::string line;
        for (const char* argument : c.arguments)
        {
            line += std::string(argument != nullptr ? argument : "(null)") + " ";
        }
        EXPECT_EQ(options.request, c.request) << line;
        EXPECT_EQ(options.fullScreen, c.fullScreen) << line;
    }
}

TEST(Options, UsageIsOneLineThatBeginsTheHelp)
{
    const std::string usage = UsageText;
    ASSERT_EQ(usage.find('\n'), usage.size() - 1);
    EXPECT_EQ(std::string(HelpText).substr(0, usage.size()), usage);
    for (const char* option : {"--fullscreen", "--window", "--help", "--version"})
    {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
        EXPECT_NE(std::strstr(HelpText, (std::string("\n  ") + option + " ").c_str()), nullptr)
            << option;
    }
}
