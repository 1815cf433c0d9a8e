// The network connection through ENet.
#include "net/link.h"

#include "net/host_session.h"
#include "net/meet_play.h"
#include "net/messages.h"
#include "net/search_link.h"

#include <enet/enet.h>

#include <algorithm>

namespace
{
ENetHost* LinkHost = nullptr;     // the open link, or null
ENetPacket* HeldPacket = nullptr; // the last Received event's bytes
bool Hosting = false;             // the link is the host's side

// What the session has been told of each connection slot on the host.
struct Reported
{
    bool known;            // told Pending or Connected, not yet Disconnected
    enet_uint32 connectID; // ENet's number for that connection
};
Reported Slots[MaxLinkPeers];

bool StillConnecting(const ENetPeer& peer)
{
    return peer.state >= ENET_PEER_STATE_CONNECTING &&
           peer.state <= ENET_PEER_STATE_CONNECTION_SUCCEEDED;
}

// ENet holds a stranger's request without an event until it is connected, and forgets a
// half-open one without any: the session hears of both, so that it can time them out.
bool WalkSlots(LinkEvent& event)
{
    for (size_t n = 0; n < LinkHost->peerCount; ++n)
    {
        ENetPeer& peer = LinkHost->peers[n];
        Reported& slot = Slots[n];
        if (peer.state == ENET_PEER_STATE_DISCONNECTED)
        {
            // ENet guesses a round trip of 500 ms until it has measured one, and waits that
            // long, then twice as long, before it answers a request again: a guess nearer a
            // real line's lets a join survive a few lost datagrams within the wait for the
            // code.
            peer.roundTripTime = FirstRoundTripMs;
        }
        const bool gone =
            peer.state == ENET_PEER_STATE_DISCONNECTED || peer.connectID != slot.connectID;
        if ((slot.known && gone) || (!slot.known && StillConnecting(peer)))
        {
            event = {};
            event.peer = static_cast<int>(n);
            event.type = slot.known ? LinkEventType::Disconnected : LinkEventType::Pending;
            event.address = peer.address.host;
            slot = {!slot.known, peer.connectID};
            return true;
        }
    }
    return false;
}

// Settings every connection gets: ENet's own time-out past the sessions' wait for a quiet
// peer, and pings to keep its measure of the line fresh.
void SetUpPeer(ENetPeer* peer)
{
    enet_peer_timeout(peer, 0, PeerTimeoutMs, PeerTimeoutMs);
    enet_peer_ping_interval(peer, PingMs);
}

// Once connected, no throttle on what we send: ENet drops a share of the unreliable messages
// it sends, up to all of them, whenever it sees the round trip grow (a loaded machine, a
// lossy line), and frames and reports then stop for good while the line still answers. The
// game's messages are few and small; what a poor line costs is the sessions' to judge. (Set
// here alone, as ENet checks the values a connection began with while it is made.)
void SendEveryMessage(ENetPeer* peer)
{
    peer->packetThrottle = ENET_PEER_PACKET_THROTTLE_SCALE;
    peer->packetThrottleAcceleration = ENET_PEER_PACKET_THROTTLE_SCALE;
    peer->packetThrottleDeceleration = 0;
}

// Reliable messages under way go again after MaxResendMs at the most (see link.h).
void KeepResending(ENetList& commands)
{
    for (ENetListIterator at = enet_list_begin(&commands); at != enet_list_end(&commands);
         at = enet_list_next(at))
    {
        ENetOutgoingCommand& command = *reinterpret_cast<ENetOutgoingCommand*>(at);
        command.roundTripTimeout = std::min<enet_uint32>(command.roundTripTimeout, MaxResendMs);
    }
}

void KeepResending()
{
    for (size_t n = 0; n < LinkHost->peerCount; ++n)
    {
        ENetPeer& peer = LinkHost->peers[n];
        if (peer.state == ENET_PEER_STATE_CONNECTED)
        {
            KeepResending(peer.sentReliableCommands);
            KeepResending(peer.outgoingCommands);
        }
    }
}

void ReleaseHeldPacket()
{
    if (HeldPacket != nullptr)
    {
        enet_packet_destroy(HeldPacket);
        HeldPacket = nullptr;
    }
}

bool OpenLink(const ENetAddress* address, int peers, int receiveBytes, int waitingBytes)
{
    if (enet_initialize() != 0)
    {
        return false;
    }
    LinkHost = enet_host_create(address, static_cast<size_t>(peers), LinkChannels, 0, 0);
    if (LinkHost == nullptr)
    {
        enet_deinitialize();
        return false;
    }
    enet_host_compress_with_range_coder(LinkHost);
    // How many connections one address holds is the host session's to judge: ENet's own
    // limit counts requests it holds, which anyone can forge from another's address.
    LinkHost->duplicatePeers = static_cast<size_t>(peers);
    LinkHost->maximumPacketSize = static_cast<size_t>(receiveBytes);
    LinkHost->maximumWaitingData = static_cast<size_t>(waitingBytes);
    Hosting = address != nullptr;
    for (Reported& slot : Slots)
    {
        slot = {};
    }
    return true;
}

ENetPeer* PeerAt(int peer)
{
    if (LinkHost == nullptr || peer < 0 || static_cast<size_t>(peer) >= LinkHost->peerCount)
    {
        return nullptr;
    }
    return &LinkHost->peers[peer];
}
} // namespace

