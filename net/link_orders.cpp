// The queue of orders the sessions leave for the network edge.
#include "net/link_orders.h"

#include <cstring>

LinkOrder LinkOrders[MaxLinkOrders];
int LinkOrderCount;
unsigned char LinkOrderData[LinkOrderBytes];
int LinkOrderDataUsed;

void ClearLinkOrders()
{
    LinkOrderCount = 0;
    LinkOrderDataUsed = 0;
}

void OrderSend(int peer, int channel, const unsigned char* bytes, int size)
{
    if (LinkOrderCount >= MaxLinkOrders || size > LinkOrderBytes - LinkOrderDataUsed)
    {
        return; // full: the message is lost, as on a congested line
    }
    std::memcpy(LinkOrderData + LinkOrderDataUsed, bytes, static_cast<std::size_t>(size));
    LinkOrders[LinkOrderCount++] = {LinkOrderType::Send, peer, channel,
                                    LinkOrderDataUsed,   size, ReasonNone};
    LinkOrderDataUsed += size;
}

void OrderDrop(int peer, LinkReason reason)
{
    if (LinkOrderCount >= MaxLinkOrders)
    {
        return; // full: the peer goes when the next tick or its silence ends it
    }
    LinkOrders[LinkOrderCount++] = {LinkOrderType::Drop, peer, 0, 0, 0, reason};
}
