// The host's side of online play: the door, the friend's messages, the join code shown.
#include "net/host_session.h"

#include "display/band.h"
#include "net/join_proof.h"

#include <algorithm>

namespace
{
constexpr unsigned char CodeColour = 9; // red, as the keys on the title screen
constexpr unsigned char WordColour = 1; // grey
constexpr unsigned NothingHad = 65536;  // no report from the friend yet

bool ValidPeer(int peer)
{
    return peer >= 0 && peer < MaxSessionPeers;
}

// Whether a friend plays and is not away.
bool Playing(const HostSession& session)
{
    return session.friendPeer >= 0 && !session.friendAway;
}

void FriendGone(HostSession& session, unsigned now, HostInput& input)
{
    session.friendPeer = -1;
    session.friendAway = false;
    session.friendLeft = true;
    session.noticeSince = now;
    ForgetHeardPresses(session.presses);
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

// The oldest connection at a stage, from an address (or any, when address is 0); -1 none.
int Oldest(const HostSession& session, PeerStage stage, std::uint32_t address, unsigned now,
           int& count)
{
    int oldest = -1;
    count = 0;
    for (int peer = 0; peer < MaxLinkPeers; ++peer)
    {
        if (session.stages[peer] != stage || (address != 0 && session.addresses[peer] != address))
        {
            continue;
        }
        ++count;
        if (oldest < 0 || now - session.since[peer] > now - session.since[oldest])
        {
            oldest = peer;
        }
    }
    return oldest;
}

// One more connection at a stage from an address: beyond the most it may hold, its oldest
// goes.
void KeepToLimit(HostSession& session, PeerStage stage, std::uint32_t address, int most,
                 unsigned now, HostInput& input)
{
    int count;
    const int oldest = Oldest(session, stage, address, now, count);
    if (count > most)
    {
        Drop(session, oldest, ReasonNone, now, input);
    }
}

void Welcome(int peer)
{
    unsigned char welcome[MaxMessageBytes];
    OrderSend(peer, QuickChannel, welcome, EncodeWelcome(welcome));
}

// A hello from a connection that has not proved the code: the challenge, with our nonce
// (the same to a hello sent again) and our proof over both.
void Challenge(HostSession& session, int peer, const FriendMessage& message, unsigned now,
               HostInput& input)
{
    if (DoorRefuses(session.door, session.addresses[peer], now))
    {
        Drop(session, peer, ReasonShutOut, now, input);
        return;
    }
    if (message.version != ProtocolVersion)
    {
        Drop(session, peer, ReasonOtherVersion, now, input);
        return;
    }
    if (!session.challenged[peer] && !MakeNonce(session.hostNonces[peer]))
    {
        Drop(session, peer, ReasonNone, now, input); // no secrets to be had
        return;
    }
    session.challenged[peer] = true;
    std::copy(message.nonce, message.nonce + NonceBytes, session.friendNonces[peer]);
    unsigned char proof[ProofBytes], challenge[MaxMessageBytes];
    MakeProof(session.key, Prover::Host, message.nonce, session.hostNonces[peer], proof);
    OrderSend(peer, QuickChannel, challenge,
              EncodeChallenge(session.hostNonces[peer], proof, challenge));
}

bool ProofRight(const HostSession& session, int peer, const FriendMessage& message)
{
    return ProofHolds(session.key, Prover::Friend, session.friendNonces[peer],
                      session.hostNonces[peer], message.proof);
}

// A proof from a connection that has had its challenge.
void Knock(HostSession& session, int peer, const FriendMessage& message, unsigned now,
           HostInput& input)
{
    const std::uint32_t address = session.addresses[peer];
    if (DoorRefuses(session.door, address, now))
    {
        Drop(session, peer, ReasonShutOut, now, input);
        return;
    }
    if (!ProofRight(session, peer, message))
    {
        CountWrongCode(session.door, address, now);
        Drop(session, peer, ReasonWrongCode, now, input);
        return;
    }
    ForgiveAddress(session.door, address);
    if (Playing(session))
    {
        Drop(session, peer, ReasonFull, now, input);
        return;
    }
    if (session.friendPeer >= 0)
    {
        // Silent for QuietAwayMs, its game crashed or its line changed: the game that proves
        // the code now takes its place.
        Drop(session, session.friendPeer, ReasonNone, now, input);
    }
    session.stages[peer] = PeerStage::Friend;
    session.friendPeer = peer;
    session.friendLeft = false;
    session.friendAway = false;
    session.heardAt = now;
    session.had = NothingHad;
    ForgetHeardPresses(session.presses);
    Welcome(peer);
    input.joined = true;
}

// A message from the friend.
void Hear(HostSession& session, int peer, const FriendMessage& message, unsigned now,
          HostInput& input)
{
    switch (message.kind)
    {
        case KindReport:
            if (message.had != session.had)
            {
                session.heardAt = now; // our frames reach its screen
                session.had = message.had;
                session.friendAway = false;
            }
            HearPresses(session.presses, message.presses, message.pressCount);
            break;
        case KindAskFrame:
            input.bandsWanted = true;
            input.wantedNumber = message.frameNumber;
            input.wantedBands = message.bands;
            break;
        case KindProof:
            ProofRight(session, peer, message) ? Welcome(peer)
                                               : Drop(session, peer, ReasonBadData, now, input);
            break;
        default:
            break; // a hello sent again before our challenge came
    }
}

void Receive(HostSession& session, const LinkEvent& event, unsigned now, HostInput& input)
{
    const int peer = event.peer;
    const PeerStage stage = session.stages[peer];
    if (stage != PeerStage::Knocking && stage != PeerStage::Friend)
    {
        return; // told to go already, or not connected
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
        Challenge(session, peer, message, now, input);
        return;
    }
    if (!DecodeFriendMessage(event.bytes, event.size, message))
    {
        Drop(session, peer, ReasonBadData, now, input);
        return;
    }
    if (stage == PeerStage::Friend)
    {
        Hear(session, peer, message, now, input);
    }
    else if (message.kind == KindHello)
    {
        Challenge(session, peer, message, now, input);
    }
    else if (message.kind == KindProof && session.challenged[peer])
    {
        Knock(session, peer, message, now, input);
    }
    else
    {
        Drop(session, peer, ReasonBadData, now, input); // a report before its proof
    }
}

// A connection the session had not heard of: a stranger, its time counted from now.
void Arrive(HostSession& session, int peer, PeerStage stage, std::uint32_t address, unsigned now)
{
    session.stages[peer] = stage;
    session.addresses[peer] = address;
    session.since[peer] = now;
    session.challenged[peer] = false;
}
} // namespace

void StartHostSession(HostSession& session, const JoinCode& code, const CodeKey& key)
{
    session = {};
    session.code = code;
    session.key = key;
    ResetDoor(session.door);
    session.friendPeer = -1;
    ForgetHeardPresses(session.presses);
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
            if (session.stages[peer] == PeerStage::Free)
            {
                Arrive(session, peer, PeerStage::Asking, event.address, now);
                KeepToLimit(session, PeerStage::Asking, event.address, MaxAskingPerAddress, now,
                            input);
            }
            break;
        case LinkEventType::Connected:
            if (session.stages[peer] == PeerStage::Dropped)
            {
                break; // cut before it came: its cut is on the way
            }
            if (session.stages[peer] != PeerStage::Asking)
            {
                Arrive(session, peer, PeerStage::Knocking, event.address, now);
            }
            session.stages[peer] = PeerStage::Knocking;
            session.addresses[peer] = event.address;
            if (DoorRefuses(session.door, event.address, now))
            {
                Drop(session, peer, ReasonShutOut, now, input);
            }
            else if (Playing(session))
            {
                Drop(session, peer, ReasonFull, now, input);
            }
            else
            {
                KeepToLimit(session, PeerStage::Knocking, event.address, MaxKnockingPerAddress, now,
                            input);
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

HostInput TickHostSession(HostSession& session, unsigned now)
{
    HostInput input = {};
    // Half the orders stay free for the friend's frame and sounds; the rest go next time.
    int spare = 0;
    for (int peer = 0; peer < MaxSessionPeers && LinkOrderCount < MaxLinkOrders / 2; ++peer)
    {
        const PeerStage stage = session.stages[peer];
        const bool waiting = stage == PeerStage::Asking || stage == PeerStage::Knocking;
        if (waiting && now - session.since[peer] >= HelloWaitMs)
        {
            Drop(session, peer, ReasonNone, now, input);
        }
        else if (stage == PeerStage::Dropped && now - session.since[peer] >= HelloWaitMs)
        {
            // Its goodbye went unanswered: the edge cuts it without one.
            OrderDrop(peer, ReasonNone);
            session.since[peer] = now;
        }
        spare += peer < MaxLinkPeers && (session.stages[peer] == PeerStage::Free ||
                                         session.stages[peer] == PeerStage::Dropped);
    }
    // Slots running short: the oldest requests go, then the oldest connections without a proof.
    for (int count; spare < SpareLinkPeers && LinkOrderCount < MaxLinkOrders / 2; ++spare)
    {
        int oldest = Oldest(session, PeerStage::Asking, 0, now, count);
        oldest = oldest >= 0 ? oldest : Oldest(session, PeerStage::Knocking, 0, now, count);
        if (oldest < 0)
        {
            break; // no stranger left to cut
        }
        Drop(session, oldest, ReasonNone, now, input);
    }
    if (session.friendPeer >= 0)
    {
        session.friendAway = now - session.heardAt >= QuietAwayMs;
        if (now - session.heardAt >= QuietGoneMs)
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
