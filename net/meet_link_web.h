// The page's part of the meeting point's client (net/meet_link.h through the browser's
// WebSocket, meet_link_web.cpp) that the desktop's libnats does on threads of its own.
// Main thread only.
#pragma once

// Whether OpenMeet's WebSocket goes with TLS (wss://, as a page served over https must use)
// or without (ws://). Before OpenMeet.
void UseSecureMeet(bool secure);

// Once per iteration, before the meeting point's messages are taken: what the WebSocket
// brought handed on, the connection made again when due, pings, and what is to go out sent.
// Nothing happens while no meeting point is open.
void PumpMeet(unsigned now);
