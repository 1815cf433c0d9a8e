// Fuzz target: the friend's side reads anything a host may send, before and after its
// welcome and a whole frame, on either channel, without harm: a frame it takes, whole or a
// delta on the whole frame it holds, writes nothing past the canvas.
#include "net/friend_session.h"
#include "net/messages.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    static FriendSession session;
    JoinCode code = {};
    StartFriendSession(session, code, 0);
    ClearLinkOrders();
    LinkEvent event = {LinkEventType::Connected, 0, 0, 0, nullptr, 0, 0};
    HandleFriendEvent(session, event, 0);
    // The first byte: bit 0 the channel, bit 1 whether the host welcomed us first, bit 2
    // whether whole frame 0, a cleared canvas, came after the welcome.
    if ((data[0] & 2) != 0)
    {
        unsigned char welcome[MaxShortMessageBytes];
        event = {LinkEventType::Received,
                 0,
                 0,
                 ReliableChannel,
                 welcome,
                 static_cast<std::size_t>(EncodeWelcome(welcome)),
                 0};
        HandleFriendEvent(session, event, 0);
    }
    if ((data[0] & 6) == 6)
    {
        static const unsigned char cells[CanvasCells] = {};
        static unsigned char frame[MaxFrameBytes];
        event = {LinkEventType::Received,
                 0,
                 0,
                 FrameChannel,
                 frame,
                 static_cast<std::size_t>(EncodeFrame(0, cells, frame)),
                 0};
        HandleFriendEvent(session, event, 0);
    }
    event = {LinkEventType::Received, 0, 0, data[0] & 1, data + 1, size - 1, 0};
    HandleFriendEvent(session, event, 0);
    ClearLinkOrders();
    return 0;
}
