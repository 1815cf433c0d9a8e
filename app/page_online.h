// Online play from the web page: the meeting point named where the page is served (a line
// "ws://HOST[:PORT]" or "wss://HOST[:PORT]" in meet.txt beside it), hosting and joining from
// the page's own controls, and the link to give a friend (the page's address with "#CODE",
// which a browser never sends to the server). A page plays relayed only: it sends no
// datagrams. Main thread only.
#pragma once

#include "app/options.h"
#include "net/join_code.h"

#include <cstdio>

constexpr int PageMeetPort = 4223;    // nats-server's websocket port in meet/meet.conf
constexpr int SecureMeetPort = 443;   // wss:// without a port
constexpr int MaxPageMeetBytes = 512; // meet.txt is read no further
constexpr int MaxPageLinkBytes = 2048;

struct PageMeet
{
    bool secure;                     // wss://
    char host[MaxAddressLength + 1]; // a name or an IPv4 address
    int port;                        // 1..65535
};

// Reads meet.txt's text (size bytes, not zero-terminated): its first line that is neither empty
// nor a comment (starting with '#'), spaces around it ignored, one trailing '/' allowed. False, and
// meet untouched, when it names no meeting point in that form.
bool ReadPageMeet(const char* text, int size, PageMeet& meet);

// The link to give: the page's address up to any '#', then '#' and the code; its length, or 0
// when it does not fit capacity (nothing usable is written then).
int FormatPageLink(const char* page, const JoinCode& code, char* link, int capacity);

// The code a link carries after its '#' (the page's location.hash, '#' included or not), as
// ParseJoinCode reads it; false when there is none.
bool ReadLinkCode(const char* hash, JoinCode& code);

// The desktop host with a meeting point and TUMBLEQUAY_PAGE naming where the page is served:
// one more line to give, the page's link for the code. Nothing when page is null or empty.
void TellPageLink(std::FILE* out, const char* page, const JoinCode& code);
