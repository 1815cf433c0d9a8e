// Online play from the web page: the meeting point beside the page, the link, the requests.
#include "app/page_online.h"

#include "platform/names.h"

#include <cstring>

namespace
{
bool HostLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

bool Blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The port after a ':': 1..65535 in decimal; 0 when it is not one.
int ReadPort(const char* text, int size)
{
    int port = 0;
    for (int n = 0; n < size; ++n)
    {
        if (text[n] < '0' || text[n] > '9' || n >= 5)
        {
            return 0;
        }
        port = port * 10 + (text[n] - '0');
    }
    return size > 0 && port <= 65535 ? port : 0;
}
} // namespace

bool ReadPageMeet(const char* text, int size, PageMeet& meet)
{
    int start = 0;
    int end = 0;
    const int limit = size < MaxPageMeetBytes ? size : MaxPageMeetBytes;
    do
    {
        start = end;
        while (start < limit && Blank(text[start]))
        {
            ++start; // empty lines and spaces before the line
        }
        end = start;
        while (end < limit && text[end] != '\n' && text[end] != '\r')
        {
            ++end;
        }
    } while (start < limit && text[start] == '#'); // a comment line
    while (end > start && Blank(text[end - 1]))
    {
        --end;
    }
    end -= end > start && text[end - 1] == '/';
    const char* line = text + start;
    const int length = end - start;
    const bool secure = length > 6 && std::strncmp(line, "wss://", 6) == 0;
    const int scheme = secure ? 6 : length > 5 && std::strncmp(line, "ws://", 5) == 0 ? 5 : 0;
    if (scheme == 0)
    {
        return false; // not a WebSocket's address
    }
    int hostEnd = scheme;
    while (hostEnd < length && HostLetter(line[hostEnd]))
    {
        ++hostEnd;
    }
    const int hostLength = hostEnd - scheme;
    const bool portGiven = hostEnd < length && line[hostEnd] == ':';
    const int port = portGiven ? ReadPort(line + hostEnd + 1, length - hostEnd - 1)
                     : secure  ? SecureMeetPort
                               : PageMeetPort;
    if (hostLength == 0 || hostLength > MaxAddressLength || port == 0 ||
        (!portGiven && hostEnd != length))
    {
        return false; // no host, a bad port, or something after the host (a path)
    }
    meet.secure = secure;
    std::memcpy(meet.host, line + scheme, static_cast<std::size_t>(hostLength));
    meet.host[hostLength] = '\0';
    meet.port = port;
    return true;
}

int FormatPageLink(const char* page, const JoinCode& code, char* link, int capacity)
{
    const char* mark = std::strchr(page, '#');
    const int length =
        mark != nullptr ? static_cast<int>(mark - page) : static_cast<int>(std::strlen(page));
    if (length + 1 + JoinCodeLength + 1 > capacity)
    {
        return 0;
    }
    std::memcpy(link, page, static_cast<std::size_t>(length));
    link[length] = '#';
    FormatJoinCode(code, link + length + 1);
    return length + 1 + JoinCodeLength;
}

bool ReadLinkCode(const char* hash, JoinCode& code)
{
    return hash != nullptr && ParseJoinCode(hash[0] == '#' ? hash + 1 : hash, code);
}

void TellPageLink(std::FILE* out, const char* page, const JoinCode& code)
{
    char link[MaxPageLinkBytes];
    if (page == nullptr || page[0] == '\0' || FormatPageLink(page, code, link, sizeof link) == 0)
    {
        return; // no page named, or a name too long to be one
    }
    std::fprintf(out, "%s: or in a browser, the page: %s\n", ProgramName, link);
    std::fflush(out);
}
