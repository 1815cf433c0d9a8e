// Connections through a meeting point: packets, the reliable channel, events.
#include "net/relay_link.h"

#include "net/messages.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr unsigned char QuickRecord = 'Q';
constexpr unsigned char ReliableRecord = 'R';
constexpr unsigned char GoodbyeRecord = 'G';
constexpr int QuickHeadBytes = 3;       // kind, length
constexpr int ReliableHeadBytes = 5;    // kind, number, length
constexpr int GoodbyeBytes = 2;         // kind, reason
constexpr unsigned HalfNumbers = 32768; // an ack this far or further ahead lies behind
static_assert(RelayKeptMessages < static_cast<int>(HalfNumbers));
// The longest message a packet can carry with its head.
constexpr int MaxRelayMessage = RelayPacketBytes - RelayAckBytes - ReliableHeadBytes;

void Put16(unsigned char* at, unsigned value)
{
    at[0] = static_cast<unsigned char>(value >> 8);
    at[1] = static_cast<unsigned char>(value);
}

unsigned Get16(const unsigned char* at)
{
    return static_cast<unsigned>(at[0]) << 8 | at[1];
}

bool QueueEvent(RelayLink& link, const LinkEvent& event, const unsigned char* bytes, int size)
{
    if (link.eventCount == RelayEvents || size > RelayEventBytes - link.eventBytesUsed)
    {
        return false; // full: what the sessions have not taken yet comes first
    }
    RelayEvent& slot = link.events[(link.firstEvent + link.eventCount) % RelayEvents];
    slot.event = event;
    slot.offset = link.eventBytesUsed;
    if (size > 0)
    {
        std::memcpy(link.eventBytes + link.eventBytesUsed, bytes, static_cast<std::size_t>(size));
    }
    link.eventBytesUsed += size;
    ++link.eventCount;
    return true;
}

void QueueDisconnected(RelayLink& link, int linkPeer, unsigned reason)
{
    LinkEvent event = {};
    event.type = LinkEventType::Disconnected;
    event.peer = linkPeer;
    event.reason = reason;
    QueueEvent(link, event, nullptr, 0);
}

unsigned ResendMs(const RelayPeer& peer)
{
    return peer.roundTripMs == 0
               ? FirstRelayResendMs
               : std::clamp(2 * peer.roundTripMs, MinRelayResendMs, MaxRelayResendMs);
}

// Bytes of the reliable messages still to go and the quick ones, as records.
int WaitingBytes(const RelayPeer& peer)
{
    const int reliable = peer.unsent < peer.keptCount
                             ? peer.keptUsed - peer.keptOffsets[peer.unsent] +
                                   (peer.keptCount - peer.unsent) * ReliableHeadBytes
                             : 0;
    return reliable + peer.quickUsed;
}

// The first count kept messages are acknowledged: they go, and the newest of them, when it
// went once only, measures the round trip.
void TakeAck(RelayPeer& peer, int count, unsigned now)
{
    if (peer.keptSends[count - 1] == 1)
    {
        const unsigned sample = now - peer.keptSentAt[count - 1];
        peer.roundTripMs =
            peer.roundTripMs == 0 ? std::max(sample, 1u) : (7 * peer.roundTripMs + sample) / 8;
    }
    const int bytes = count < peer.keptCount ? peer.keptOffsets[count] : peer.keptUsed;
    const int left = peer.keptCount - count;
    std::memmove(peer.keptBytes, peer.keptBytes + bytes,
                 static_cast<std::size_t>(peer.keptUsed - bytes));
    for (int n = 0; n < left; ++n)
    {
        peer.keptOffsets[n] = peer.keptOffsets[n + count] - bytes;
        peer.keptSizes[n] = peer.keptSizes[n + count];
        peer.keptSentAt[n] = peer.keptSentAt[n + count];
        peer.keptSends[n] = peer.keptSends[n + count];
    }
    peer.keptUsed -= bytes;
    peer.keptCount = left;
    peer.unsent = std::max(peer.unsent - count, 0);
    peer.firstKept = static_cast<std::uint16_t>(peer.firstKept + count);
}

// How many kept messages a packet's ack covers: 0 for one that lies behind; -1 for one that
// covers a message that never went.
int AckedCount(const RelayPeer& peer, unsigned ack)
{
    const unsigned ahead = (ack - peer.firstKept) & 0xffffu;
    if (ahead == 0 || ahead >= HalfNumbers)
    {
        return 0; // nothing new: a packet made before a later one that came first
    }
    const int count = static_cast<int>(ahead);
    return count <= peer.keptCount && peer.keptSends[count - 1] > 0 ? count : -1;
}

