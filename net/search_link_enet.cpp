// The home search through ENet's sockets, and the machine's addresses through getifaddrs.
#include "net/search_link.h"

#include "net/home_search.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace
{
ENetSocket SearchSocket = ENET_SOCKET_NULL;

void SendSearchTo(enet_uint32 networkAddress, int port)
{
    unsigned char search[SearchBytes];
    ENetBuffer buffer = {search, static_cast<size_t>(EncodeSearch(search))};
    const ENetAddress to = {networkAddress, static_cast<enet_uint16>(port)};
    enet_socket_send(SearchSocket, &to, &buffer, 1);
}
} // namespace

int OwnAddresses(std::uint32_t* addresses, int max)
{
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
    {
        return 0;
    }
    int count = 0;
    for (const ifaddrs* each = interfaces; each != nullptr && count < max; each = each->ifa_next)
    {
        if (each->ifa_addr == nullptr || each->ifa_addr->sa_family != AF_INET ||
            (each->ifa_flags & IFF_LOOPBACK) != 0 || (each->ifa_flags & IFF_UP) == 0)
        {
            continue;
        }
        addresses[count++] =
            ntohl(reinterpret_cast<const sockaddr_in*>(each->ifa_addr)->sin_addr.s_addr);
    }
    freeifaddrs(interfaces);
    return count;
}

int AnswerSearch(ENetHost* host, ENetEvent*)
{
    if (!IsSearch(host->receivedData, host->receivedDataLength))
    {
        return 0; // ENet's own
    }
    unsigned char answer[SearchBytes];
    ENetBuffer buffer = {answer,
                         static_cast<size_t>(EncodeSearchAnswer(host->address.port, answer))};
    enet_socket_send(host->socket, &host->receivedAddress, &buffer, 1);
    return 1;
}

bool OpenSearch()
{
    if (enet_initialize() != 0)
    {
        return false;
    }
    SearchSocket = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (SearchSocket == ENET_SOCKET_NULL)
    {
        enet_deinitialize();
        return false;
    }
    if (enet_socket_set_option(SearchSocket, ENET_SOCKOPT_NONBLOCK, 1) != 0 ||
        enet_socket_set_option(SearchSocket, ENET_SOCKOPT_BROADCAST, 1) != 0)
    {
        CloseSearch();
        return false;
    }
    return true;
}

void BroadcastSearch(int port)
{
    if (SearchSocket == ENET_SOCKET_NULL)
    {
        return;
    }
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) == 0)
    {
        for (const ifaddrs* each = interfaces; each != nullptr; each = each->ifa_next)
        {
            if (each->ifa_addr != nullptr && each->ifa_addr->sa_family == AF_INET &&
                (each->ifa_flags & IFF_BROADCAST) != 0 && (each->ifa_flags & IFF_UP) != 0 &&
                each->ifa_broadaddr != nullptr)
            {
                SendSearchTo(
                    reinterpret_cast<const sockaddr_in*>(each->ifa_broadaddr)->sin_addr.s_addr,
                    port);
            }
        }
        freeifaddrs(interfaces);
    }
    SendSearchTo(ENET_HOST_BROADCAST, port); // a network getifaddrs names no broadcast for
}

bool ReceiveSearchAnswer(std::uint32_t& address, unsigned char* bytes, int capacity, int& size)
{
    if (SearchSocket == ENET_SOCKET_NULL)
    {
        return false;
    }
    ENetAddress from;
    ENetBuffer buffer = {bytes, static_cast<size_t>(capacity)};
    const int received = enet_socket_receive(SearchSocket, &from, &buffer, 1);
    if (received <= 0)
    {
        return false; // nothing waiting, or a failure: either way nothing to read
    }
    address = ntohl(from.host);
    size = received;
    return true;
}

void CloseSearch()
{
    if (SearchSocket == ENET_SOCKET_NULL)
    {
        return;
    }
    enet_socket_destroy(SearchSocket);
    SearchSocket = ENET_SOCKET_NULL;
    enet_deinitialize();
}
