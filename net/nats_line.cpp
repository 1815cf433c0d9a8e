// The page's connection to a meeting point: its decisions.
#include "net/nats_line.h"

#include <cstring>

namespace
{
MeetLine LineOf(const NatsLine& line)
{
    return ReadMeetLine(line.queue);
}

bool Speaking(const NatsLine& line)
{
    return line.socket == NatsSocket::Open && line.greeted;
}

void Write(NatsLine& line, int written)
{
    line.outputSize += written;
}

// Where the next command goes in the output, and how much room is left there.
char* End(NatsLine& line)
{
    return line.output + line.outputSize;
}

int Room(const NatsLine& line)
{
    return NatsOutputBytes - line.outputSize;
}

// The server greeted us: our CONNECT, every subject listened on before, and a PING whose
// PONG shows the server took it all.
void Greet(NatsLine& line, unsigned now)
{
    Write(line, WriteNatsConnect(End(line), Room(line)));
    for (int n = 0; n < line.listenCount; ++n)
    {
        Write(line, WriteNatsListen(End(line), Room(line), line.listens[n], n + 1));
    }
    Write(line, WriteNatsPing(End(line), Room(line)));
    line.greeted = true;
    line.pingsOut = 1;
    line.since = now;
}

void Answered(NatsLine& line)
{
    line.pingsOut = 0;
    if (LineOf(line) != MeetLine::Up && line.greeted)
    {
        SetMeetLine(line.queue, MeetLine::Up); // counts a reconnection after Lost
        line.wasUp = true;
    }
}
} // namespace

void StartNatsLine(NatsLine& line, unsigned now)
{
    ResetMeetQueue(line.queue);
    ResetNatsReader(line.reader);
    line.socket = NatsSocket::Closed;
    line.greeted = false;
    line.wasUp = false;
    line.since = now;
    line.retryAt = now;
    line.pingsOut = 0;
    line.listenCount = 0;
    line.outputSize = 0;
    SetMeetLine(line.queue, MeetLine::Connecting);
}

void RefuseNatsLine(NatsLine& line)
{
    line.socket = NatsSocket::Closed;
    line.greeted = false;
    line.outputSize = 0;
    SetMeetLine(line.queue, MeetLine::Refused);
}

void EndNatsLine(NatsLine& line)
{
    RefuseNatsLine(line);
    SetMeetLine(line.queue, MeetLine::Off);
}

NatsOrder TickNatsLine(NatsLine& line, unsigned now)
{
    const MeetLine state = LineOf(line);
    if (state == MeetLine::Off || state == MeetLine::Refused)
    {
        return NatsOrder::None; // nothing is tried
    }
    switch (line.socket)
    {
        case NatsSocket::Closed:
            if (static_cast<int>(now - line.retryAt) < 0)
            {
                return NatsOrder::None; // the next try is not due
            }
            line.socket = NatsSocket::Opening;
            line.since = now;
            return NatsOrder::Open;
        case NatsSocket::Opening:
            return now - line.since >= NatsOpenWaitMs ? NatsOrder::Close : NatsOrder::None;
        case NatsSocket::Open:
            break;
    }
    if (!line.greeted)
    {
        return now - line.since >= NatsOpenWaitMs ? NatsOrder::Close : NatsOrder::None;
    }
    if (now - line.since < NatsPingMs)
    {
        return NatsOrder::None;
    }
    if (line.pingsOut >= NatsPingsOut)
    {
        return NatsOrder::Close; // the line is dead
    }
    Write(line, WriteNatsPing(End(line), Room(line)));
    ++line.pingsOut;
    line.since = now;
    return NatsOrder::None;
}

void NatsSocketOpened(NatsLine& line, unsigned now)
{
    if (line.socket != NatsSocket::Opening)
    {
        return; // not asked for
    }
    line.socket = NatsSocket::Open;
    line.greeted = false;
    line.since = now;
    ResetNatsReader(line.reader);
}

void NatsSocketClosed(NatsLine& line, unsigned now)
{
    if (line.socket == NatsSocket::Closed)
    {
        return; // told already
    }
    line.socket = NatsSocket::Closed;
    line.greeted = false;
    line.outputSize = 0; // what was not sent is lost with the line
    line.retryAt = now + NatsRetryMs;
    if (LineOf(line) == MeetLine::Up)
    {
        SetMeetLine(line.queue, MeetLine::Lost);
    }
}

NatsOrder HearNats(NatsLine& line, const unsigned char* bytes, int size, unsigned now)
{
    if (line.socket != NatsSocket::Open)
    {
        return NatsOrder::None; // a socket we no longer hold
    }
    int taken = 0;
    for (;;)
    {
        const int fed = FeedNats(line.reader, bytes + taken, size - taken);
        taken += fed;
        const NatsEvent event = ReadNats(line.reader, line.message);
        switch (event)
        {
            case NatsEvent::None:
                if (taken >= size)
                {
                    return NatsOrder::None;
                }
                if (fed == 0)
                {
                    return NatsOrder::Close; // full and nothing whole: cannot be the protocol
                }
                break;
            case NatsEvent::Info:
                if (!line.greeted)
                {
                    Greet(line, now);
                }
                break;
            case NatsEvent::Message:
                PushMeetDelivery(line.queue, line.message.subject, line.message.bytes,
                                 static_cast<std::size_t>(line.message.size));
                break;
            case NatsEvent::Ping:
                Write(line, WriteNatsPong(End(line), Room(line)));
                break;
            case NatsEvent::Pong:
                Answered(line);
                break;
            case NatsEvent::Dropped:
                line.queue.lock.Enter();
                ++line.queue.dropped;
                line.queue.lock.Leave();
                break;
            case NatsEvent::Ok:
            case NatsEvent::Error: // a refusal the server ends the connection after, if it must
                break;
            case NatsEvent::Broken:
                return NatsOrder::Close;
        }
    }
}

bool ListenNats(NatsLine& line, const char* subject)
{
    if (LineOf(line) != MeetLine::Up || !Speaking(line) || line.listenCount == NatsListens)
    {
        return false;
    }
    const int written = WriteNatsListen(End(line), Room(line), subject, line.listenCount + 1);
    if (written == 0)
    {
        return false;
    }
    Write(line, written);
    std::strcpy(line.listens[line.listenCount++], subject);
    return true;
}

bool SendNats(NatsLine& line, const char* subject, const unsigned char* bytes, int size)
{
    if (LineOf(line) != MeetLine::Up || !Speaking(line))
    {
        return false;
    }
    const int written = WriteNatsPublish(End(line), Room(line), subject, bytes, size);
    Write(line, written);
    return written > 0;
}

int TakeNatsOutput(NatsLine& line, const char*& bytes)
{
    bytes = line.output;
    const int size = line.outputSize;
    line.outputSize = 0;
    return size;
}
