// The connection to a meeting point through libnats (the NATS C client).
#include "net/meet_link.h"

#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <nats/nats.h>
#include <thread>

namespace
{
constexpr int MaxHostLength = 253;
constexpr int ConnectTimeoutMs = 2000;      // one try at the meeting point
constexpr int ReconnectWaitMs = 500;        // between tries once lost
constexpr int PingEveryMs = 2000;           // a dead line is noticed after two unanswered pings
constexpr int ReconnectBufferBytes = 65536; // what is sent while lost, kept for the line's return
constexpr int PendingMessages = 256;        // what libnats holds for us before the queue takes it
constexpr int PendingBytes = 1 << 20;

MeetQueue Queue;
Thread Connector;
char Url[MaxHostLength + 32];
std::atomic<natsConnection*> Connection = nullptr;
std::atomic<bool> Closing = false;
std::atomic<bool> ConnectorDone = false;
natsSubscription* Listens[MaxMeetListens];
int ListenCount;
bool Opened;

void OnMessage(natsConnection*, natsSubscription*, natsMsg* message, void*)
{
    PushMeetDelivery(Queue, natsMsg_GetSubject(message),
                     reinterpret_cast<const unsigned char*>(natsMsg_GetData(message)),
                     static_cast<std::size_t>(natsMsg_GetDataLength(message)));
    natsMsg_Destroy(message);
}

void OnConnected(natsConnection*, void*)
{
    SetMeetLine(Queue, MeetLine::Up);
}

void OnDisconnected(natsConnection*, void*)
{
    if (!Closing.load())
    {
        SetMeetLine(Queue, MeetLine::Lost);
    }
}

void OnClosed(natsConnection*, void*)
{
    SetMeetLine(Queue, Closing.load() ? MeetLine::Off : MeetLine::Refused);
}

// The connector thread: makes the connection (which may take ConnectTimeoutMs, and a name's
// look-up), then leaves it to libnats's own threads.
void Connect()
{
    natsOptions* options = nullptr;
    natsConnection* connection = nullptr;
    natsStatus status = natsOptions_Create(&options);
    if (status == NATS_OK)
    {
        natsOptions_SetURL(options, Url);
        natsOptions_SetName(options, "tumblequay");
        natsOptions_SetNoEcho(options, true);
        natsOptions_SetTimeout(options, ConnectTimeoutMs);
        natsOptions_SetAllowReconnect(options, true);
        natsOptions_SetMaxReconnect(options, -1); // for as long as the game runs
        natsOptions_SetReconnectWait(options, ReconnectWaitMs);
        natsOptions_SetPingInterval(options, PingEveryMs);
        natsOptions_SetMaxPingsOut(options, 2);
        natsOptions_SetReconnectBufSize(options, ReconnectBufferBytes);
        natsOptions_SetMaxPendingMsgs(options, PendingMessages);
        natsOptions_SetDisconnectedCB(options, OnDisconnected, nullptr);
        natsOptions_SetReconnectedCB(options, OnConnected, nullptr);
        natsOptions_SetClosedCB(options, OnClosed, nullptr);
        natsOptions_SetRetryOnFailedConnect(options, true, OnConnected, nullptr);
        status = natsConnection_Connect(&connection, options);
        natsOptions_Destroy(options);
    }
    if (status == NATS_OK && natsConnection_Status(connection) == NATS_CONN_STATUS_CONNECTED)
    {
        SetMeetLine(Queue, MeetLine::Up); // unless the line was lost already on the way here
    }
    else if (status != NATS_NOT_YET_CONNECTED)
    {
        SetMeetLine(Queue, MeetLine::Refused); // a bad address, or the library failed
        connection = nullptr;
    }
    if (connection != nullptr && Closing.load())
    {
        natsConnection_Destroy(connection); // closed while we connected
        connection = nullptr;
    }
    Connection.store(connection);
    ConnectorDone.store(true);
}
} // namespace

bool OpenMeet(const char* host, int port)
{
    const std::size_t length = strnlen(host, MaxHostLength + 1);
    if (Opened || length == 0 || length > MaxHostLength || port < 1 || port > 65535)
    {
        return false;
    }
    std::snprintf(Url, sizeof Url, "nats://%s:%d", host, port);
    ResetMeetQueue(Queue);
    Closing.store(false);
    ConnectorDone.store(false);
    ListenCount = 0;
    SetMeetLine(Queue, MeetLine::Connecting);
    if (!StartThread(Connector, Connect))
    {
        SetMeetLine(Queue, MeetLine::Off);
        return false;
    }
    Opened = true;
    return true;
}

MeetLine MeetLineNow()
{
    return ReadMeetLine(Queue);
}

unsigned MeetReconnects()
{
    return Queue.reconnects.load();
}

bool ListenMeet(const char* subject)
{
    natsConnection* connection = Connection.load();
    if (connection == nullptr || ReadMeetLine(Queue) != MeetLine::Up ||
        ListenCount == MaxMeetListens)
    {
        return false;
    }
    natsSubscription* listen = nullptr;
    if (natsConnection_Subscribe(&listen, connection, subject, OnMessage, nullptr) != NATS_OK)
    {
        return false;
    }
    natsSubscription_SetPendingLimits(listen, PendingMessages, PendingBytes);
    Listens[ListenCount++] = listen;
    return true;
}

bool SendMeet(const char* subject, const unsigned char* bytes, int size)
{
    natsConnection* connection = Connection.load();
    return connection != nullptr &&
           natsConnection_Publish(connection, subject, bytes, size) == NATS_OK;
}

bool TakeMeet(MeetDelivery& delivery)
{
    return TakeMeetDelivery(Queue, delivery);
}

unsigned MeetDropped()
{
    Queue.lock.Enter();
    const unsigned dropped = Queue.dropped;
    Queue.lock.Leave();
    return dropped;
}

void CloseMeet()
{
    if (!Opened)
    {
        return;
    }
    Opened = false;
    Closing.store(true);
    for (int n = 0; n < ListenCount; ++n)
    {
        natsSubscription_Destroy(Listens[n]);
    }
    ListenCount = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(MeetCloseWaitMs);
    while (!ConnectorDone.load() && std::chrono::steady_clock::now() < end)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    natsConnection* connection = Connection.exchange(nullptr);
    if (connection != nullptr)
    {
        natsConnection_Destroy(connection);
    }
    if (!ConnectorDone.load())
    {
        // Still inside a connection try: the process goes on without it, and the library with it.
        pthread_detach(Connector.handle);
        Connector.running = false;
        SetMeetLine(Queue, MeetLine::Off);
        return;
    }
    JoinThread(Connector);
    nats_CloseAndWait(MeetCloseWaitMs);
    SetMeetLine(Queue, MeetLine::Off);
}
