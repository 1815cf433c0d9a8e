// Online play with a meeting point: announcing, the friend's choice of path, the words.
#include "app/meeting.h"

#include "app/online.h"
#include "app/options.h"
#include "app/reach.h"
#include "display/band.h"
#include "display/canvas.h"
#include "display/font.h"
#include "net/link.h"
#include "net/meet_play.h"
#include "platform/names.h"

namespace
{
constexpr unsigned char WordColour = 1;      // grey, as the band's other words
constexpr int StateLine = 2;                 // the band's line of "waiting" and "joined"
constexpr int StateRow = 25;                 // its glyphs' bottom row
constexpr int BandWidth = 32;                // columns
constexpr int FaultRow = 55;                 // the word about the meeting point, above the port's
constexpr const char* FaultWord = "no meet"; // the meeting point cannot be reached

// Where the friend's join through the meeting point stands.
enum class Stage
{
    Off,      // no meeting point, or it is done with
    Knocking, // waiting for the host's answer
    Standby,  // answered while the home search's host was proving the code: its turn first
    Direct,   // trying the answer's addresses in turn
    Relayed,  // playing through the meeting point
};

char PointText[MaxAddressLength + 8]; // "HOST:PORT"
Stage JoinStage;
JoinCode Code;                       // the friend's
MeetAddress Tries[MaxMeetAddresses]; // Direct: the answer's addresses worth trying
int TryCount;
int Tried;                          // Direct: the one being tried
unsigned TrySince;                  // ms
bool Faulty;                        // the meeting point cannot be reached or would not take us
bool FaultTold;                     // and stderr said so
JoinPath ToldPath;                  // the path standard output last named
int ToldPeer;                       // hosting: and the friend's connection then
MeetAddress Told[MaxMeetAddresses]; // hosting: the addresses friends are told
int ToldCount;
std::uint32_t Own[MaxMeetAddresses]; // hosting: this machine's addresses
int OwnCount;
int GamePort;
std::uint32_t OwnJoining[MaxMeetAddresses]; // joining: this machine's addresses
int OwnJoiningCount;
bool RelayedOnly; // joining from a side that reaches no address (the page)

bool SameAddresses(const MeetAddress* a, int aCount, const MeetAddress* b, int bCount)
{
    if (aCount != bCount)
    {
        return false;
    }
    for (int n = 0; n < aCount; ++n)
    {
        if (a[n].address != b[n].address || a[n].port != b[n].port)
        {
            return false;
        }
    }
    return true;
}

// Hosting: the router's public address first when it opened the port, then our own.
void TellAddresses(const PortReport& report)
{
    MeetAddress addresses[MaxMeetAddresses] = {};
    int count = 0;
    if (report.state == PortState::Open)
    {
        addresses[count++] = {report.publicAddress, report.publicPort};
    }
    for (int n = 0; n < OwnCount && count < MaxMeetAddresses; ++n)
    {
        addresses[count++] = {Own[n], GamePort};
    }
    if (!SameAddresses(addresses, count, Told, ToldCount))
    {
        SetMeetPlayAddresses(addresses, count);
        for (int n = 0; n < count; ++n)
        {
            Told[n] = addresses[n];
        }
        ToldCount = count;
    }
}

// The meeting point's line, or the friend's knock, given up on.
bool LineFailed()
{
    const MeetLine line = MeetPlayLine();
    if (line == MeetLine::Refused)
    {
        return true;
    }
    const MeetStage stage = MeetJoin().stage;
    return MeetPlayRole() == MeetRole::Joining && stage == MeetStage::Unreachable;
}

void TellFault(std::FILE* err)
{
    Faulty = true;
    if (!FaultTold)
    {
        std::fprintf(err,
                     "%s: the meeting point %s cannot be reached or does not take the game; "
                     "friends still join directly and on the home network\n",
                     ProgramName, PointText);
        std::fflush(err);
        FaultTold = true;
    }
}

void TryAddress(int n, unsigned now)
{
    Tried = n;
    TrySince = now;
    CloseLink(); // the try before, or the home search's host
    char text[AddressTextBytes];
    FormatAddress(Tries[n].address, text);
    StartJoining(Code, OpenFriendLink(text, Tries[n].port), now);
}

void StartRelayed(unsigned now)
{
    CloseLink();
    JoinStage = Stage::Relayed;
    StartJoining(Code, GoRelayed(now), now);
}

// The answer came and the meeting point's path takes over: direct first, when there is an
// address to try.
void TakeOver(unsigned now)
{
    StopHomeJoin();
    HoldHomeJoin(false);
    JoinStage = Stage::Direct;
    TryCount = 0;
    for (int n = 0; n < MeetJoin().addressCount; ++n)
    {
        if (!RelayedOnly && WorthTrying(MeetJoin().addresses[n], OwnJoining, OwnJoiningCount))
        {
            Tries[TryCount++] = MeetJoin().addresses[n];
        }
    }
    if (TryCount > 0)
    {
        TryAddress(0, now);
    }
    else
    {
        StartRelayed(now);
    }
}

// Whether the host at an address refused us for good: another friend plays, we are shut out,
// or it runs another version. Anything else (no answer, another game's host) tries on.
bool RefusedForGood(FriendNotice notice)
{
    return notice == FriendNotice::GameFull || notice == FriendNotice::ShutOut ||
           notice == FriendNotice::OtherVersion;
}

void TickDirect(unsigned now)
{
    const FriendStage stage = FriendSide.stage;
    if (stage == FriendStage::Joined)
    {
        JoinStage = Stage::Off; // joined: what ends the session later ends the join
        return;
    }
    if (stage == FriendStage::Knocking || stage == FriendStage::Proving)
    {
        return; // reached: the host proves the code
    }
    const int count = TryCount;
    const bool ended = stage == FriendStage::Off;
    if (ended && RefusedForGood(FriendSide.notice))
    {
        JoinStage = Stage::Off;
        return;
    }
    if (!ended && now - TrySince < DirectTryMs / static_cast<unsigned>(count))
    {
        return; // still connecting
    }
    if (Tried + 1 < count)
    {
        TryAddress(Tried + 1, now);
    }
    else
    {
        StartRelayed(now);
    }
}

void TickKnocking(unsigned now)
{
    if (FriendSide.stage == FriendStage::Joined)
    {
        JoinStage = Stage::Off; // the home network's host let us in first
        HoldHomeJoin(false);
        return;
    }
    const MeetStage stage = MeetJoin().stage;
    if (stage == MeetStage::Answered)
    {
        const FriendStage session = FriendSide.stage;
        const bool homeProving = session == FriendStage::Knocking ||
                                 session == FriendStage::Proving || session == FriendStage::Joined;
        homeProving ? static_cast<void>(JoinStage = Stage::Standby) : TakeOver(now);
        return;
    }
    if ((stage == MeetStage::Knocking || stage == MeetStage::Connecting) && !Faulty)
    {
        return; // still waiting
    }
    // Given up: the home search alone decides, and tells what it found.
    JoinStage = Stage::Off;
    HoldHomeJoin(false);
    if (HomeJoinEmpty() && FriendSide.stage != FriendStage::Off)
    {
        EndFriendSession(FriendSide,
                         stage == MeetStage::OtherVersion ? FriendNotice::OtherVersion
                                                          : FriendNotice::NoGame,
                         true, ReasonLeft, now);
    }
}

void TellPath(std::FILE* out)
{
    const JoinPath path = PlayPath();
    const int peer = Role == OnlineRole::Hosting ? FriendPeer(HostSide) : 0;
    if (path == ToldPath && peer == ToldPeer)
    {
        return; // the same friend on the same path
    }
    ToldPath = path;
    ToldPeer = peer;
    if (path == JoinPath::None)
    {
        return;
    }
    const bool hosting = Role == OnlineRole::Hosting;
    std::fprintf(out, "%s: %s %s%s\n", ProgramName, hosting ? "a friend joined," : "joined,",
                 path == JoinPath::Relayed ? "relayed through the meeting point " : "direct",
                 path == JoinPath::Relayed ? PointText : "");
    std::fflush(out);
}
} // namespace

