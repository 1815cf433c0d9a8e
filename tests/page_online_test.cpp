// The page's online wiring: the meeting point meet.txt names, the link and the code it carries,
// the line the desktop host prints for the page.
#include "app/page_online.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
bool Read(const std::string& text, PageMeet& meet)
{
    return ReadPageMeet(text.data(), static_cast<int>(text.size()), meet);
}
} // namespace

TEST(PageOnline, ReadsTheMeetingPointBesideThePage)
{
    const struct
    {
        const char* text;
        bool secure;
        const char* host;
        int port;
    } good[] = {
        {"ws://meet.example.org:4223\n", false, "meet.example.org", 4223},
        {"\n\n  ws://127.0.0.1/ \r\nignored", false, "127.0.0.1", PageMeetPort},
        {"# the meeting point\n  # ws://not.this\nws://this:1", false, "this", 1},
        {"wss://meet.example.org", true, "meet.example.org", SecureMeetPort},
        {"wss://a-b.c:65535/", true, "a-b.c", 65535},
    };
    for (const auto& one : good)
    {
        PageMeet meet = {};
        ASSERT_TRUE(Read(one.text, meet)) << one.text;
        EXPECT_EQ(meet.secure, one.secure) << one.text;
        EXPECT_STREQ(meet.host, one.host) << one.text;
        EXPECT_EQ(meet.port, one.port) << one.text;
    }
    const std::string longHost = "ws://" + std::string(MaxAddressLength + 1, 'a');
    for (const std::string& bad : std::initializer_list<std::string>{
             "", "\n \n", "meet.example.org:4223", "http://meet.example.org", "ws://", "ws://:4223",
             "ws://host:0", "ws://host:65536", "ws://host:123456", "ws://host:42x",
             "ws://host/path", "ws://ho st", "ws://host:4223/nats", "ws://[::1]:4223", longHost})
    {
        PageMeet meet = {true, "kept", 7};
        EXPECT_FALSE(Read(bad, meet)) << bad;
        EXPECT_STREQ(meet.host, "kept") << bad; // untouched
    }
    // Read no further than MaxPageMeetBytes: the line must lie within them.
    PageMeet meet = {};
    EXPECT_FALSE(Read(std::string(MaxPageMeetBytes, ' ') + "ws://late", meet));
    // Not zero-terminated: size bytes only.
    EXPECT_TRUE(ReadPageMeet("ws://abcdef", 8, meet));
    EXPECT_STREQ(meet.host, "abc");
}

TEST(PageOnline, TheLinkCarriesTheCodeAfterItsMark)
{
    JoinCode code;
    ASSERT_TRUE(ParseJoinCode("k3m9xq2tvw", code));
    char link[64];
    std::memset(link, 0x5a, sizeof link);
    const int length = FormatPageLink("https://example.org/play/#old", code, link, sizeof link);
    EXPECT_STREQ(link, "https://example.org/play/#k3m9xq2tvw");
    EXPECT_EQ(length, static_cast<int>(std::strlen(link)));
    EXPECT_EQ(link[length + 1], 0x5a); // nothing past it
    EXPECT_EQ(FormatPageLink("https://example.org/", code, link, 31), 0);
    EXPECT_EQ(FormatPageLink("https://example.org/", code, link, 32), 31);
    JoinCode read;
    EXPECT_TRUE(ReadLinkCode("#K3M9X Q2TVW", read)); // as a person may type it after the mark
    EXPECT_TRUE(SameJoinCode(read, code));
    EXPECT_TRUE(ReadLinkCode(link + 20, read));
    EXPECT_FALSE(ReadLinkCode("#", read));
    EXPECT_FALSE(ReadLinkCode("#k3m9xq2tv", read));
    EXPECT_FALSE(ReadLinkCode(nullptr, read));

    char said[256] = {};
    std::FILE* out = fmemopen(said, sizeof said - 1, "w");
    TellPageLink(out, nullptr, code);
    TellPageLink(out, "", code);
    TellPageLink(out, "http://localhost:8000/", code);
    std::fclose(out);
    EXPECT_STREQ(said,
                 "tumblequay: or in a browser, the page: http://localhost:8000/#k3m9xq2tvw\n");
}
