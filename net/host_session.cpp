// The host's side of online play: the door, the friend's messages, the join code shown.
#include "net/host_session.h"

#include "display/band.h"
#include "net/messages.h"

namespace
{
constexpr unsigned char CodeColour = 9; // red, as the keys on the title screen
constexpr unsigned char WordColour = 1; // grey

bool ValidPeer(int peer)
{
    return peer >= 0 && peer < MaxLinkPeers;
}

void Drop(HostSession& session, int peer, LinkReason reason, HostInput& input)
{
    OrderDrop(peer, reason);
    session.stages[peer] = PeerStage::Dropped;
    if (session.friendPeer == peer)
    {
        session.friendPeer = -1;
        input.left = true;
    }
}

// A code from a connection that has not given one yet.
void Knock(HostSession& session, int peer, const FriendMessage& message, unsigned now,
           HostInput& input)
{
    const std::uint32_t address = session.addresses[peer];
    if (DoorRefuses(session.door, address, now))
    {
        Drop(session, peer, ReasonShutOut, input);
        return;
    }
    if (message.version != ProtocolVersion || !SameJoinCode(message.code, session.code))
    {
        CountWrongCode(session.door, address, now);
        Drop(session, peer, ReasonWrongCode, input);
        return;
    }
    ForgiveAddress(session.door, address);
    if (session.friendPeer >= 0)
    {
        Drop(session, peer, ReasonFull, input);
        return;
    }
    session.stages[peer] = PeerStage::Friend;
    session.friendPeer = peer;
    session.friendLeft = false;
    unsigned char welcome[MaxShortMessageBytes];
    OrderSend(peer, ReliableChannel, welcome, EncodeWelcome(welcome));
    input.joined = true;
}

void Receive(HostSession& session, const LinkEvent& event, unsigned now, HostInput& input)
{
    const int peer = event.peer;
    const PeerStage stage = session.stages[peer];
    if (stage == PeerStage::Dropped || stage == PeerStage::Free)
    {
        return; // told to go already
    }
    FriendMessage message;
    const bool valid = event.channel == ReliableChannel &&
                       DecodeFriendMessage(event.bytes, event.size, message) &&
                       (message.kind == KindHello) == (stage == PeerStage::Knocking);
    if (!valid)
    {
        Drop(session, peer, ReasonBadData, input);
        return;
    }
    if (stage == PeerStage::Knocking)
    {
        Knock(session, peer, message, now, input);
        return;
    }
    if (message.kind == KindAskFrame)
    {
        input.frameWanted = true;
        return;
    }
    input.keyMoved = true;
    input.key = message.key;
    input.down = message.down;
}
} // namespace

void StartHostSession(HostSession& session, const JoinCode& code)
{
    session = {};
    session.code = code;
    ResetDoor(session.door);
    session.friendPeer = -1;
}

HostInput HandleHostEvent(HostSession& session, const LinkEvent& event, unsigned now)
{
    HostInput input = {};
    if (!ValidPeer(event.peer))
    {
        return input; // the edge has no such connection
    }
    const int peer = event.peer;
    switch (event.type)
    {
        case LinkEventType::Connected:
            session.stages[peer] = PeerStage::Knocking;
            session.addresses[peer] = event.address;
            session.since[peer] = now;
            if (DoorRefuses(session.door, event.address, now))
            {
                Drop(session, peer, ReasonShutOut, input);
            }
            else if (session.friendPeer >= 0)
            {
                Drop(session, peer, ReasonFull, input);
            }
            break;
        case LinkEventType::Received:
            Receive(session, event, now, input);
            break;
        case LinkEventType::Disconnected:
            if (session.friendPeer == peer)
            {
                session.friendPeer = -1;
                input.left = true;
            }
            session.stages[peer] = PeerStage::Free;
            break;
    }
    if (input.left)
    {
        session.friendLeft = true;
        session.noticeSince = now;
    }
    return input;
}

void TickHostSession(HostSession& session, unsigned now)
{
    HostInput ignored = {};
    for (int peer = 0; peer < MaxLinkPeers; ++peer)
    {
        if (session.stages[peer] == PeerStage::Knocking && now - session.since[peer] >= HelloWaitMs)
        {
            Drop(session, peer, ReasonNone, ignored);
        }
    }
}

int FriendPeer(const HostSession& session)
{
    return session.friendPeer;
}

void DrawHostBand(const HostSession& session, unsigned now)
{
    char code[JoinCodeLength + 1];
    FormatJoinCode(session.code, code);
    char secondHalf[JoinCodeLength / 2 + 1];
    for (int n = 0; n <= JoinCodeLength / 2; ++n)
    {
        secondHalf[n] = code[JoinCodeLength / 2 + n];
    }
    code[JoinCodeLength / 2] = '\0';
    DrawBandText(code, 0, CodeColour);
    DrawBandText(secondHalf, 1, CodeColour);
    const char* state = session.friendPeer >= 0 ? "joined" : "waiting";
    if (session.friendPeer < 0 && session.friendLeft && now - session.noticeSince < NoticeMs)
    {
        state = "left";
    }
    DrawBandText(state, 2, WordColour);
}
