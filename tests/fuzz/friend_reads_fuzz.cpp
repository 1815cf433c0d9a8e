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
    HandleFriendEvent(session, {LinkEventType::Connected, 0, 0, 0, nullptr, 0, 0}, 0);
    const auto receive = [](int channel, const unsigned char* bytes, std::size_t size) {
        HandleFriendEvent(session, {LinkEventType::Received, 0, 0, channel, bytes, size, 0}, 0);
    };
    // The first byte: bit 0 the channel, bit 1 whether the host welcomed us first, bit 2
    // whether whole frame 0, a cleared canvas, came after the welcome.
    static const unsigned char cleared[CanvasCells] = {};
    static unsigned char message[MaxFrameBytes];
    if ((data[0] & 2) != 0)
    {
        receive(ReliableChannel, message, static_cast<std::size_t>(EncodeWelcome(message)));
    }
    if ((data[0] & 6) == 6)
    {
        receive(FrameChannel, message, static_cast<std::size_t>(EncodeFrame(0, cleared, message)));
    }
    receive(data[0] & 1, data + 1, size - 1);
    ClearLinkOrders();
    return 0;
}
