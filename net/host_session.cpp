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

void FriendGone(HostSession& session, unsigned now, HostInput& input)
{
    session.friendPeer = -1;
    session.friendAway = false;
    session.friendLeft = true;
    session.noticeSince = now;
    input.left = true;
}

void Drop(HostSession& session, int peer, LinkReason reason, unsigned now, HostInput& input)
{
    OrderDrop(peer, reason);
    session.stages[peer] = PeerStage::Dropped;
    session.since[peer] = now;
    if (session.friendPeer == peer)
    {
        FriendGone(session, now, input);
    }
}

// A code from a connection that has not given one yet.
void Knock(HostSession& session, int peer, const FriendMessage& message, unsigned now,
           HostInput& input)
{
    const std::uint32_t address = session.addresses[peer];
    if (DoorRefuses(session.door, address, now))
    {
        Drop(session, peer, ReasonShutOut, now, input);
        return;
    }
    if (message.version != ProtocolVersion)
    {
        Drop(session, peer, ReasonOtherVersion, now, input);
        return;
    }
    if (!SameJoinCode(message.code, session.code))
    {
        CountWrongCode(session.door, address, now);
        Drop(session, peer, ReasonWrongCode, now, input);
        return;
    }
    ForgiveAddress(session.door, address);
    if (session.friendPeer >= 0)
    {
        Drop(session, peer, ReasonFull, now, input);
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
    // Another version's hello may be laid out otherwise: only its first two bytes are sure.
    const bool otherVersion = stage == PeerStage::Knocking && event.size >= 2 &&
                              event.bytes[0] == KindHello && event.bytes[1] != ProtocolVersion;
    if (otherVersion)
    {
        message = {};
        message.kind = KindHello;
        message.version = event.bytes[1];
        Knock(session, peer, message, now, input);
        return;
    }
    const bool valid = event.channel == ReliableChannel &&
                       DecodeFriendMessage(event.bytes, event.size, message) &&
                       (message.kind == KindHello) == (stage == PeerStage::Knocking);
    if (!valid)
    {
        Drop(session, peer, ReasonBadData, now, input);
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
        case LinkEventType::Pending:
            if (session.stages[peer] != PeerStage::Knocking)
            {
                session.stages[peer] = PeerStage::Knocking;
                session.addresses[peer] = event.address;
                session.since[peer] = now;
            }
            break;
        case LinkEventType::Connected:
            if (session.stages[peer] != PeerStage::Knocking)
            {
                session.stages[peer] = PeerStage::Knocking;
                session.since[peer] = now;
            }
            session.addresses[peer] = event.address;
            if (DoorRefuses(session.door, event.address, now))
            {
                Drop(session, peer, ReasonShutOut, now, input);
            }
            else if (session.friendPeer >= 0)
            {
                Drop(session, peer, ReasonFull, now, input);
            }
            break;
        case LinkEventType::Received:
            Receive(session, event, now, input);
            break;
        case LinkEventType::Disconnected:
            if (session.friendPeer == peer)
            {
                FriendGone(session, now, input);
            }
            session.stages[peer] = PeerStage::Free;
            break;
    }
    return input;
}

HostInput TickHostSession(HostSession& session, unsigned now, unsigned friendQuietMs)
{
    HostInput input = {};
    // Half the orders stay free for the friend's frame and sounds; the rest go next time.
    for (int peer = 0; peer < MaxLinkPeers && LinkOrderCount < MaxLinkOrders / 2; ++peer)
    {
        const PeerStage stage = session.stages[peer];
        if (stage == PeerStage::Knocking && now - session.since[peer] >= HelloWaitMs)
        {
            Drop(session, peer, ReasonNone, now, input);
        }
        else if (stage == PeerStage::Dropped && now - session.since[peer] >= HelloWaitMs)
        {
            // Its goodbye went unanswered: the edge cuts it without one.
            OrderDrop(peer, ReasonNone);
            session.since[peer] = now;
        }
    }
    if (session.friendPeer >= 0)
    {
        session.friendAway = friendQuietMs >= QuietAwayMs;
        if (friendQuietMs >= QuietGoneMs)
        {
            Drop(session, session.friendPeer, ReasonNone, now, input);
        }
    }
    return input;
}

bool FriendAway(const HostSession& session)
{
    return session.friendAway;
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
    DrawBandCode(code, 0, CodeColour);
    DrawBandCode(secondHalf, 1, CodeColour);
    const char* state = session.friendPeer >= 0 ? "joined" : "waiting";
    if (session.friendPeer < 0 && session.friendLeft && now - session.noticeSince < NoticeMs)
    {
        state = "left";
    }
    DrawBandText(state, 2, WordColour);
}
