// Fuzz target: whatever a meeting point's server sends the page, read alone and through the
// page's connection, in pieces whose size the first byte picks. Nothing is written past the
// message read, a message handed on is one the stream held whole, and the connection either
// takes the stream or asks for it to be closed.
#include "net/nats_line.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
struct Guarded
{
    NatsMessage message;
    unsigned char guard[64];
};

NatsReader Reader;
Guarded Read;
NatsLine Line;
MeetDelivery Delivery;

void Check(bool holds)
{
    if (!holds)
    {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
    {
        return 0;
    }
    const int piece = 1 + data[0] % 64;
    ++data;
    --size;

    ResetNatsReader(Reader);
    std::memset(Read.guard, 0xa5, sizeof Read.guard);
    std::size_t at = 0;
    for (int rounds = 0; rounds < 1 << 16; ++rounds)
    {
        const NatsEvent event = ReadNats(Reader, Read.message);
        Check(Read.guard[0] == 0xa5 && Read.guard[sizeof Read.guard - 1] == 0xa5);
        if (event == NatsEvent::Message)
        {
            Check(Read.message.size >= 0 && Read.message.size <= MaxMeetPayload &&
                  std::strlen(Read.message.subject) < MeetSubjectBytes);
        }
        if (event == NatsEvent::Broken)
        {
            break;
        }
        if (event == NatsEvent::None)
        {
            if (at >= size)
            {
                break;
            }
            const int next =
                static_cast<int>(size - at < static_cast<std::size_t>(piece) ? size - at : piece);
            const int taken = FeedNats(Reader, data + at, next);
            Check(taken >= 0 && taken <= next);
            Check(taken > 0 || Reader.filled == NatsBufferBytes);
            if (taken == 0)
            {
                break; // full with nothing whole: the reader breaks on its next read
            }
            at += static_cast<std::size_t>(taken);
        }
    }

    StartNatsLine(Line, 0);
    TickNatsLine(Line, 0);
    NatsSocketOpened(Line, 0);
    for (std::size_t from = 0; from < size; from += static_cast<std::size_t>(piece))
    {
        const int next =
            static_cast<int>(size - from < static_cast<std::size_t>(piece) ? size - from : piece);
        const NatsOrder order = HearNats(Line, data + from, next, static_cast<unsigned>(from));
        const char* out = nullptr;
        Check(TakeNatsOutput(Line, out) <= NatsOutputBytes);
        while (TakeMeetDelivery(Line.queue, Delivery))
        {
            Check(Delivery.size >= 0 && Delivery.size <= MaxMeetPayload &&
                  Delivery.size <= static_cast<int>(size));
        }
        if (order == NatsOrder::Close)
        {
            NatsSocketClosed(Line, static_cast<unsigned>(from));
            break;
        }
    }
    return 0;
}
