// Sealing: HMAC-SHA256 for the names and keys, AES-256-GCM for the messages, each through
// the cipher library of the build (net/cipher.h).
#include "net/seal.h"

#include "net/cipher.h"

#include <cstring>

static_assert(GcmKeyBytes == SealKeyBytes && GcmTagBytes == SealTagBytes);

namespace
{
constexpr char NameLabel[] = "tumblequay meeting name";
constexpr char KnockLabel[] = "tumblequay knock";
constexpr char HostToFriendLabel[] = "tumblequay host to friend";
constexpr char FriendToHostLabel[] = "tumblequay friend to host";
constexpr int NonceBytes = GcmNonceBytes;
constexpr int MaxSealedPlain = 65536;
constexpr int MaxSealHeader = 64;

void MakeNonce(const SealKey& key, std::uint32_t counter, unsigned char* nonce)
{
    std::memset(nonce, 0, NonceBytes);
    nonce[3] = static_cast<unsigned char>(key.direction);
    for (int n = 0; n < 4; ++n)
    {
        nonce[11 - n] = static_cast<unsigned char>(counter >> (8 * n));
    }
}

} // namespace

void DeriveMeetName(const CodeKey& key, char* name)
{
    unsigned char digest[DigestBytes];
    KeyedDigest(key, reinterpret_cast<const unsigned char*>(NameLabel), sizeof NameLabel - 1,
                digest);
    constexpr char Digits[] = "0123456789abcdef";
    for (int n = 0; n < MeetNameBytes; ++n)
    {
        name[2 * n] = Digits[digest[n] >> 4];
        name[2 * n + 1] = Digits[digest[n] & 15];
    }
    name[MeetNameLength] = 0;
}

void MakeKnockProof(const CodeKey& key, const unsigned char* what, int size, unsigned char* proof)
{
    constexpr int LabelBytes = sizeof KnockLabel - 1;
    unsigned char text[LabelBytes + MaxSealHeader];
    const int taken = size < 0 ? 0 : size > MaxSealHeader ? MaxSealHeader : size;
    std::memcpy(text, KnockLabel, LabelBytes);
    std::memcpy(text + LabelBytes, what, taken);
    unsigned char digest[DigestBytes];
    KeyedDigest(key, text, LabelBytes + taken, digest);
    std::memcpy(proof, digest, KnockProofBytes);
}

bool SameProof(const unsigned char* a, const unsigned char* b)
{
    return SameSecretBytes(a, b, KnockProofBytes);
}

void DeriveSealKey(const CodeKey& key, SealDirection direction, const unsigned char* hostSalt,
                   const unsigned char* friendSalt, SealKey& sealKey)
{
    const char* label =
        direction == SealDirection::HostToFriend ? HostToFriendLabel : FriendToHostLabel;
    constexpr int LabelBytes = sizeof HostToFriendLabel - 1;
    static_assert(sizeof FriendToHostLabel - 1 == LabelBytes);
    unsigned char text[LabelBytes + 2 * SaltBytes];
    std::memcpy(text, label, LabelBytes);
    std::memcpy(text + LabelBytes, hostSalt, SaltBytes);
    std::memcpy(text + LabelBytes + SaltBytes, friendSalt, SaltBytes);
    static_assert(DigestBytes == SealKeyBytes);
    KeyedDigest(key, text, sizeof text, sealKey.bytes);
    sealKey.direction = direction;
}

void StartSealer(Sealer& sealer, const SealKey& key)
{
    sealer.key = key;
    sealer.next = 0;
    sealer.spent = false;
}

void StartOpener(Opener& opener, const SealKey& key)
{
    opener.key = key;
    opener.next = 0;
    opener.spent = false;
}

int Seal(Sealer& sealer, const unsigned char* header, int headerSize, const unsigned char* plain,
         int size, unsigned char* out)
{
    if (sealer.spent || size < 0 || size > MaxSealedPlain || headerSize < 0 ||
        headerSize > MaxSealHeader)
    {
        return 0; // nothing more may go under this key, or not this
    }
    const std::uint32_t counter = sealer.next;
    for (int n = 0; n < SealCounterBytes; ++n)
    {
        out[n] = static_cast<unsigned char>(counter >> (8 * (SealCounterBytes - 1 - n)));
    }
    unsigned char nonce[NonceBytes];
    MakeNonce(sealer.key, counter, nonce);
    if (!RunGcm(true, sealer.key.bytes, nonce, header, headerSize, plain, size,
                out + SealCounterBytes, out + SealCounterBytes + size))
    {
        return 0;
    }
    sealer.spent = counter == LastSealCounter;
    sealer.next = counter + 1;
    return size + SealOverhead;
}

int Open(Opener& opener, const unsigned char* header, int headerSize, const unsigned char* sealed,
         std::size_t size, unsigned char* plain, int capacity)
{
    if (size < static_cast<std::size_t>(SealOverhead) ||
        size - SealOverhead > static_cast<std::size_t>(capacity) ||
        size - SealOverhead > static_cast<std::size_t>(MaxSealedPlain) || headerSize < 0 ||
        headerSize > MaxSealHeader || opener.spent)
    {
        std::memset(plain, 0, capacity);
        return -1; // cannot be one of ours
    }
    std::uint32_t counter = 0;
    for (int n = 0; n < SealCounterBytes; ++n)
    {
        counter = counter << 8 | sealed[n];
    }
    const int length = static_cast<int>(size) - SealOverhead;
    unsigned char tag[SealTagBytes];
    std::memcpy(tag, sealed + SealCounterBytes + length, SealTagBytes);
    unsigned char nonce[NonceBytes];
    MakeNonce(opener.key, counter, nonce);
    if (counter < opener.next || !RunGcm(false, opener.key.bytes, nonce, header, headerSize,
                                         sealed + SealCounterBytes, length, plain, tag))
    {
        std::memset(plain, 0, capacity);
        return -1; // played back, overtaken, forged or damaged
    }
    opener.spent = counter == LastSealCounter;
    opener.next = counter + 1;
    return length;
}
