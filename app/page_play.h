// The page's online play started and run: hosting or joining through the meeting point that
// meet.txt names (app/page_online.h), relayed only. Main thread only.
#pragma once

#include "app/page_online.h"

// The page's requests, carried out in the page's iteration (never from a button's own event,
// which may come while Web Crypto's answer is awaited): hosting with a fresh code, or joining
// with one, through the meeting point. False when online play has started already, the code
// cannot be made, or the meeting point's client cannot start; the page stays offline then.
bool StartPageHosting(const PageMeet& meet, unsigned now);
bool StartPageJoining(const PageMeet& meet, const JoinCode& code, unsigned now);

// Once per iteration on the page, in place of the desktop's home-network search: the
// friend's search has no network to look at, and so finds nothing.
void TickPageOnline(unsigned now);
