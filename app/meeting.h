// Online play with a meeting point named (--meet or TUMBLEQUAY_MEET): the host announces its game
// there and tells the one line to give; a friend with the code alone knocks there while it
// searches the home network, tries the host's direct addresses from the answer for about
// DirectTryMs, and otherwise plays relayed. Which path a friend plays on is said on standard
// output and on the band; a meeting point that cannot be reached is told in one line on
// standard error and a word on the band, and the other paths go on. Without a meeting point
// nothing here runs. Main thread only.
#pragma once

#include "net/join_code.h"
#include "net/meet.h"
#include "net/port_map.h"

#include <cstdint>
#include <cstdio>

constexpr unsigned DirectTryMs = 1500; // the host's direct addresses, all together

// The path a friend's session runs on.
enum class JoinPath
{
    None,    // not joined
    Direct,  // the network's own link: the home network, or an address
    Relayed, // through the meeting point
};

// Hosting at the meeting point host:port with the code (its key made already: StartHosting),
// reached directly at port on the own addresses too: tells on out the line to give a friend,
// naming the meeting point unless the environment named it (friends who share the setting
// type the code alone). False, with one line on err, when its client cannot start; hosting
// goes on without it.
bool StartMeetingHost(std::FILE* out, std::FILE* err, const char* host, int port,
                      bool fromEnvironment, int gamePort, const std::uint32_t* own, int ownCount);

// Joining with the code alone at time now, beside the home search (StartHomeJoin first): knocks
// at the meeting point host:port; of the answer's addresses, those worth trying from this
// machine's own (WorthTrying) are tried; none when own is null (the page, which reaches no
// address: it plays relayed). False, with one line on err, when its client cannot
// start; the home search goes on alone.
bool StartMeetingJoin(std::FILE* err, const char* host, int port, const JoinCode& code,
                      const std::uint32_t* own, int ownCount, unsigned now);

// Once per iteration after the home search's turn and before the friend's notice is told:
// hosting, the port map's report turned into the addresses told to friends; joining, the
// path chosen (the home search's host, else the answer's addresses one after another, else
// relayed). Tells on out the path a friend joined on, and on err, once, a meeting point that
// cannot be reached or would not take the game.
void RunMeeting(std::FILE* out, std::FILE* err, const PortReport& report, unsigned now);

// The path the friend plays on: joining, its own; hosting, the friend's.
JoinPath PlayPath();

// After the host's band: "direct" or "relayed" in place of "joined", and a word when the
// meeting point cannot be reached; joining, that word under "joining".
void DrawMeetingWords();
