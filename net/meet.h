// Meeting through a meeting point (a NATS server; meet/): how a friend who has only the code
// finds the host there, and what the two sides' messages look like on the way. The meeting
// point sees subjects and sealed bytes, never the code nor anything it could try codes
// against more cheaply than the code's key allows (net/seal.h).
//
// The host listens on "tq.<name>", its name derived from the code. A friend picks a
// conversation (ConversationBytes at random) and a salt, listens on "tq.<name>.<conversation
// in hex>" and knocks on the host's subject; the host answers there with its own fresh salt,
// which gives both sides the conversation's two keys, and with the addresses it may be
// reached at directly. After that each side's messages go sealed: the friend's to the
// host's subject, naming the conversation; the host's to the conversation's subject.
//
// On the wire (numbers high byte first):
//   knock, friend to host:  'K', MeetVersion, conversation, friend salt, proof
//                           (MakeKnockProof over conversation and salt)
//   answer, host to friend: 'A', host salt, sealed: MeetVersion, address count (0..4), then
//                           per address its IPv4 address (4) and port (2); the header
//                           authenticated with it: 'A', conversation, host salt
//   data, host to friend:   'D', sealed (header 'D', conversation)
//   data, friend to host:   'D', conversation, sealed (header 'D', conversation)
// Anything else, anything that fails its checks, and anything for a conversation the side
// does not hold is dropped without an answer.
#pragma once

#include "net/seal.h"

#include <cstddef>
#include <cstdint>

constexpr int MeetVersion = 2; // the layouts above and of the packets in data (squeezed:
                               // net/relay_squeeze.h); an answer of another is told apart
constexpr int DefaultMeetPort = 4222;
constexpr int ConversationBytes = 8;
constexpr int ConversationLength = 2 * ConversationBytes; // in hex
constexpr int MaxMeetAddresses = 4;
// "tq." name, and for a conversation "." and its hex; with the terminating zero.
constexpr int MeetSubjectBytes = 3 + MeetNameLength + 1 + ConversationLength + 1;
constexpr int MaxMeetPayload = 16384; // the meeting point's max_payload (meet/game.conf)
constexpr int KnockBytes = 2 + ConversationBytes + SaltBytes + KnockProofBytes;
constexpr int AnswerPlainBytes = 2 + MaxMeetAddresses * 6;
constexpr int MaxAnswerBytes = 1 + SaltBytes + SealOverhead + AnswerPlainBytes;
constexpr int DataHeaderBytes = 1 + ConversationBytes; // what a sealed message is bound to
// The most a sealed message may carry, so that it fits the meeting point's largest message.
constexpr int MaxMeetPlain = MaxMeetPayload - DataHeaderBytes - SealOverhead;

constexpr int MaxMeetConversations = 8;      // friends knocking or playing through it at once
constexpr unsigned MeetKnockWaitMs = 5000;   // a conversation the friend never used is forgotten
constexpr unsigned MeetKnockEveryMs = 500;   // a knock unanswered is made again
constexpr unsigned MeetAnswerWaitMs = 5000;  // knocking this long unanswered: no game
constexpr unsigned MeetConnectWaitMs = 5000; // the meeting point unreached this long: told so
constexpr int RecentKnocks = 32; // knocks remembered, so that one played back is ignored

// Where a host may be reached directly.
struct MeetAddress
{
    std::uint32_t address; // IPv4, host byte order, not 0
    int port;              // 1..65535
};

// ---- The host's side ----

struct MeetConversation
{
    bool used;
    bool heard;          // a sealed message of the friend's opened: it has the keys
    unsigned since;      // ms, when the knock came
    unsigned lastAnswer; // ms, the last answer sent
    unsigned char id[ConversationBytes];
    unsigned char salt[SaltBytes];  // the host's, in every answer
    char subject[MeetSubjectBytes]; // where the host sends to this friend
    Sealer toFriend;
    Opener fromFriend;
};

struct MeetHost
{
    CodeKey key;
    char subject[MeetSubjectBytes]; // the host's own: knocks and the friends' messages
    MeetConversation conversations[MaxMeetConversations];
    unsigned char recent[RecentKnocks][SaltBytes]; // salts of knocks taken
    int recentCount;                               // 0..RecentKnocks
    int recentNext;                                // where the next goes
    MeetAddress addresses[MaxMeetAddresses];       // told in every answer
    int addressCount;
};

// Starts listening as the game whose code has the key: no conversation, no address.
void StartMeetHost(MeetHost& host, const CodeKey& key);

