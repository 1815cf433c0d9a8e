// The page's online play: its requests carried out, and its iteration's part.
#include "app/page_play.h"

#include "app/meeting.h"
#include "app/online.h"
#include "app/reach.h"
#include "net/link.h"

bool StartPageHosting(const PageMeet& meet, unsigned)
{
    JoinCode code;
    if (Role != OnlineRole::Offline || !MakeJoinCode(code) || !StartHosting(code))
    {
        return false;
    }
    OpenHostLink(DefaultPort); // the page's link: relayed friends alone
    return StartMeetingHost(stdout, stdout, meet.host, meet.port, true, DefaultPort, nullptr, 0);
}

bool StartPageJoining(const PageMeet& meet, const JoinCode& code, unsigned now)
{
    if (Role != OnlineRole::Offline)
    {
        return false;
    }
    StartHomeJoin(code, now); // the friend's session, and a search that finds nothing
    return StartMeetingJoin(stdout, meet.host, meet.port, code, nullptr, 0, now);
}

void TickPageOnline(unsigned now)
{
    if (Role == OnlineRole::Joining)
    {
        TickHomeJoin(now); // its broadcasts go nowhere: no datagrams from a page
    }
}
