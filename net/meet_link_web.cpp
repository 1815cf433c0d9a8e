// The connection to a meeting point from the page: the browser's WebSocket to nats-server's
// websocket port, carrying what net/nats_line.h decides.
#include "net/meet_link_web.h"
#include "net/meet_link.h"
#include "net/nats_line.h"

#include <cstdio>
#include <cstring>
#include <emscripten.h>

static_assert(NatsListens == MaxMeetListens);

namespace
{
constexpr int MaxHostLength = 253;
constexpr int ChunkBytes = 4096; // taken from the browser at a time

NatsLine Line;
bool Opened;
bool Secure;
char Url[MaxHostLength + 32];
unsigned char Chunk[ChunkBytes];
unsigned LastNow; // ms of the game's clock at the last pump

// The page's socket, its news kept for the next pump. Its events arrive between frames.
EM_JS(int, OpenSocket, (const char* url), {
    var meet = {opened : false, closed : false, inbox : []};
    try
    {
        meet.socket = new WebSocket(UTF8ToString(url));
    }
    catch (refused)
    {
        return 0; // not an address a WebSocket can have
    }
    meet.socket.binaryType = 'arraybuffer';
    meet.socket.onopen = function()
    {
        meet.opened = true;
    };
    meet.socket.onclose = function()
    {
        meet.closed = true;
    };
    meet.socket.onmessage = function(event)
    {
        meet.inbox.push(typeof event.data == 'string' ? new TextEncoder().encode(event.data)
                                                      : new Uint8Array(event.data));
    };
    Module.meetSocket = meet;
    return 1;
});

EM_JS(void, CloseSocket, (), {
    var meet = Module.meetSocket;
    Module.meetSocket = null;
    if (meet)
        meet.socket.close();
});

// 1 once the socket opened since the last call, 2 once it closed (after all it brought was
// taken), 0 otherwise.
EM_JS(int, SocketNews, (), {
    var meet = Module.meetSocket;
    if (!meet)
        return 0;
    if (meet.opened)
    {
        meet.opened = false;
        return 1;
    }
    return meet.closed && meet.inbox.length == 0 ? 2 : 0;
});

// Up to capacity bytes of what came, oldest first; 0 when nothing waits.
EM_JS(int, TakeSocketBytes, (unsigned char* out, int capacity), {
    var meet = Module.meetSocket;
    if (!meet || meet.inbox.length == 0)
        return 0;
    var first = meet.inbox[0];
    var size = Math.min(first.length, capacity);
    HEAPU8.set(first.subarray(0, size), out);
    if (size == first.length)
        meet.inbox.shift();
    else
        meet.inbox[0] = first.subarray(size);
    return size;
});

EM_JS(void, SendSocketBytes, (const char* bytes, int size), {
    var meet = Module.meetSocket;
    if (meet && meet.socket.readyState == WebSocket.OPEN)
        meet.socket.send(HEAPU8.slice(bytes, bytes + size));
});

void SendOutput()
{
    const char* bytes = nullptr;
    const int size = TakeNatsOutput(Line, bytes);
    if (size > 0)
    {
        SendSocketBytes(bytes, size);
    }
}

void Carry(NatsOrder order, unsigned now)
{
    if (order == NatsOrder::Open && OpenSocket(Url) == 0)
    {
        RefuseNatsLine(Line);
    }
    else if (order == NatsOrder::Close)
    {
        CloseSocket();
        NatsSocketClosed(Line, now);
    }
}
} // namespace

void UseSecureMeet(bool secure)
{
    Secure = secure;
}

void PumpMeet(unsigned now)
{
    LastNow = now;
    if (!Opened)
    {
        return; // no meeting point
    }
    const int news = SocketNews();
    if (news == 1)
    {
        NatsSocketOpened(Line, now);
    }
    for (int size; (size = TakeSocketBytes(Chunk, ChunkBytes)) > 0;)
    {
        const NatsOrder order = HearNats(Line, Chunk, size, now);
        if (order != NatsOrder::None)
        {
            Carry(order, now);
            break;
        }
    }
    if (news == 2)
    {
        CloseSocket();
        NatsSocketClosed(Line, now);
    }
    Carry(TickNatsLine(Line, now), now);
    SendOutput();
}

bool OpenMeet(const char* host, int port)
{
    const std::size_t length = strnlen(host, MaxHostLength + 1);
    if (Opened || length == 0 || length > MaxHostLength || port < 1 || port > 65535)
    {
        return false;
    }
    std::snprintf(Url, sizeof Url, "%s://%s:%d", Secure ? "wss" : "ws", host, port);
    StartNatsLine(Line, LastNow);
    Opened = true;
    return true;
}

MeetLine MeetLineNow()
{
    return ReadMeetLine(Line.queue);
}

unsigned MeetReconnects()
{
    return Line.queue.reconnects.load();
}

bool ListenMeet(const char* subject)
{
    const bool listening = ListenNats(Line, subject);
    SendOutput();
    return listening;
}

bool SendMeet(const char* subject, const unsigned char* bytes, int size)
{
    const bool sent = SendNats(Line, subject, bytes, size);
    SendOutput();
    return sent;
}

bool TakeMeet(MeetDelivery& delivery)
{
    return TakeMeetDelivery(Line.queue, delivery);
}

unsigned MeetDropped()
{
    return Line.queue.dropped;
}

void CloseMeet()
{
    if (!Opened)
    {
        return;
    }
    Opened = false;
    CloseSocket();
    EndNatsLine(Line);
}
