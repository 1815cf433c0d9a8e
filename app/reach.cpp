// Reaching the game: the host's words about its port, and the friend's home search.
#include "app/reach.h"

#include "app/online.h"
#include "app/shell.h"
#include "display/font.h"
#include "net/link.h"
#include "platform/names.h"

namespace
{
constexpr unsigned char PortWordColour = 1; // grey, as the band's other words
constexpr int PortWordRow = 48;             // above the code's two rows

bool Hosting;                      // TellHosting was called: the band shows the port's state
int HostPort;                      // the port hosted on
char CodeText[JoinCodeLength + 1]; // the join code as the commands give it
PortReport Told;                   // what was last told of the port, and the band shows
JoinCode HomeCode;                 // the code the friend joins with
HomeSearch Search;
bool Held;                // a search that finds no game leaves the session open
bool FoundNone;           // and it found none
FriendNotice ToldNotice;  // the friend's last notice told
unsigned ToldNoticeSince; // and when it came, ms

// Each notice of the friend's side as one line says it.
constexpr const char* NoticeLines[] = {
    "",                                                                // FriendNotice::None
    "no such host: its name or address does not resolve",              // FriendNotice::NoSuchHost
    "no answer: the host did not answer or did not let this game in",  // FriendNotice::NoAnswer
    "the game is full: another friend plays in it",                    // FriendNotice::GameFull
    "wrong code: the host did not take it",                            // FriendNotice::WrongCode
    "shut out: the host takes no code from this address for a minute", // FriendNotice::ShutOut
    "the host left",                                                   // FriendNotice::HostLeft
    "the host runs another version of the game",                       // FriendNotice::OtherVersion
    "no game found on the home network",                               // FriendNotice::NoGame
};
static_assert(sizeof NoticeLines / sizeof NoticeLines[0] ==
              static_cast<int>(FriendNotice::NoGame) + 1);
} // namespace

void FormatAddress(std::uint32_t address, char* text)
{
    std::snprintf(text, AddressTextBytes, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255,
                  (address >> 8) & 255, address & 255);
}

void TellHosting(std::FILE* out, int port, const JoinCode& code, const std::uint32_t* own,
                 int ownCount, bool askingRouter)
{
    Hosting = true;
    HostPort = port;
    Told = {askingRouter ? PortState::Asking : PortState::Closed, 0, 0};
    FormatJoinCode(code, CodeText);
    std::fprintf(out, "%s: hosting on UDP port %d; a friend on this home network joins with:\n",
                 ProgramName, port);
    if (port == DefaultPort)
    {
        std::fprintf(out, "%s --join %s\n", ProgramName, CodeText);
    }
    for (int n = 0; n < ownCount; ++n)
    {
        char address[AddressTextBytes];
        FormatAddress(own[n], address);
        std::fprintf(out, "%s --join %s:%d %s\n", ProgramName, address, port, CodeText);
    }
    if (port != DefaultPort && ownCount == 0)
    {
        std::fprintf(out, "%s --join ADDRESS:%d %s\n", ProgramName, port, CodeText);
    }
    std::fprintf(out,
                 askingRouter ? "%s: asking the router to open UDP port %d to the internet\n"
                              : "%s: the router is not asked to open UDP port %d, which stays "
                                "closed to the internet\n",
                 ProgramName, port);
    std::fflush(out);
}

