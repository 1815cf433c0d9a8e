// Finding a host on the home network: `--join CODE` with no address broadcasts a search on
// the game's port, and every host there answers with what a friend needs to connect (its
// port; the address is the answer's sender). No code travels in a search or an answer, nor
// anything derived from one: the friend tries the hosts that answered one after another,
// and each host's door judges the code as it judges any. So a code cannot be worked out
// from the broadcasts by anyone who listens on the network.
//
// A search is SearchBytes long: the magic "tumblequay?" and the version. An answer is as
// long: "tumblequay!", the version, the port in two bytes (high first) and two zeros. No
// longer than the search, an answer gives no one a way to flood a third party.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int SearchBytes = 16;
constexpr unsigned SearchWaitMs = 3000;  // no answer by then: no game was found
constexpr unsigned SearchResendMs = 500; // a search lost on the way is sent again
constexpr unsigned SearchGatherMs = 300; // after the first answer, the others' time to come
constexpr int MaxFoundHosts = 8;         // hosts tried, the first to answer first

// The search, SearchBytes into out; whether bytes are one (the host's check of a datagram).
int EncodeSearch(unsigned char* out);
bool IsSearch(const unsigned char* bytes, std::size_t size);

// The answer for a host on a port, SearchBytes into out; the friend's checked reading of one,
// which writes port only when it returns true.
int EncodeSearchAnswer(int port, unsigned char* out);
bool DecodeSearchAnswer(const unsigned char* bytes, std::size_t size, int& port);

struct FoundHost
{
    std::uint32_t address; // IPv4, host byte order
    int port;
};

enum class SearchStage
{
    Idle,      // never started
    Listening, // searching and gathering answers
    Trying,    // connecting to the found hosts in turn
    Done,      // joined, given up, or left
};

struct HomeSearch
{
    SearchStage stage;
    unsigned since;       // ms, when the search began
    unsigned lastSent;    // ms, the last search sent
    bool sent;            // a search has gone out
    unsigned firstAnswer; // ms, when the first answer came (count > 0)
    FoundHost hosts[MaxFoundHosts];
    int count; // hosts that answered, each once
    int next;  // the next host to try
};

// What the network edge is to do for the search.
enum class SearchOrder
{
    None,
    Broadcast, // send the search to every local network
    Connect,   // connect to host
    NoGame,    // no host answered: give up
};

struct SearchStep
{
    SearchOrder order;
    FoundHost host; // Connect
};

// Starts a search at time now (ms): Listening.
void StartHomeSearch(HomeSearch& search, unsigned now);

// A datagram that came to the search's socket from an address (host byte order) while
// Listening: a valid answer adds its host, once, while there is room.
void HearSearchAnswer(HomeSearch& search, std::uint32_t address, const unsigned char* bytes,
                      std::size_t size, unsigned now);

// Once per iteration: while Listening, a broadcast now and every SearchResendMs; the first
// host to connect to SearchGatherMs after the first answer (Trying), or NoGame (Done) when
// none came within SearchWaitMs. Nothing otherwise.
SearchStep TickHomeSearch(HomeSearch& search, unsigned now);

// The host that did not let us in is passed over: the next one to connect to while Trying,
// or None once every one has been tried (Done).
SearchStep NextFoundHost(HomeSearch& search);

// Ends the search wherever it is: Done.
void EndHomeSearch(HomeSearch& search);
