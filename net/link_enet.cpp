// The network connection through ENet.
#include "net/link.h"

#include "net/host_session.h"
#include "net/messages.h"
#include "net/search_link.h"

#include <enet/enet.h>

namespace
{
ENetHost* LinkHost = nullptr;     // the open link, or null
ENetPacket* HeldPacket = nullptr; // the last Received event's bytes

void ReleaseHeldPacket()
{
    if (HeldPacket != nullptr)
    {
        enet_packet_destroy(HeldPacket);
        HeldPacket = nullptr;
    }
}

bool OpenLink(const ENetAddress* address, int peers)
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
    if (!OpenLink(&address, MaxLinkPeers))
    {
        return false;
    }
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
    if (!resolved || !OpenLink(nullptr, 1))
    {
        return false;
    }
    ENetPeer* peer = enet_host_connect(LinkHost, &address, LinkChannels, 0);
    if (peer == nullptr)
    {
        CloseLink();
        return false;
    }
    enet_peer_timeout(peer, 0, PeerTimeoutMs, PeerTimeoutMs);
    return true;
}

bool PollLink(LinkEvent& event)
{
    ReleaseHeldPacket();
    ENetEvent happened;
    if (LinkHost == nullptr || enet_host_service(LinkHost, &happened, 0) <= 0)
    {
        return false;
    }
    event = {};
    event.peer = static_cast<int>(happened.peer - LinkHost->peers);
    switch (happened.type)
    {
        case ENET_EVENT_TYPE_CONNECT:
            event.type = LinkEventType::Connected;
            event.address = happened.peer->address.host;
            enet_peer_timeout(happened.peer, 0, PeerTimeoutMs, PeerTimeoutMs);
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
            return true;
        default:
            return false;
    }
}

void FlushLinkOrders()
{
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
            if (peer->state == ENET_PEER_STATE_CONNECTED)
            {
                enet_peer_disconnect(peer, order.reason);
            }
            else
            {
                enet_peer_reset(peer); // still connecting: nothing to say goodbye to
            }
            continue;
        }
        // A frame larger than a datagram goes in unreliable pieces, all or nothing.
        const enet_uint32 flags = order.channel == FrameChannel
                                      ? ENET_PACKET_FLAG_UNRELIABLE_FRAGMENT
                                      : ENET_PACKET_FLAG_RELIABLE;
        ENetPacket* packet = enet_packet_create(LinkOrderData + order.offset,
                                                static_cast<size_t>(order.size), flags);
        if (packet != nullptr &&
            enet_peer_send(peer, static_cast<enet_uint8>(order.channel), packet) != 0)
        {
            enet_packet_destroy(packet); // refused: the peer is not connected
        }
    }
    ClearLinkOrders();
    if (LinkHost != nullptr)
    {
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
    enet_deinitialize();
}
