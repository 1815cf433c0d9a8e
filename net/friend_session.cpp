// The friend's side of online play: joining, frames, sounds, keys and the notices.
#include "net/friend_session.h"

#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/font.h"
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
    {"", ""},            // FriendNotice::None
    {"no such", "host"}, // FriendNotice::NoSuchHost
    {"no", "answer"},    // FriendNotice::NoAnswer
    {"game", "full"},    // FriendNotice::GameFull
    {"wrong", "code"},   // FriendNotice::WrongCode
    {"shut", "out"},     // FriendNotice::ShutOut
    {"host", "left"},    // FriendNotice::HostLeft

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

void Receive(FriendSession& session, const LinkEvent& event, unsigned now)
{
    static HostMessage message;
    static unsigned char cells[CanvasCells];
    const bool valid = session.stage != FriendStage::Connecting &&
                       DecodeHostMessage(event.bytes, event.size, message, cells) &&
                       (message.kind == KindFrame) == (event.channel == FrameChannel) &&
                       (message.kind == KindWelcome) == (session.stage == FriendStage::Knocking);
    if (!valid)
    {
        EndFriendSession(session, FriendNotice::HostLeft, true, ReasonBadData, now);
        return;
    }
    switch (message.kind)
    {
        case KindWelcome:
            session.stage = FriendStage::Joined;
            session.since = now;
            break;
        case KindFrame:
            std::copy(cells, cells + CanvasCells, session.frameCells);
            std::copy(message.palette, message.palette + PaletteBytes, session.framePalette);
            session.frameReady = true;
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
    session.frameReady = false;
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
    }
}

void TickFriendSession(FriendSession& session, unsigned now)
{
    const bool joining =
        session.stage == FriendStage::Connecting || session.stage == FriendStage::Knocking;
    if (joining && now - session.since >= JoinWaitMs)
    {
        EndFriendSession(session, FriendNotice::NoAnswer, true, ReasonLeft, now);
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
    DrawText(words.upper, 16 - TextWidth(words.upper) / 2, 39, NoticeColour, 1);
    DrawText(words.lower, 16 - TextWidth(words.lower) / 2, 32, NoticeColour, 1);
}
