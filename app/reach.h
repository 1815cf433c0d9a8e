// How a friend reaches the game: on the host, what standard output and the title screen's
// band say about the home network and the router's port; on the friend's side, joining with
// the code alone by searching the home network. Main thread only.
#pragma once

#include "net/home_search.h"
#include "net/join_code.h"
#include "net/port_map.h"

#include <cstdint>
#include <cstdio>

constexpr int AddressTextBytes = 16; // "255.255.255.255" and its zero

// An IPv4 address (host byte order) as dotted text.
void FormatAddress(std::uint32_t address, char* text);

// Hosting on a port with a code: tells on out the commands for a friend on the home network
// (the code alone when the port is the one a search looks on, and this machine's own
// addresses), and whether the router is being asked; when it is not, the port stays closed
// (both here and on the band). From now on the band shows the port's state.
void TellHosting(std::FILE* out, int port, const JoinCode& code, const std::uint32_t* own,
                 int ownCount, bool askingRouter);

// Once per iteration while hosting: each time the router's answer changes (the first answer, a
// renewal refused, a mapping had again, another outside port or address), tells on out, once,
// the command for a friend on the internet, or the one line that says why the port is not
// open and what can be done; the band shows the state from then on: "open", or "closed".
void WatchPortMap(std::FILE* out, const PortReport& report);

// After DrawHostBand: whether the port is open to the internet, in a word, above the code.
void DrawPortWord();

// Joining with the code alone at time now: the friend's own title screen says "joining"
// while the search runs.
void StartHomeJoin(const JoinCode& code, unsigned now);

// A datagram that came back to the search from an address (host byte order).
void HearHomeAnswer(std::uint32_t address, const unsigned char* bytes, int size, unsigned now);

// Once per iteration after the network's events: what the edge is to do for the search
// (broadcast, or connect to a host and then call JoinFoundHost). A search nobody answered
// ends the session with the notice that no game was found; a host that did not let us in
// (another host's code, a full game, no answer) makes way for the next one that answered.
// Escape ends the search with the session.
SearchStep TickHomeJoin(unsigned now);

// The edge asked for the connection to the host TickHomeJoin named (asked), or could not.
void JoinFoundHost(bool asked, unsigned now);

// While held (a meeting point's knock still going), a search that finds no game leaves the
// session as it is instead of ending it with "no game found"; HomeJoinEmpty tells whether it
// found none. StopHomeJoin ends the search wherever it is (the meeting point's path takes over).
void HoldHomeJoin(bool hold);
bool HomeJoinEmpty();
void StopHomeJoin();

// Once per iteration on the friend's side, after the search of the home network has moved on:
// why the last try to join ended (no answer, no game found, a wrong code, the host gone...),
// told once on out as one line, as the title screen's band shows it for a moment.
void TellFriendNotice(std::FILE* out);
