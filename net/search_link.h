// The home search on the network, implemented with ENet's sockets in search_link_enet.cpp,
// and this machine's own addresses. Main thread only.
#pragma once

#include <cstdint>

struct _ENetHost;
struct _ENetEvent;

constexpr int MaxOwnAddresses = 8;

// This machine's IPv4 addresses but the loopback ones, host byte order, up to max; returns
// how many.
int OwnAddresses(std::uint32_t* addresses, int max);

// The host's side: set as the link's intercept, it answers a search datagram on the game's
// port and hides it from ENet; any other datagram goes on to ENet.
int AnswerSearch(_ENetHost* host, _ENetEvent* event);

// The friend's side: a socket that may broadcast (false when none can be had), a search sent
// to the broadcast address of every local network on a port, and the next datagram that came
// back, without waiting (false when there is none).
bool OpenSearch();
void BroadcastSearch(int port);
bool ReceiveSearchAnswer(std::uint32_t& address, unsigned char* bytes, int capacity, int& size);
void CloseSearch();
