// The page's network link (net/link.h): a browser sends no datagrams, so its only peers are
// the relayed ones of the meeting point (net/meet_play.h).
#include "net/link.h"
#include "net/meet_play.h"

bool OpenHostLink(int)
{
    return true; // friends come through the meeting point alone
}

bool OpenFriendLink(const char*, int)
{
    return false; // no address is reached from a page
}

bool PollLink(LinkEvent& event)
{
    return PollMeetPlay(event);
}

void FlushLinkOrders()
{
    FlushMeetPlay();
    ClearLinkOrders();
}

unsigned LinkBytesSent()
{
    return MeetPlayBytesSent();
}

unsigned LinkBytesReceived()
{
    return MeetPlayBytesReceived();
}

void CloseLink()
{
    CloseMeetPeers();
}
