// Sealing what goes through a meeting point, where anyone may watch and anyone may send: every
// message is encrypted and authenticated with AES-256-GCM under a key that only the two sides
// of one conversation can make, from the join code's key (net/code_key.h) and a fresh random
// salt from each side. A message whose tag fails, one that comes again, or one older than
// the newest already opened is dropped and leaves everything as it was.
//
// Everything here is HMAC-SHA256 and AES-GCM, which the browser's Web Crypto has too:
//   the game's name on the meeting point: hex of the first MeetNameBytes of
//       HMAC(code key, "tumblequay meeting name"), never the code;
//   a conversation's key for one direction: HMAC(code key, label, host salt, friend salt),
//       the label "tumblequay host to friend" or "tumblequay friend to host";
//   a sealed message: its counter (4 bytes, high first), the cipher text, the 16-byte tag;
//       the nonce is the direction (4 bytes, high first: 1 host to friend, 2 friend to host)
//       and the counter (8 bytes, high first); what the caller gives as the header (the
//       message's kind and conversation) is authenticated with it, so that a sealed body
//       cannot be moved to another kind or conversation.
// Each side counts its messages from 0 and never seals two under one counter; the fresh
// salts make a new key for every conversation, so a friend who joins again, or a stranger
// who plays back what it saw, never meets a key and counter that were used before.
#pragma once

#include "net/cipher.h"
#include "net/code_key.h"

#include <cstddef>
#include <cstdint>

constexpr int MeetNameBytes = 12;                 // 96 bits of the digest name the game
constexpr int MeetNameLength = 2 * MeetNameBytes; // in lower-case hex
constexpr int SaltBytes = 16;                     // each side's part of a conversation's keys
constexpr int SealKeyBytes = 32;                  // AES-256
constexpr int SealCounterBytes = 4;
constexpr int SealTagBytes = 16;
constexpr int SealOverhead = SealCounterBytes + SealTagBytes;
constexpr std::uint32_t LastSealCounter = 0xffffffffu; // a key seals no more than this many

enum class SealDirection
{
    HostToFriend = 1,
    FriendToHost = 2,
};

constexpr int KnockProofBytes = 16; // of a knock's proof: HMAC(code key, "tumblequay knock", what)

// The game's name on the meeting point: MeetNameLength hex digits and a terminating zero.
void DeriveMeetName(const CodeKey& key, char* name);

// The proof that a knock comes from someone with the code: KnockProofBytes into proof, from size
// bytes of what (at most 64). SameProof compares two in a time that does not depend on where
// they differ.
void MakeKnockProof(const CodeKey& key, const unsigned char* what, int size, unsigned char* proof);
bool SameProof(const unsigned char* a, const unsigned char* b);

struct SealKey
{
    unsigned char bytes[SealKeyBytes];
    SealDirection direction;
};

// One direction's key of the conversation the two salts (SaltBytes each) make.
void DeriveSealKey(const CodeKey& key, SealDirection direction, const unsigned char* hostSalt,
                   const unsigned char* friendSalt, SealKey& sealKey);

// The sending side of one direction: the next counter to seal with.
struct Sealer
{
    SealKey key;
    std::uint32_t next; // 0..LastSealCounter; spent is set once LastSealCounter went
    bool spent;
};

// The receiving side: the lowest counter still taken.
struct Opener
{
    SealKey key;
    std::uint32_t next; // every counter below it is refused
    bool spent;         // LastSealCounter was opened: nothing more is taken
};

void StartSealer(Sealer& sealer, const SealKey& key);
void StartOpener(Opener& opener, const SealKey& key);

// Seals size bytes (0..65536) with the header (headerSize bytes, 0..64) authenticated, into out
// (size + SealOverhead bytes); returns that length, or 0 when the key is spent or the
// library fails (nothing is sent then).
int Seal(Sealer& sealer, const unsigned char* header, int headerSize, const unsigned char* plain,
         int size, unsigned char* out);

// Opens a sealed message under the same header into plain, which holds capacity bytes;
// returns the plain length, or -1 when the message is short, too long for capacity, forged,
// damaged, played back or older than the newest opened. Only a message that opens moves
// the opener on; after -1 the capacity bytes of plain are zero, and nothing past them is
// written.
int Open(Opener& opener, const unsigned char* header, int headerSize, const unsigned char* sealed,
         std::size_t size, unsigned char* plain, int capacity);
