// The friend's side of online play: joining, frames, sounds, keys and the notices.
#include "net/friend_session.h"

#include "audio/sound_requests.h"
#include "audio/status_handoff.h"
#include "display/band.h"
#include "net/host_session.h"
#include "net/join_proof.h"

#include <algorithm>

namespace
{
constexpr unsigned char NoticeColour = 1; // grey, as the title screen's words
constexpr int FriendPeerOnLink = 0;       // the friend's side has one connection: the host
static_assert(JoinWaitMs > HelloWaitMs);

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

void Send(FriendSession& session, int channel, const unsigned char* bytes, int size, unsigned now)
{
    OrderSend(FriendPeerOnLink, channel, bytes, size);
    session.sentAt = now;
}

void Report(FriendSession& session, int channel, unsigned now)
{
    PressReport presses[MaxReportedPresses];
    const int count = ReportPresses(session.presses, now, presses);
    unsigned char report[MaxMessageBytes];
    Send(session, channel, report, EncodeReport(session.had, presses, count, report), now);
}

// Bands of whole frame number that a delta builds on and we do not hold.
void AskBands(FriendSession& session, int number, unsigned bands, unsigned now)
{
    const bool news = number != session.askedNumber || (bands & ~session.askedBands) != 0;
    if (!news && now - session.askedSince < AskFrameAgainMs)
    {
        return; // asked already: the host may not have had it yet
    }
    unsigned char ask[MaxMessageBytes];
    OrderSend(FriendPeerOnLink, ReliableChannel, ask, EncodeAskFrame(number, bands, ask));
    session.askedNumber = number;
    session.askedBands = bands;
    session.askedSince = now;
}

// Whether whole frame number is no older than held, numbers wrapping.
bool NotOlder(int number, int held)
{
    return (number - held + FrameNumbers) % FrameNumbers < FrameNumbers / 2;
}

void CopyBand(const unsigned char* from, unsigned char* to, int band)
{
    std::copy(from + band * BandCells, from + (band + 1) * BandCells, to + band * BandCells);
}

// A frame's bands, decoded into cells over baseCells.
void TakeBands(FriendSession& session, const HostMessage& message, const unsigned char* cells,
               unsigned now)
{
    unsigned missing = 0;
    for (int band = message.firstBand; band < message.firstBand + message.bandCount; ++band)
    {
        if (message.kind == KindDelta)
        {
            session.bandBase[band] == message.frameNumber
                ? CopyBand(cells, session.frameCells, band)
                : static_cast<void>(missing |= 1u << band);
        }
        else if (session.bandBase[band] < 0 ||
                 NotOlder(message.frameNumber, session.bandBase[band]))
        {
            CopyBand(cells, session.baseCells, band);
            CopyBand(cells, session.frameCells, band);
            session.bandBase[band] = message.frameNumber;
            session.askedBands &= ~(1u << band); // it came: a new need is asked for at once
        }
    }
    std::copy(message.palette, message.palette + PaletteBytes, session.framePalette);
    session.frameReady = true;
    session.had = (session.had + 1) % FrameNumbers;
    if (missing != 0)
    {
        AskBands(session, message.frameNumber, missing, now);
    }
}

// A challenge: the host's proof checked, and ours sent; or, from a host that does not know
// our code, a plain goodbye.
void AnswerChallenge(FriendSession& session, const HostMessage& message, unsigned now)
{
    if (!ProofHolds(session.key, Prover::Host, session.nonce, message.nonce, message.proof))
    {
        EndFriendSession(session, FriendNotice::WrongCode, true, ReasonNone, now);
        return;
    }
    MakeProof(session.key, Prover::Friend, session.nonce, message.nonce, session.proof);
    unsigned char proof[MaxMessageBytes];
    Send(session, QuickChannel, proof, EncodeProof(session.proof, proof), now);
    session.stage = FriendStage::Proving;
}

void Receive(FriendSession& session, const LinkEvent& event, unsigned now)
{
    static HostMessage message;
    static unsigned char cells[CanvasCells];
    std::copy(session.baseCells, session.baseCells + CanvasCells, cells); // what a delta builds on
    const bool valid = DecodeHostMessage(event.bytes, event.size, message, cells);
    if (!valid)
    {
        if (session.stage == FriendStage::Joined)
        {
            EndFriendSession(session, FriendNotice::HostLeft, true, ReasonBadData, now);
        }
        return; // before the welcome, anything else is let go
    }
    session.heardAt = now;
    session.hostAway = false;
    if (message.kind == KindChallenge || message.kind == KindWelcome)
    {
        if (session.stage == FriendStage::Knocking && message.kind == KindChallenge)
        {
            AnswerChallenge(session, message, now);
        }
        else if (session.stage == FriendStage::Proving && message.kind == KindWelcome)
        {
            session.stage = FriendStage::Joined;
        }
        return; // the answers to a hello or a proof sent again
    }
    if (session.stage == FriendStage::Proving)
    {
        session.stage = FriendStage::Joined; // only a friend let in gets frames and sounds
    }
    if (session.stage != FriendStage::Joined)
    {
        return;
    }
    message.kind == KindSounds ? PlayHostSounds(session, message)
                               : TakeBands(session, message, cells, now);
}
} // namespace

void StartFriendSession(FriendSession& session, const CodeKey& key, unsigned now)
{
    session.stage = FriendStage::Connecting;
    session.key = key;
    session.since = now;
    session.notice = FriendNotice::None;
    session.titleMusic = true;
    session.hostAway = false;
    session.frameReady = false;
    for (int& base : session.bandBase)
    {
        base = -1;
    }
    session.askedBands = 0;
    session.had = 0;
    ForgetFriendPresses(session.presses);
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
            if (!MakeNonce(session.nonce))
            {
                EndFriendSession(session, FriendNotice::NoAnswer, true, ReasonLeft, now);
                break; // no secrets to be had: no join
            }
            unsigned char hello[MaxMessageBytes];
            Send(session, QuickChannel, hello, EncodeHello(session.nonce, hello), now);
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

void TickFriendSession(FriendSession& session, unsigned now)
{
    const bool again = now - session.sentAt >= RepeatHandshakeMs;
    switch (session.stage)
    {
        case FriendStage::Off:
            break;
        case FriendStage::Connecting:
        case FriendStage::Knocking:
        case FriendStage::Proving:
            if (now - session.since >= JoinWaitMs)
            {
                EndFriendSession(session, FriendNotice::NoAnswer, true, ReasonLeft, now);
            }
            else if (again && session.stage != FriendStage::Connecting)
            {
                unsigned char message[MaxMessageBytes];
                const bool knocking = session.stage == FriendStage::Knocking;
                Send(session, QuickChannel, message,
                     knocking ? EncodeHello(session.nonce, message)
                              : EncodeProof(session.proof, message),
                     now);
            }
            break;
        case FriendStage::Joined:
            session.hostAway = now - session.heardAt >= QuietAwayMs;
            if (now - session.heardAt >= QuietGoneMs)
            {
                EndFriendSession(session, FriendNotice::HostLeft, true, ReasonNone, now);
            }
            else if (now - session.sentAt >=
                     (session.presses.count > 0 ? HeldReportMs : QuietReportMs))
            {
                Report(session, QuickChannel, now);
            }
            break;
    }
}

void SendFriendKey(FriendSession& session, Key key, bool down, unsigned now)
{
    if (session.stage != FriendStage::Joined || !FriendMayPress(key))
    {
        return; // not in, or a key of our own side
    }
    down ? NotePress(session.presses, key, now) : NoteRelease(session.presses, key, now);
    Report(session, ReliableChannel, now);
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