void WatchPortMap(std::FILE* out, const PortReport& report)
{
    if (!Hosting || report.state == PortState::Asking ||
        (report.state == Told.state && report.publicAddress == Told.publicAddress &&
         report.publicPort == Told.publicPort))
    {
        return; // nothing new
    }
    const PortState before = Told.state;
    Told = report;
    const int outside = report.publicPort > 0 ? report.publicPort : HostPort;
    char address[AddressTextBytes];
    FormatAddress(report.publicAddress, address);
    switch (report.state)
    {
        case PortState::Open:
            std::fprintf(out,
                         "%s: the router opened the port; a friend on the internet joins with:\n"
                         "%s --join %s:%d %s\n",
                         ProgramName, ProgramName, address, report.publicPort, CodeText);
            break;
        case PortState::Behind:
            std::fprintf(out,
                         "%s: the router opened UDP port %d, but its own address %s is a private "
                         "one, which no one on the internet reaches; friends on this home network "
                         "can still join\n",
                         ProgramName, outside, address);
            break;
        case PortState::Shared:
            std::fprintf(out,
                         "%s: this line has no address of its own on the internet (a carrier's "
                         "shared one): no port can be opened from it, by the router or by hand; "
                         "friends on this home network can still join, and a friend on the "
                         "internet can host instead\n",
                         ProgramName);
            break;
        case PortState::Lost:
            std::fprintf(out,
                         "%s: the router no longer keeps UDP port %d open%s; asking it again "
                         "every minute\n",
                         ProgramName, outside,
                         before == PortState::Open ? ": the command given for a friend on the "
                                                     "internet no longer works"
                                                   : "");
            break;
        case PortState::Closed:
        case PortState::Asking:
            std::fprintf(out,
                         "%s: no router opened the port: for friends on the internet, forward UDP "
                         "port %d to this machine by hand; friends on this home network can still "
                         "join\n",
                         ProgramName, HostPort);
            break;
    }
    std::fflush(out);
}

void DrawPortWord()
{
    if (!Hosting || MatchRunning)
    {
        return; // the band belongs to the title screen
    }
    const char* word = Told.state == PortState::Asking ? "asking"
                       : Told.state == PortState::Open ? "open"
                                                       : "closed";
    DrawText(word, 16 - TextWidth(word) / 2, PortWordRow, PortWordColour, 1);
}

void StartHomeJoin(const JoinCode& code, unsigned now)
{
    HomeCode = code;
    FoundNone = false;
    StartJoining(code, true, now);
    StartHomeSearch(Search, now);
}

void HearHomeAnswer(std::uint32_t address, const unsigned char* bytes, int size, unsigned now)
{
    if (size > 0)
    {
        HearSearchAnswer(Search, address, bytes, static_cast<std::size_t>(size), now);
    }
}

SearchStep TickHomeJoin(unsigned now)
{
    if (Search.stage == SearchStage::Listening)
    {
        if (FriendSide.stage == FriendStage::Off)
        {
            EndHomeSearch(Search); // left with Escape
            return {};
        }
        const SearchStep step = TickHomeSearch(Search, now);
        if (step.order == SearchOrder::NoGame)
        {
            FoundNone = true;
            if (!Held)
            {
                EndFriendSession(FriendSide, FriendNotice::NoGame, false, ReasonNone, now);
            }
        }
        return step;
    }
    if (Search.stage != SearchStage::Trying)
    {
        return {};
    }
    if (FriendSide.stage == FriendStage::Joined)
    {
        EndHomeSearch(Search);
        return {};
    }
    if (FriendSide.stage == FriendStage::Off)
    {
        // Turned away, or left with Escape (no notice): the next host, or none.
        if (FriendSide.notice == FriendNotice::None)
        {
            EndHomeSearch(Search);
            return {};
        }
        return NextFoundHost(Search);
    }
    return {};
}

void JoinFoundHost(bool asked, unsigned now)
{
    StartJoining(HomeCode, asked, now);
}

void HoldHomeJoin(bool hold)
{
    Held = hold;
}

bool HomeJoinEmpty()
{
    return FoundNone;
}

void StopHomeJoin()
{
    EndHomeSearch(Search);
}

void TellFriendNotice(std::FILE* out)
{
    const FriendNotice notice = FriendSide.notice;
    if (Role != OnlineRole::Joining || notice == FriendNotice::None ||
        (notice == ToldNotice && FriendSide.noticeSince == ToldNoticeSince))
    {
        return; // nothing new to tell
    }
    ToldNotice = notice;
    ToldNoticeSince = FriendSide.noticeSince;
    std::fprintf(out, "%s: %s\n", ProgramName, NoticeLines[static_cast<int>(notice)]);
    std::fflush(out);
}