bool StartMeetingHost(std::FILE* out, std::FILE* err, const char* host, int port,
                      bool fromEnvironment, int gamePort, const std::uint32_t* own, int ownCount)
{
    std::snprintf(PointText, sizeof PointText, "%s:%d", host, port);
    if (!StartMeetHosting(host, port, HostSide.key))
    {
        TellFault(err);
        return false;
    }
    GamePort = gamePort;
    OwnCount = 0;
    for (int n = 0; n < ownCount && OwnCount < MaxMeetAddresses; ++n)
    {
        Own[OwnCount++] = own[n];
    }
    TellAddresses({PortState::Asking, 0, 0});
    char code[JoinCodeLength + 1];
    FormatJoinCode(HostSide.code, code);
    std::fprintf(out,
                 "%s: announcing the game at the meeting point %s; a friend anywhere joins with:\n",
                 ProgramName, PointText);
    if (fromEnvironment)
    {
        std::fprintf(out, "%s --join %s\n", ProgramName, code);
    }
    else
    {
        std::fprintf(out, "%s --meet %s --join %s\n", ProgramName, PointText, code);
    }
    std::fflush(out);
    return true;
}

bool StartMeetingJoin(std::FILE* err, const char* host, int port, const JoinCode& code,
                      const std::uint32_t* own, int ownCount, unsigned now)
{
    std::snprintf(PointText, sizeof PointText, "%s:%d", host, port);
    Code = code;
    RelayedOnly = own == nullptr;
    OwnJoiningCount = 0;
    for (int n = 0; n < ownCount && OwnJoiningCount < MaxMeetAddresses; ++n)
    {
        OwnJoining[OwnJoiningCount++] = own[n];
    }
    if (!StartMeetJoining(host, port, FriendSide.key, now))
    {
        TellFault(err);
        return false;
    }
    JoinStage = Stage::Knocking;
    HoldHomeJoin(true);
    return true;
}

