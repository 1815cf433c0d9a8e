// The bounded hand-off from the meeting point's client threads to the main thread.
#include "net/meet_queue.h"

#include <cstring>

void ResetMeetQueue(MeetQueue& queue)
{
    queue.first = 0;
    queue.count = 0;
    queue.dropped = 0;
    queue.line.store(static_cast<int>(MeetLine::Off), std::memory_order_release);
    queue.reconnects.store(0, std::memory_order_release);
}

bool PushMeetDelivery(MeetQueue& queue, const char* subject, const unsigned char* bytes,
                      std::size_t size)
{
    const std::size_t subjectLength = strnlen(subject, MeetSubjectBytes);
    queue.lock.Enter();
    const bool taken = queue.count < MeetQueueSlots && subjectLength < MeetSubjectBytes &&
                       size <= static_cast<std::size_t>(MaxMeetPayload);
    if (taken)
    {
        MeetDelivery& slot = queue.slots[(queue.first + queue.count) % MeetQueueSlots];
        std::memcpy(slot.subject, subject, subjectLength + 1);
        std::memcpy(slot.bytes, bytes, size);
        slot.size = static_cast<int>(size);
        ++queue.count;
    }
    else
    {
        ++queue.dropped; // full, or longer than the meeting point lets through
    }
    queue.lock.Leave();
    return taken;
}

bool TakeMeetDelivery(MeetQueue& queue, MeetDelivery& delivery)
{
    if (!queue.lock.TryEnter())
    {
        return false; // a producer is copying: next time
    }
    const bool any = queue.count > 0;
    if (any)
    {
        const MeetDelivery& slot = queue.slots[queue.first];
        std::memcpy(delivery.subject, slot.subject, sizeof slot.subject);
        std::memcpy(delivery.bytes, slot.bytes, slot.size);
        delivery.size = slot.size;
        queue.first = (queue.first + 1) % MeetQueueSlots;
        --queue.count;
    }
    queue.lock.Leave();
    return any;
}

void SetMeetLine(MeetQueue& queue, MeetLine line)
{
    const int was = queue.line.exchange(static_cast<int>(line), std::memory_order_acq_rel);
    if (line == MeetLine::Up && was == static_cast<int>(MeetLine::Lost))
    {
        queue.reconnects.fetch_add(1, std::memory_order_acq_rel);
    }
}

MeetLine ReadMeetLine(const MeetQueue& queue)
{
    return static_cast<MeetLine>(queue.line.load(std::memory_order_acquire));
}