// Whether a packet's records are whole and known, each message no longer than limit, and
// nothing follows a goodbye.
bool RecordsHold(const unsigned char* bytes, std::size_t size, int limit)
{
    std::size_t at = RelayAckBytes;
    while (at < size)
    {
        const unsigned char kind = bytes[at];
        const std::size_t head = kind == QuickRecord      ? QuickHeadBytes
                                 : kind == ReliableRecord ? ReliableHeadBytes
                                 : kind == GoodbyeRecord  ? GoodbyeBytes
                                                          : 0;
        if (head == 0 || size - at < head)
        {
            return false; // unknown, or cut short
        }
        if (kind == GoodbyeRecord)
        {
            return at + head == size;
        }
        const unsigned length = Get16(bytes + at + head - 2);
        if (length > static_cast<unsigned>(limit) || size - at - head < length)
        {
            return false;
        }
        at += head + length;
    }
    return true;
}
} // namespace

void ResetRelayLink(RelayLink& link, int receiveBytes)
{
    link.receiveBytes = receiveBytes;
    for (int peer = 0; peer < MaxRelayPeers; ++peer)
    {
        CloseRelayPeer(link, peer);
    }
    link.firstEvent = 0;
    link.eventCount = 0;
    link.eventBytesUsed = 0;
    link.sentBytes = 0;
    link.droppedBytes = 0;
}

bool OpenRelayPeer(RelayLink& link, int peer, int linkPeer, std::uint32_t address, unsigned now)
{
    if (peer < 0 || peer >= MaxRelayPeers || link.peers[peer].open)
    {
        return false;
    }
    CloseRelayPeer(link, peer);
    RelayPeer& opened = link.peers[peer];
    opened.open = true;
    opened.heardAt = now;
    opened.sentAt = now - RelayGapMs; // the first packet goes at once
    LinkEvent event = {};
    event.type = LinkEventType::Connected;
    event.peer = linkPeer;
    event.address = address;
    QueueEvent(link, event, nullptr, 0);
    return true;
}

bool RelayPeerOpen(const RelayLink& link, int peer)
{
    return peer >= 0 && peer < MaxRelayPeers && link.peers[peer].open;
}

void OrderRelay(RelayLink& link, int peer, const LinkOrder& order, const unsigned char* bytes)
{
    if (!RelayPeerOpen(link, peer) || link.peers[peer].goodbye >= 0)
    {
        return; // no such connection, or it is going
    }
    RelayPeer& to = link.peers[peer];
    if (order.type == LinkOrderType::Drop)
    {
        to.goodbye = order.reason;
        return;
    }
    const int size = order.size;
    if (size < 0 || size > MaxRelayMessage)
    {
        link.droppedBytes += static_cast<unsigned>(std::max(size, 0));
        return; // no packet carries it
    }
    if (order.channel == QuickChannel)
    {
        if (to.quickUsed + QuickHeadBytes + size > RelayQuickBytes)
        {
            link.droppedBytes += static_cast<unsigned>(size);
            return; // as on a congested line
        }
        unsigned char* at = to.quick + to.quickUsed;
        at[0] = QuickRecord;
        Put16(at + 1, static_cast<unsigned>(size));
        std::memcpy(at + QuickHeadBytes, bytes, static_cast<std::size_t>(size));
        to.quickUsed += QuickHeadBytes + size;
        return;
    }
    if (to.keptCount == RelayKeptMessages || to.keptUsed + size > RelayKeptBytes)
    {
        link.droppedBytes += static_cast<unsigned>(size);
        return; // the other side has taken nothing for too long
    }
    to.keptOffsets[to.keptCount] = to.keptUsed;
    to.keptSizes[to.keptCount] = size;
    to.keptSends[to.keptCount] = 0;
    std::memcpy(to.keptBytes + to.keptUsed, bytes, static_cast<std::size_t>(size));
    to.keptUsed += size;
    ++to.keptCount;
}

