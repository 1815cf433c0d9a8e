// The friend's side of online play: joining, frames, sounds, keys and the notices.
#include "net/friend_session.h"

#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/band.h"
#include "net/host_session.h"

#include <algorithm>

namespace
{
constexpr unsigned char NoticeColour = 1; // grey, as the title screen's words
constexpr int FriendPeerOnLink = 0;       // the friend's side has one connection: the host

// Two words of a notice, one above the other.
struct NoticeWords
{
    const char* upper;
    const char* lower;
};
constexpr NoticeWords NoticeTexts[] = {
    {"", ""},             // FriendNotice::None
    {"no such", "host"},  // FriendNotice::NoSuchHost
    {"no", "answer"},     // FriendNotice::NoAnswer
    {"game", "full"},     // FriendNotice::GameFull
    {"wrong", "code"},    // FriendNotice::WrongCode
    {"shut", "out"},      // FriendNotice::ShutOut
    {"host", "left"},     // FriendNotice::HostLeft
    {"other", "version"}, // FriendNotice::OtherVersion
    {"no game", "found"}, // FriendNotice::NoGame
};
static_assert(sizeof NoticeTexts / sizeof NoticeTexts[0] ==
              static_cast<int>(FriendNotice::NoGame) + 1);

FriendNotice NoticeOf(unsigned reason, FriendStage stage)
{
    switch (reason)
    {
        case ReasonFull:
            return FriendNotice::GameFull;
        case ReasonWrongCode:
            return FriendNotice::WrongCode;
        case ReasonShutOut:
            return FriendNotice::ShutOut;
        case ReasonOtherVersion:
            return FriendNotice::OtherVersion;
        default:
            return stage == FriendStage::Joined ? FriendNotice::HostLeft : FriendNotice::NoAnswer;
    }
}

void PlayHostSounds(FriendSession& session, const HostMessage& message)
{
    for (int n = 0; n < message.soundCount; ++n)
    {
        const SoundMessage& sound = message.sounds[n];
        PlaySound(sound.sound, sound.frequency, sound.volume, sound.send, sound.pan);
    }
    if (session.titleMusic && !message.titleMusic)
    {
        RequestEchoHalving(); // a match starts, as StartScene does on the host
    }
    session.titleMusic = message.titleMusic;
}

// A delta came for a whole frame we do not hold.
void AskWholeFrame(FriendSession& session, unsigned now)
{
    if (session.askedFrame && now - session.askedSince < AskFrameAgainMs)
    {
        return; // asked already: the host may not have had it yet
    }
    unsigned char ask[MaxShortMessageBytes];
    OrderSend(FriendPeerOnLink, ReliableChannel, ask, EncodeAskFrame(ask));
    session.askedFrame = true;
    session.askedSince = now;
}

void ShowFrame(FriendSession& session, const HostMessage& message, const unsigned char* cells)
{
    std::copy(cells, cells + CanvasCells, session.frameCells);
    std::copy(message.palette, message.palette + PaletteBytes, session.framePalette);
    session.frameReady = true;
}

void Receive(FriendSession& session, const LinkEvent& event, unsigned now)
{
    static HostMessage message;
    static unsigned char cells[CanvasCells];
    std::copy(session.baseCells, session.baseCells + CanvasCells, cells); // what a delta builds on
    const bool valid =
        DecodeHostMessage(event.bytes, event.size, message, cells) &&
        (message.kind == KindFrame || message.kind == KindDelta) == (event.channel == FrameChannel);
    const bool welcome = valid && message.kind == KindWelcome;
    if (session.stage != FriendStage::Joined)
    {
        // Frames travel on their own channel and may overtake the welcome: until it comes,
        // anything else is let go.
        if (welcome && session.stage == FriendStage::Knocking)
        {
            session.stage = FriendStage::Joined;
            session.since = now;
        }
        return;
    }
    if (!valid || welcome)
    {
        EndFriendSession(session, FriendNotice::HostLeft, true, ReasonBadData, now);
        return;
    }
    switch (message.kind)
    {
        case KindFrame:
            std::copy(cells, cells + CanvasCells, session.baseCells);
            session.baseNumber = message.frameNumber;
            session.askedFrame = false;
            ShowFrame(session, message, cells);
            break;
        case KindDelta:
            if (message.frameNumber != session.baseNumber)
            {
                AskWholeFrame(session, now); // its base was lost, or came before the welcome
                break;
            }
            ShowFrame(session, message, cells);
            break;
        default:
            PlayHostSounds(session, message);
            break;
    }
}
} // namespace

void StartFriendSession(FriendSession& session, const JoinCode& code, unsigned now)
{
    session.stage = FriendStage::Connecting;
    session.code = code;
    session.since = now;
    session.notice = FriendNotice::None;
    session.titleMusic = true;
    session.hostAway = false;
    session.frameReady = false;
    session.baseNumber = -1;
    session.askedFrame = false;
}

void EndFriendSession(FriendSession& session, FriendNotice notice, bool drop, LinkReason reason,
                      unsigned now)
{
    if (session.stage == FriendStage::Off)
    {
        return; // ended already
    }
    if (drop)
    {
        OrderDrop(FriendPeerOnLink, reason);
    }
    session.stage = FriendStage::Off;
    session.hostAway = false;
    session.notice = notice;
    session.noticeSince = now;
    session.frameReady = false;
}

void HandleFriendEvent(FriendSession& session, const LinkEvent& event, unsigned now)
{
    if (session.stage == FriendStage::Off)
    {
        return; // ended: what still comes is not ours
    }
    switch (event.type)
    {
        case LinkEventType::Connected:
        {
            unsigned char hello[MaxShortMessageBytes];
            OrderSend(FriendPeerOnLink, ReliableChannel, hello, EncodeHello(session.code, hello));
            session.stage = FriendStage::Knocking;
            break;
        }
        case LinkEventType::Received:
            Receive(session, event, now);
            break;
        case LinkEventType::Disconnected:
            EndFriendSession(session, NoticeOf(event.reason, session.stage), false, ReasonNone,
                             now);
            break;
        case LinkEventType::Pending:
            break; // the host's side only
    }
}

void TickFriendSession(FriendSession& session, unsigned now, unsigned hostQuietMs)
{
    const bool joining =
        session.stage == FriendStage::Connecting || session.stage == FriendStage::Knocking;
    if (joining && now - session.since >= JoinWaitMs)
    {
        EndFriendSession(session, FriendNotice::NoAnswer, true, ReasonLeft, now);
    }
    else if (session.stage == FriendStage::Joined)
    {
        session.hostAway = hostQuietMs >= QuietAwayMs;
        if (hostQuietMs >= QuietGoneMs)
        {
            EndFriendSession(session, FriendNotice::HostLeft, true, ReasonNone, now);
        }
    }
}

void SendFriendKey(FriendSession& session, Key key, bool down)
{
    if (session.stage != FriendStage::Joined || !FriendMayPress(key))
    {
        return; // not in, or a key of our own side
    }
    unsigned char message[MaxShortMessageBytes];
    OrderSend(FriendPeerOnLink, ReliableChannel, message, EncodeKey(key, down, message));
}

bool ShowsHost(const FriendSession& session)
{
    return session.stage != FriendStage::Off;
}

void DrawFriendNotice(const FriendSession& session, unsigned now)
{
    if (session.notice == FriendNotice::None || now - session.noticeSince >= NoticeMs)
    {
        return; // nothing to say
    }
    const NoticeWords& words = NoticeTexts[static_cast<int>(session.notice)];
    DrawBandText(words.upper, 0, NoticeColour);
    DrawBandText(words.lower, 1, NoticeColour);
}