void RunMeeting(std::FILE* out, std::FILE* err, const PortReport& report, unsigned now)
{
    if (MeetPlayRole() == MeetRole::Off)
    {
        return;
    }
    if (MeetPlayRole() == MeetRole::Hosting)
    {
        TellAddresses(report);
        if (LineFailed() || (MeetPlayLine() == MeetLine::Connecting && now >= MeetConnectWaitMs))
        {
            TellFault(err);
        }
        Faulty = MeetPlayLine() != MeetLine::Up && FaultTold;
        TellPath(out);
        return;
    }
    if (LineFailed())
    {
        TellFault(err); // whichever path the friend plays on
    }
    if (FriendSide.stage == FriendStage::Off && FriendSide.notice == FriendNotice::None)
    {
        JoinStage = Stage::Off; // left with Escape: no path is tried any more
        HoldHomeJoin(false);
    }
    switch (JoinStage)
    {
        case Stage::Knocking:
            TickKnocking(now);
            break;
        case Stage::Standby:
            if (FriendSide.stage == FriendStage::Joined)
            {
                JoinStage = Stage::Off;
            }
            else if (FriendSide.stage != FriendStage::Knocking &&
                     FriendSide.stage != FriendStage::Proving)
            {
                TakeOver(now); // the home network's host did not let us in
            }
            break;
        case Stage::Direct:
            TickDirect(now);
            break;
        case Stage::Relayed:
        case Stage::Off:
            break;
    }
    TellPath(out);
}

JoinPath PlayPath()
{
    if (Role == OnlineRole::Hosting)
    {
        const int peer = FriendPeer(HostSide);
        return peer < 0 ? JoinPath::None : RelayedPeer(peer) ? JoinPath::Relayed : JoinPath::Direct;
    }
    if (Role != OnlineRole::Joining || FriendSide.stage != FriendStage::Joined)
    {
        return JoinPath::None;
    }
    return JoinedRelayed() ? JoinPath::Relayed : JoinPath::Direct;
}

void DrawMeetingWords()
{
    if (MeetPlayRole() == MeetRole::Off || MatchRunning)
    {
        return; // the band belongs to the title screen
    }
    if (Role == OnlineRole::Hosting)
    {
        const JoinPath path = PlayPath();
        if (path != JoinPath::None)
        {
            const char* word = path == JoinPath::Relayed ? "relayed" : "direct";
            FillRect(0, StateRow, BandWidth - 1, StateRow + GlyphSide - 1, Black);
            DrawBandText(word, StateLine, WordColour);
        }
        if (Faulty)
        {
            DrawText(FaultWord, BandWidth / 2 - TextWidth(FaultWord) / 2, FaultRow, WordColour, 1);
        }
    }
    else if (Faulty && FriendSide.stage != FriendStage::Joined)
    {
        DrawBandText(FaultWord, StateLine, WordColour); // under "joining", or a notice
    }
}