// The addresses told to friends from now on (at most MaxMeetAddresses of them; the ones that
// are not a reachable address and port are left out).
void SetMeetAddresses(MeetHost& host, const MeetAddress* addresses, int count);

enum class MeetHeard
{
    Nothing, // dropped
    Answer,  // a knock: send the answer (out, size bytes) to the conversation's subject
    Message, // a friend's message opened: size bytes of plain for the conversation
};

struct MeetHostHeard
{
    MeetHeard what;
    int conversation; // Answer, Message: 0..MaxMeetConversations - 1
    int size;
};

// Handles what came on the host's subject at time now (ms). A knock with a right proof and a
// conversation not yet held takes a free conversation (none free: dropped) and is answered;
// the same knock again is answered again, at most every MeetKnockEveryMs; a knock played
// back after its conversation ended is ignored. A friend's message that opens is written
// to plain (MaxMeetPlain bytes; nothing past them). out takes MaxAnswerBytes.
MeetHostHeard HearAtHost(MeetHost& host, const unsigned char* bytes, std::size_t size, unsigned now,
                         unsigned char* out, unsigned char* plain);

// Seals size bytes (0..MaxMeetPlain) for a friend into out (MaxMeetPayload bytes), to send to
// its conversation's subject; returns the length, 0 when there is no such conversation or
// nothing can be sealed.
int SealForFriend(MeetHost& host, int conversation, const unsigned char* plain, int size,
                  unsigned char* out);

// Forgets a conversation: whatever comes for it later is dropped.
void EndConversation(MeetHost& host, int conversation);

// Once per iteration: forgets conversations whose friend sent nothing within MeetKnockWaitMs.
void TickMeetHost(MeetHost& host, unsigned now);

// ---- The friend's side ----

enum class MeetStage
{
    Connecting,   // waiting for the meeting point
    Knocking,     // listening on its conversation, knocking
    Answered,     // the host answered: the keys are made, addresses known
    Unreachable,  // the meeting point was not reached within MeetConnectWaitMs
    NoAnswer,     // no host answered within MeetAnswerWaitMs
    OtherVersion, // a host answered in another version of these layouts
};

struct MeetFriend
{
    CodeKey key;
    MeetStage stage;
    unsigned since;     // ms, when it started, then when knocking began
    unsigned lastKnock; // ms
    bool knocked;       // a knock went
    unsigned char id[ConversationBytes];
    unsigned char salt[SaltBytes];
    char hostSubject[MeetSubjectBytes]; // where it knocks and sends
    char ownSubject[MeetSubjectBytes];  // where it listens
    Sealer toHost;
    Opener fromHost;
    MeetAddress addresses[MaxMeetAddresses]; // Answered: where the host may be reached directly
    int addressCount;
};

// Whether a friend at its own addresses (count of them) may reach a host's address directly:
// not one of its own (its own machine), and a private one (10/8, 172.16/12, 192.168/16, the
// carriers' 100.64/10, link-local 169.254/16) only when it shares 24 bits with one of its own,
// as on the same home network; another home's private address is no use to try.
bool WorthTrying(const MeetAddress& address, const std::uint32_t* own, int count);

// Starts a friend's search at time now with the code's key: a new conversation and salt.
// Returns false when no random bytes can be had; the friend is then not to be used.
bool StartMeetFriend(MeetFriend& joining, const CodeKey& key, unsigned now);

enum class MeetOrder
{
    None,
    Subscribe, // listen on subject
    Publish,   // send size bytes of out to subject
};

struct MeetStep
{
    MeetOrder order;
    const char* subject;
    int size;
};

// Once per iteration, and again while it gives an order, with whether the meeting point is
// connected: listens once connected, knocks now and every MeetKnockEveryMs, and gives up
// (Unreachable, NoAnswer) when the waits run out. out takes KnockBytes.
MeetStep TickMeetFriend(MeetFriend& joining, bool connected, unsigned now, unsigned char* out);

// Handles what came on the friend's subject. An answer that opens (once) makes the stage
// Answered or OtherVersion; a host's message that opens is written to plain (MaxMeetPlain
// bytes; nothing past them) and its length returned as Message.
MeetHostHeard HearAtFriend(MeetFriend& joining, const unsigned char* bytes, std::size_t size,
                           unsigned char* plain);

// Seals size bytes (0..MaxMeetPlain) for the host into out (MaxMeetPayload bytes), to send to
// the host's subject; 0 before the answer or when nothing can be sealed.
int SealForHost(MeetFriend& joining, const unsigned char* plain, int size, unsigned char* out);
