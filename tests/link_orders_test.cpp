// Tests of the queue of orders the sessions leave for the network edge: what it keeps, in
// order and byte for byte, and that it drops what would overflow it.
#include "net/link_orders.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
std::string BytesOf(const LinkOrder& order)
{
    return {reinterpret_cast<const char*>(LinkOrderData + order.offset),
            static_cast<std::size_t>(order.size)};
}
} // namespace

TEST(LinkOrders, KeepsEachMessageWholeAndDropsWhatWouldOverflow)
{
    ClearLinkOrders();
    OrderSend(1, 0, reinterpret_cast<const unsigned char*>("abc"), 3);
    OrderDrop(2, ReasonFull);
    OrderSend(3, 1, reinterpret_cast<const unsigned char*>("de"), 2);
    ASSERT_EQ(LinkOrderCount, 3);
    EXPECT_EQ(BytesOf(LinkOrders[0]), "abc");
    EXPECT_TRUE(LinkOrders[1].type == LinkOrderType::Drop && LinkOrders[1].peer == 2 &&
                LinkOrders[1].reason == ReasonFull);
    EXPECT_EQ(BytesOf(LinkOrders[2]), "de");
    EXPECT_TRUE(LinkOrders[2].peer == 3 && LinkOrders[2].channel == 1);

    // The bytes: a message that does not fit whole is dropped, a smaller one still goes.
    static unsigned char big[LinkOrderBytes];
    OrderSend(0, 0, big, LinkOrderBytes - 5 + 1);
    OrderSend(0, 0, big, LinkOrderBytes - 5);
    EXPECT_EQ(LinkOrderCount, 4);
    EXPECT_EQ(LinkOrderDataUsed, LinkOrderBytes);

    // The orders: the queue holds MaxLinkOrders, and a drop past them is lost too.
    ClearLinkOrders();
    EXPECT_EQ(LinkOrderDataUsed, 0);
    for (int n = 0; n <= MaxLinkOrders; ++n)
    {
        OrderSend(n, 0, big, 1);
    }
    OrderDrop(0, ReasonLeft);
    EXPECT_EQ(LinkOrderCount, MaxLinkOrders);
    EXPECT_EQ(LinkOrders[MaxLinkOrders - 1].peer, MaxLinkOrders - 1);
    ClearLinkOrders();
}