bool OpenHostLink(int port)
{
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = static_cast<enet_uint16>(port);
    if (!OpenLink(&address, MaxLinkPeers, HostReceiveBytes, HostWaitingBytes))
    {
        return false;
    }
    enet_host_bandwidth_limit(LinkHost, 0, HostSendBytesPerSecond);
    LinkHost->intercept = AnswerSearch; // a friend's search of the home network, on this port
    return true;
}

bool OpenFriendLink(const char* name, int port)
{
    ENetAddress address;
    if (enet_initialize() != 0)
    {
        return false;
    }
    const bool resolved = enet_address_set_host(&address, name) == 0;
    enet_deinitialize();
    address.port = static_cast<enet_uint16>(port);
    if (!resolved || !OpenLink(nullptr, 1, FriendReceiveBytes, FriendWaitingBytes))
    {
        return false;
    }
    ENetPeer* peer = enet_host_connect(LinkHost, &address, LinkChannels, 0);
    if (peer == nullptr)
    {
        CloseLink();
        return false;
    }
    SetUpPeer(peer);
    // Asked for again that soon when lost, then twice as long each time, as ENet does.
    peer->roundTripTime = FirstRoundTripMs;
    return true;
}

bool PollLink(LinkEvent& event)
{
    ReleaseHeldPacket();
    if (PollMeetPlay(event))
    {
        return true; // a relayed connection's
    }
    ENetEvent happened;
    if (LinkHost == nullptr)
    {
        return false;
    }
    // ENet's own events first: each call also reads what waits on the socket, so that a
    // flood of requests does not keep the friend's datagrams waiting behind the reports.
    if (enet_host_service(LinkHost, &happened, 0) <= 0)
    {
        return Hosting && WalkSlots(event);
    }
    event = {};
    event.peer = static_cast<int>(happened.peer - LinkHost->peers);
    Reported& slot = Slots[event.peer]; // the friend's side has slot 0 alone
    switch (happened.type)
    {
        case ENET_EVENT_TYPE_CONNECT:
            event.type = LinkEventType::Connected;
            event.address = happened.peer->address.host;
            slot = {true, happened.peer->connectID};
            SetUpPeer(happened.peer);
            SendEveryMessage(happened.peer);
            return true;
        case ENET_EVENT_TYPE_RECEIVE:
            HeldPacket = happened.packet;
            event.type = LinkEventType::Received;
            event.channel = happened.channelID;
            event.bytes = happened.packet->data;
            event.size = happened.packet->dataLength;
            return true;
        case ENET_EVENT_TYPE_DISCONNECT:
            event.type = LinkEventType::Disconnected;
            event.reason = happened.data;
            slot = {};
            return true;
        default:
            return false;
    }
}

void FlushLinkOrders()
{
    FlushMeetPlay(); // the relayed peers' orders: none of them is ENet's
    for (int n = 0; n < LinkOrderCount; ++n)
    {
        const LinkOrder& order = LinkOrders[n];
        ENetPeer* peer = PeerAt(order.peer);
        if (peer == nullptr)
        {
            continue; // no such connection
        }
        if (order.type == LinkOrderType::Drop)
        {
            if (peer->state != ENET_PEER_STATE_CONNECTED)
            {
                enet_peer_reset(peer); // connecting, or its goodbye unanswered: cut
            }
            else if (order.reason == ReasonNone)
            {
                enet_peer_disconnect_now(peer, ReasonNone); // silent, or never proved the code
            }
            else
            {
                enet_peer_disconnect(peer, order.reason);
            }
            continue;
        }
        // Every message fits a datagram (MaxMessageBytes): ENet never splits one.
        const enet_uint32 flags = order.channel == QuickChannel ? 0 : ENET_PACKET_FLAG_RELIABLE;
        ENetPacket* packet = enet_packet_create(LinkOrderData + order.offset,
                                                static_cast<size_t>(order.size), flags);
        // ENet holds sending and receiving to one size: the host's frames may pass, while
        // what it takes in stays at HostReceiveBytes.
        const size_t receiveBytes = LinkHost->maximumPacketSize;
        LinkHost->maximumPacketSize = MaxMessageBytes;
        if (packet != nullptr &&
            enet_peer_send(peer, static_cast<enet_uint8>(order.channel), packet) != 0)
        {
            enet_packet_destroy(packet); // refused: the peer is not connected
        }
        LinkHost->maximumPacketSize = receiveBytes;
    }
    ClearLinkOrders();
    if (LinkHost != nullptr)
    {
        KeepResending();
        enet_host_flush(LinkHost);
    }
}

unsigned LinkBytesSent()
{
    return LinkHost == nullptr ? 0 : LinkHost->totalSentData;
}

unsigned LinkBytesReceived()
{
    return LinkHost == nullptr ? 0 : LinkHost->totalReceivedData;
}

void CloseLink()
{
    CloseMeetPeers();
    if (LinkHost == nullptr)
    {
        return;
    }
    FlushLinkOrders();
    ReleaseHeldPacket();
    for (size_t n = 0; n < LinkHost->peerCount; ++n)
    {
        if (LinkHost->peers[n].state == ENET_PEER_STATE_CONNECTED)
        {
            enet_peer_disconnect_now(&LinkHost->peers[n], ReasonLeft);
        }
    }
    enet_host_destroy(LinkHost);
    LinkHost = nullptr;
    Hosting = false;
    enet_deinitialize();
}