int MakeRelayPacket(RelayLink& link, int peer, int linkPeer, unsigned now, bool force,
                    unsigned char* out)
{
    if (!RelayPeerOpen(link, peer))
    {
        return 0;
    }
    RelayPeer& to = link.peers[peer];
    const bool resend = to.unsent > 0 && now - to.keptSentAt[0] >= ResendMs(to);
    if (resend)
    {
        to.unsent = 0; // every kept message goes again, oldest first
    }
    const bool news = to.unsent < to.keptCount || to.quickUsed > 0;
    const bool ackDue = to.ackOwed && now - to.ackOwedSince >= RelayAckDelayMs;
    const bool full = WaitingBytes(to) > RelayPacketBytes - RelayAckBytes;
    if (to.goodbye < 0 && !news && !ackDue && !(force && to.ackOwed))
    {
        return 0; // nothing to say
    }
    if (to.goodbye < 0 && !resend && !force && !full && now - to.sentAt < RelayGapMs)
    {
        return 0; // the next flush takes it with what comes meanwhile
    }
    Put16(out, to.expected);
    int size = RelayAckBytes;
    to.ackOwed = false;
    for (; to.unsent < to.keptCount; ++to.unsent)
    {
        const int n = to.unsent;
        if (size + ReliableHeadBytes + to.keptSizes[n] > RelayPacketBytes)
        {
            break; // the next packet
        }
        out[size] = ReliableRecord;
        Put16(out + size + 1, static_cast<unsigned>(to.firstKept + n) & 0xffffu);
        Put16(out + size + 3, static_cast<unsigned>(to.keptSizes[n]));
        std::memcpy(out + size + ReliableHeadBytes, to.keptBytes + to.keptOffsets[n],
                    static_cast<std::size_t>(to.keptSizes[n]));
        size += ReliableHeadBytes + to.keptSizes[n];
        to.keptSentAt[n] = now;
        to.keptSends[n] = static_cast<unsigned char>(std::min(to.keptSends[n] + 1, 255));
    }
    int taken = 0;
    while (taken < to.quickUsed)
    {
        const int record = QuickHeadBytes + static_cast<int>(Get16(to.quick + taken + 1));
        if (size + record > RelayPacketBytes)
        {
            break;
        }
        std::memcpy(out + size, to.quick + taken, static_cast<std::size_t>(record));
        size += record;
        taken += record;
    }
    std::memmove(to.quick, to.quick + taken, static_cast<std::size_t>(to.quickUsed - taken));
    to.quickUsed -= taken;
    to.sentAt = now;
    if (to.goodbye >= 0 && to.unsent == to.keptCount && to.quickUsed == 0 &&
        size + GoodbyeBytes <= RelayPacketBytes)
    {
        out[size++] = GoodbyeRecord;
        out[size++] = static_cast<unsigned char>(to.goodbye);
        CloseRelayPeer(link, peer);
        QueueDisconnected(link, linkPeer, ReasonNone);
    }
    link.sentBytes += static_cast<unsigned>(size);
    return size;
}

bool HearRelayPacket(RelayLink& link, int peer, int linkPeer, const unsigned char* bytes,
                     std::size_t size, unsigned now)
{
    if (!RelayPeerOpen(link, peer) || size < RelayAckBytes || size > RelayPacketBytes ||
        !RecordsHold(bytes, size, link.receiveBytes))
    {
        return false;
    }
    RelayPeer& from = link.peers[peer];
    const int acked = AckedCount(from, Get16(bytes));
    if (acked < 0)
    {
        return false; // acknowledges what never went
    }
    if (acked > 0)
    {
        TakeAck(from, acked, now);
    }
    from.heardAt = now;
    LinkEvent event = {};
    event.type = LinkEventType::Received;
    event.peer = linkPeer;
    for (std::size_t at = RelayAckBytes; at < size;)
    {
        const unsigned char kind = bytes[at];
        if (kind == GoodbyeRecord)
        {
            CloseRelayPeer(link, peer);
            QueueDisconnected(link, linkPeer, bytes[at + 1]);
            return true;
        }
        const bool quick = kind == QuickRecord;
        const int head = quick ? QuickHeadBytes : ReliableHeadBytes;
        const int length = static_cast<int>(Get16(bytes + at + head - 2));
        event.channel = quick ? QuickChannel : ReliableChannel;
        event.size = static_cast<std::size_t>(length);
        if (quick)
        {
            if (!QueueEvent(link, event, bytes + at + head, length))
            {
                link.droppedBytes += static_cast<unsigned>(length);
            }
        }
        else
        {
            if (!from.ackOwed)
            {
                from.ackOwedSince = now;
            }
            from.ackOwed = true;
            if (Get16(bytes + at + 1) == from.expected &&
                QueueEvent(link, event, bytes + at + head, length))
            {
                ++from.expected; // taken; anything else comes again
            }
        }
        at += static_cast<std::size_t>(head + length);
    }
    return true;
}

bool TimeOutRelayPeer(RelayLink& link, int peer, int linkPeer, unsigned now)
{
    if (!RelayPeerOpen(link, peer) || now - link.peers[peer].heardAt < PeerTimeoutMs)
    {
        return false;
    }
    CloseRelayPeer(link, peer);
    QueueDisconnected(link, linkPeer, ReasonNone);
    return true;
}

void CloseRelayPeer(RelayLink& link, int peer)
{
    if (peer < 0 || peer >= MaxRelayPeers)
    {
        return;
    }
    RelayPeer& closed = link.peers[peer];
    closed.open = false;
    closed.firstKept = 0;
    closed.keptCount = 0;
    closed.unsent = 0;
    closed.keptUsed = 0;
    closed.roundTripMs = 0;
    closed.quickUsed = 0;
    closed.expected = 0;
    closed.ackOwed = false;
    closed.goodbye = -1;
}

bool PollRelayLink(RelayLink& link, LinkEvent& event)
{
    if (link.eventCount == 0)
    {
        link.firstEvent = 0;
        link.eventBytesUsed = 0; // the last event's bytes are no longer needed
        return false;
    }
    const RelayEvent& next = link.events[link.firstEvent];
    event = next.event;
    event.bytes = link.eventBytes + next.offset;
    link.firstEvent = (link.firstEvent + 1) % RelayEvents;
    --link.eventCount;
    return true;
}
