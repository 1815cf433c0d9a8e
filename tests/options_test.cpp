// Tests of the command line: what the end-to-end scenarios and the online options leave out.
#include "app/options.h"

#include <cstring>
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

// A code as people pass it on: grouped as the screen shows it, with hyphens, in capitals, in two
// words on the command line, and with the letters that look like digits. Nothing else is taken,
// and a refused code leaves the one read before as it was.
TEST(Options, TheJoinCodeAsPeopleTypeIt)
{
    JoinCode code, expected;
    ASSERT_TRUE(ParseJoinCode("k3m9x01vvq", expected));
    for (const char* typed :
         {"k3m9x 01vvq", "K3M9X-01VVQ", "k3m9x\t0ivuq", "-k3m9xOLuvq-", "k 3 m 9 x 0 1 v v q"})
    {
        code = {};
        EXPECT_TRUE(ParseJoinCode(typed, code) && SameJoinCode(code, expected)) << typed;
    }
    for (const char* bad :
         {"k3m9x01vv", "k3m9x01vvqq", "k3m9x01vv_", "k3m9x.01vvq", "   -  ", "k3m9x01vv\xc3\xa9"})
    {
        code = expected;
        EXPECT_TRUE(!ParseJoinCode(bad, code) && SameJoinCode(code, expected)) << bad;
    }

    // The words after --join: the code alone, in pieces or whole, or an address before it.
    const std::tuple<std::vector<const char*>, const char*> joins[] = {
        {{"--join", "k3m9x", "01vvq"}, ""},
        {{"--join", "K3M9X", "O1VVQ", "--window"}, ""},
        {{"--join", "192.0.2.7:4000", "k3m9x", "01vvq"}, "192.0.2.7"},
        {{"--join", "k3m9x01vvq", "k3m9x", "01vvq"}, "k3m9x01vvq"}, // a host named like a code
        {{"--join", "192.0.2.7", "k3m9x-01vvq"}, "192.0.2.7"},
        {{"--join", "k3m9x", "01vvq", "x"}, nullptr},
        {{"--join", "k3m9", "x01vvq"}, nullptr}, // two words, but not as the screen groups it
        {{"--join", "192.0.2.7", "k3m9x", "", "01vvq"}, nullptr},
        {{"--join", "k3m9x", "--window", "01vvq"}, nullptr},
        {{"--join", "192.0.2.7"}, nullptr},
    };
    for (const auto& [arguments, address] : joins)
    {
        std::vector<const char*> argv = {"tumblequay"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const Options options = ParseOptions(static_cast<int>(argv.size()), argv.data());
        if (address == nullptr)
        {
            EXPECT_EQ(options.request, StartRequest::ShowUsage)
                << testing::PrintToString(arguments);
            continue;
        }
        EXPECT_TRUE(options.request == StartRequest::Play && options.join &&
                    std::strcmp(options.address, address) == 0 &&
                    SameJoinCode(options.code, expected))
            << testing::PrintToString(arguments);
    }
}

// A video driver that shows nothing is refused unless the person chose one by name.
TEST(Options, NoScreenWithoutADisplayUnlessChosen)
{
    EXPECT_TRUE(ScreenRefused("offscreen", nullptr) && ScreenRefused("dummy", "") &&
                ScreenRefused("evdev", nullptr));
    EXPECT_FALSE(ScreenRefused("offscreen", "offscreen") || ScreenRefused("x11", nullptr) ||
                 ScreenRefused("wayland", "") || ScreenRefused(nullptr, nullptr));
}

// The meeting point: --meet with a role only, its port 4222 unless given; the environment's when
// no option names one, marked as the environment's; a bad one there refused, and none taken.
TEST(Options, TheMeetingPointByOptionOrEnvironment)
{
    const auto parse = [](std::vector<const char*> arguments)
    {
        arguments.insert(arguments.begin(), "tumblequay");
        return ParseOptions(static_cast<int>(arguments.size()), arguments.data());
    };
    Options options = parse({"--host", "--meet", "meet.example:4300"});
    ASSERT_EQ(options.request, StartRequest::Play);
    EXPECT_TRUE(std::strcmp(options.meet, "meet.example") == 0 && options.meetPort == 4300);
    EXPECT_TRUE(ChooseMeetingPoint(options, "elsewhere:1") && options.meetPort == 4300 &&
                !options.meetFromEnvironment); // the option wins
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"--meet", "a"},
                                                {"--replay", "r", "--meet", "a"},
                                                {"--host", "--meet"},
                                                {"--host", "--meet", ":4222"},
                                                {"--join", "abcdefghjk", "--meet", "a:0"},
                                                {"--host", "--meet", "a", "--meet", "b"}})
    {
        EXPECT_EQ(parse(bad).request, StartRequest::ShowUsage) << testing::PrintToString(bad);
    }
    options = parse({"--join", "abcdefghjk"});
    EXPECT_TRUE(ChooseMeetingPoint(options, "6.0.0.1") &&
                std::strcmp(options.meet, "6.0.0.1") == 0 && options.meetPort == 4222 &&
                options.meetFromEnvironment);
    options = parse({"--join", "abcdefghjk"});
    EXPECT_FALSE(ChooseMeetingPoint(options, "6.0.0.1:x"));
    EXPECT_EQ(options.meet[0], '\0');
    options = parse({"--window"});
    EXPECT_TRUE(ChooseMeetingPoint(options, "6.0.0.1:x") && options.meet[0] == '\0'); // not online
    options = parse({"--host"});
    EXPECT_TRUE(ChooseMeetingPoint(options, "") && options.meet[0] == '\0');
}
