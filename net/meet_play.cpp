// Online play through a meeting point: announcing, knocking, and the relayed connections.
#include "net/meet_play.h"

#include "net/host_session.h"
#include "net/meet_link.h"
#include "net/messages.h"
#include "net/relay_squeeze.h"

namespace
{
static_assert(FirstRelayedPeer == MaxLinkPeers);
constexpr int JoinedPeer = 0; // the friend's side: its relayed host, as link and relay peer
static_assert(MaxSqueezedBytes <= MaxMeetPlain);

MeetRole Role = MeetRole::Off;
MeetHost Hosted;
MeetFriend Joining;
bool Listening;              // hosting: the game's subject is listened to
bool Relayed[MaxRelayPeers]; // hosting: the conversation's relayed peer was opened
RelayLink Relay;
SqueezeLine Lines[MaxRelayPeers]; // each relayed peer's packets, squeezed both ways
unsigned LastNow;                 // ms, of the last TickMeetPlay: the flush's time
unsigned SentBytes;
unsigned ReceivedBytes;
unsigned ReceivedMessages;
MeetDelivery Delivery;
unsigned char Out[MaxMeetPayload];
unsigned char Plain[MaxMeetPlain];
unsigned char Packet[RelayPacketBytes];
unsigned char Squeezed[MaxSqueezedBytes];

int LinkPeerOf(int peer)
{
    return Role == MeetRole::Hosting ? FirstRelayedPeer + peer : JoinedPeer;
}

void Send(const char* subject, int size)
{
    if (size > 0 && SendMeet(subject, Out, size))
    {
        SentBytes += static_cast<unsigned>(size);
    }
}

// A relayed peer's packets, squeezed and sealed for the other side, sent.
void SendPackets(int peer, bool force)
{
    for (int size;
         (size = MakeRelayPacket(Relay, peer, LinkPeerOf(peer), LastNow, force, Packet)) > 0;)
    {
        const int squeezed = SqueezePacket(Lines[peer], Packet, size, Squeezed);
        if (Role == MeetRole::Hosting)
        {
            Send(Hosted.conversations[peer].subject,
                 SealForFriend(Hosted, peer, Squeezed, squeezed, Out));
        }
        else
        {
            Send(Joining.hostSubject, SealForHost(Joining, Squeezed, squeezed, Out));
        }
    }
}

// A relayed peer's packet as it opened from its seal: expanded, and heard when it is.
void Hear(int peer, const MeetHostHeard& heard, unsigned now)
{
    const int size = ExpandPacket(Lines[peer], Plain, heard.size, Packet);
    if (size >= 0)
    {
        HearRelayPacket(Relay, peer, LinkPeerOf(peer), Packet, static_cast<std::size_t>(size), now);
    }
}

void Count()
{
    ReceivedBytes += static_cast<unsigned>(Delivery.size);
    ++ReceivedMessages;
}

void HearAsHost(unsigned now)
{
    const MeetHostHeard heard = HearAtHost(
        Hosted, Delivery.bytes, static_cast<std::size_t>(Delivery.size), now, Out, Plain);
    if (heard.what == MeetHeard::Answer)
    {
        Send(Hosted.conversations[heard.conversation].subject, heard.size);
        return;
    }
    if (heard.what != MeetHeard::Message)
    {
        return; // not for us, or not from anyone with the code
    }
    const int peer = heard.conversation;
    if (!Relayed[peer])
    {
        // The friend's first packet: its connection, as a request arrives on the network.
        Relayed[peer] = OpenRelayPeer(Relay, peer, LinkPeerOf(peer), RelayedAddress(peer), now);
        ResetSqueezeLine(Lines[peer]);
    }
    Hear(peer, heard, now);
}

void HearAsFriend(unsigned now)
{
    const MeetHostHeard heard =
        HearAtFriend(Joining, Delivery.bytes, static_cast<std::size_t>(Delivery.size), Plain);
    if (heard.what == MeetHeard::Message)
    {
        Hear(JoinedPeer, heard, now);
    }
}

void TickHost(unsigned now)
{
    if (!Listening && MeetLineNow() == MeetLine::Up)
    {
        Listening = ListenMeet(Hosted.subject);
    }
    while (TakeMeet(Delivery))
    {
        Count();
        HearAsHost(now);
    }
    for (int peer = 0; peer < MaxRelayPeers; ++peer)
    {
        TimeOutRelayPeer(Relay, peer, LinkPeerOf(peer), now);
        if (Relayed[peer] && !RelayPeerOpen(Relay, peer))
        {
            EndConversation(Hosted, peer); // what comes for it later is dropped
            Relayed[peer] = false;
        }
    }
    TickMeetHost(Hosted, now);
}

void TickFriend(unsigned now)
{
    const bool up = MeetLineNow() == MeetLine::Up;
    for (MeetStep step = TickMeetFriend(Joining, up, now, Out); step.order != MeetOrder::None;
         step = TickMeetFriend(Joining, up, now, Out))
    {
        if (step.order == MeetOrder::Subscribe)
        {
            ListenMeet(step.subject);
        }
        else
        {
            Send(step.subject, step.size);
        }
    }
    while (TakeMeet(Delivery))
    {
        Count();
        HearAsFriend(now);
    }
    TimeOutRelayPeer(Relay, JoinedPeer, JoinedPeer, now);
}
} // namespace

