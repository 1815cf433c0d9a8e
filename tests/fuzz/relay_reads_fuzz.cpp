// Fuzz target: a relayed packet as it opens from the meeting point, read by a peer that has
// reliable messages out and waiting for their acks. A packet either fails its checks and changes
// nothing, or its events hold messages no longer than the side takes; the packets made after
// write nothing past their room.
#include "net/messages.h"
#include "net/relay_link.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
RelayLink Link;
unsigned char Out[RelayPacketBytes + 1];
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ResetRelayLink(Link, MaxFriendMessageBytes);
    OpenRelayPeer(Link, 0, 1024, 1, 0);
    const unsigned char message[3] = {1, 2, 3};
    for (int n = 0; n < 3; ++n)
    {
        OrderRelay(Link, 0, {LinkOrderType::Send, 0, ReliableChannel, 0, 3, ReasonNone}, message);
    }
    Out[RelayPacketBytes] = 0xa5;
    MakeRelayPacket(Link, 0, 1024, 0, true, Out);
    LinkEvent event;
    while (PollRelayLink(Link, event))
    {
    }
    const bool taken = HearRelayPacket(Link, 0, 1024, data, size, 10);
    int events = 0;
    while (PollRelayLink(Link, event))
    {
        ++events;
        if (event.peer != 1024 || (event.type == LinkEventType::Received &&
                                   (event.size > static_cast<std::size_t>(MaxFriendMessageBytes) ||
                                    event.bytes + event.size > Link.eventBytes + RelayEventBytes)))
        {
            std::abort(); // not the packet's peer, or a message longer than taken
        }
    }
    if (!taken && events != 0)
    {
        std::abort(); // refused, yet it changed something
    }
    while (MakeRelayPacket(Link, 0, 1024, 5000, true, Out) > 0)
    {
    }
    if (Out[RelayPacketBytes] != 0xa5)
    {
        std::abort(); // written past a packet's room
    }
    return 0;
}
