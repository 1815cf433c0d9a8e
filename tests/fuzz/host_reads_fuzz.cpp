// Fuzz target: the host reads anything a friend's game may send, from a connection that has
// given its code or not, on either channel, without harm; a message it takes is whole.
#include "net/host_session.h"
#include "net/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    static HostSession session;
    JoinCode code = {};
    StartHostSession(session, code);
    ClearLinkOrders();
    // The first byte: bit 0 the channel, bit 1 whether the connection gave its code first.
    HandleHostEvent(session, {LinkEventType::Connected, 0, 1, 0, nullptr, 0, 0}, 0);
    unsigned char hello[MaxShortMessageBytes];
    const std::size_t helloSize = static_cast<std::size_t>(EncodeHello(code, hello));
    if ((data[0] & 2) != 0)
    {
        HandleHostEvent(session,
                        {LinkEventType::Received, 0, 1, ReliableChannel, hello, helloSize, 0}, 0);
    }
    const HostInput input = HandleHostEvent(
        session, {LinkEventType::Received, 0, 1, data[0] & 1, data + 1, size - 1, 0}, 0);
    if (input.keyMoved && (size != 4 || !FriendMayPress(input.key)))
    {
        std::abort(); // a key taken from anything but a whole key message
    }
    if (input.frameWanted && size != 2)
    {
        std::abort(); // an ask for a whole frame is one byte
    }
    ClearLinkOrders();
    return 0;
}