bool RelayedPeer(int linkPeer)
{
    return linkPeer >= FirstRelayedPeer && linkPeer < FirstRelayedPeer + MaxRelayPeers;
}

bool StartMeetHosting(const char* host, int port, const CodeKey& key)
{
    if (Role != MeetRole::Off || !OpenMeet(host, port))
    {
        return false;
    }
    Role = MeetRole::Hosting;
    StartMeetHost(Hosted, key);
    Listening = false;
    for (bool& relayed : Relayed)
    {
        relayed = false;
    }
    ResetRelayLink(Relay, MaxFriendMessageBytes);
    return true;
}

bool StartMeetJoining(const char* host, int port, const CodeKey& key, unsigned now)
{
    if (Role != MeetRole::Off || !StartMeetFriend(Joining, key, now) || !OpenMeet(host, port))
    {
        return false;
    }
    Role = MeetRole::Joining;
    ResetRelayLink(Relay, MaxMessageBytes);
    return true;
}

MeetRole MeetPlayRole()
{
    return Role;
}

void SetMeetPlayAddresses(const MeetAddress* addresses, int count)
{
    SetMeetAddresses(Hosted, addresses, count);
}

void TickMeetPlay(unsigned now)
{
    LastNow = now;
    if (Role == MeetRole::Hosting)
    {
        TickHost(now);
    }
    else if (Role == MeetRole::Joining)
    {
        TickFriend(now);
    }
}

const MeetFriend& MeetJoin()
{
    return Joining;
}

bool GoRelayed(unsigned now)
{
    if (Role != MeetRole::Joining || Joining.stage != MeetStage::Answered ||
        !OpenRelayPeer(Relay, JoinedPeer, JoinedPeer, 0, now))
    {
        return false;
    }
    ResetSqueezeLine(Lines[JoinedPeer]);
    return true;
}

bool JoinedRelayed()
{
    return Role == MeetRole::Joining && RelayPeerOpen(Relay, JoinedPeer);
}

MeetLine MeetPlayLine()
{
    return Role == MeetRole::Off ? MeetLine::Off : MeetLineNow();
}

bool PollMeetPlay(LinkEvent& event)
{
    return Role != MeetRole::Off && PollRelayLink(Relay, event);
}

void FlushMeetPlay()
{
    if (Role == MeetRole::Off)
    {
        return;
    }
    for (int n = 0; n < LinkOrderCount; ++n)
    {
        const LinkOrder& order = LinkOrders[n];
        if (Role == MeetRole::Hosting && RelayedPeer(order.peer))
        {
            OrderRelay(Relay, order.peer - FirstRelayedPeer, order, LinkOrderData + order.offset);
        }
        else if (Role == MeetRole::Joining && order.peer == JoinedPeer)
        {
            OrderRelay(Relay, JoinedPeer, order, LinkOrderData + order.offset);
        }
    }
    for (int peer = 0; peer < MaxRelayPeers; ++peer)
    {
        SendPackets(peer, false);
    }
}

void CloseMeetPeers()
{
    if (Role == MeetRole::Off)
    {
        return;
    }
    for (int peer = 0; peer < MaxRelayPeers; ++peer)
    {
        if (RelayPeerOpen(Relay, peer))
        {
            OrderRelay(Relay, peer, {LinkOrderType::Drop, 0, 0, 0, 0, ReasonLeft}, nullptr);
            SendPackets(peer, true);
        }
    }
}

unsigned MeetPlayBytesSent()
{
    return SentBytes;
}

unsigned MeetPlayBytesReceived()
{
    return ReceivedBytes;
}

unsigned MeetPlayMessagesReceived()
{
    return ReceivedMessages;
}

void EndMeetPlay()
{
    if (Role == MeetRole::Off)
    {
        return;
    }
    CloseMeet();
    Role = MeetRole::Off;
}
