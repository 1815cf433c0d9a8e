// Sealing for the meeting point: the derivations against values worked out apart from the game
// (Python's hashlib and hmac, and the cryptography package's AES-GCM, over the same labels), and
// the rules that drop a forged, damaged, shortened, replayed or overtaken message.
#include "net/seal.h"
#include "tests/meet/by_hand.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
const CodeKey Key = KeyOf("k3m9xq2tvw");
const unsigned char Header[] = {'h', 'd', 'r'};

struct Pair
{
    Sealer sealer;
    Opener opener;
};

Pair MakePair(SealDirection direction)
{
    unsigned char hostSalt[SaltBytes];
    unsigned char friendSalt[SaltBytes];
    for (int n = 0; n < SaltBytes; ++n)
    {
        hostSalt[n] = static_cast<unsigned char>(n);
        friendSalt[n] = static_cast<unsigned char>(16 + n);
    }
    SealKey key;
    DeriveSealKey(Key, direction, hostSalt, friendSalt, key);
    Pair pair;
    StartSealer(pair.sealer, key);
    StartOpener(pair.opener, key);
    return pair;
}

std::vector<unsigned char> SealText(Sealer& sealer, const char* text)
{
    std::vector<unsigned char> out(std::strlen(text) + SealOverhead);
    const int size =
        Seal(sealer, Header, sizeof Header, reinterpret_cast<const unsigned char*>(text),
             static_cast<int>(std::strlen(text)), out.data());
    EXPECT_EQ(size, static_cast<int>(out.size()));
    return out;
}

// What Open gives for a sealed message: its text, or "refused" (then the buffer must be zero).
std::string OpenText(Opener& opener, const std::vector<unsigned char>& sealed,
                     const unsigned char* header = Header, int headerSize = sizeof Header,
                     int capacity = 64)
{
    unsigned char plain[80];
    std::memset(plain, 0xa5, sizeof plain);
    const int size =
        Open(opener, header, headerSize, sealed.data(), sealed.size(), plain, capacity);
    EXPECT_EQ(plain[capacity], 0xa5); // nothing past the capacity
    if (size < 0)
    {
        for (int n = 0; n < capacity; ++n)
        {
            EXPECT_EQ(plain[n], 0) << "a refused message left bytes behind";
        }
        return "refused";
    }
    return std::string(reinterpret_cast<char*>(plain), size);
}
} // namespace

TEST(Seal, DerivesTheNameKeysProofAndSealedBytesAsWorkedOutApart)
{
    char name[MeetNameLength + 2];
    name[MeetNameLength + 1] = 'x';
    DeriveMeetName(Key, name);
    EXPECT_STREQ(name, "a1cfa5eaa8f68954db3bf7b4");
    EXPECT_EQ(name[MeetNameLength + 1], 'x');

    Pair hostToFriend = MakePair(SealDirection::HostToFriend);
    Pair friendToHost = MakePair(SealDirection::FriendToHost);
    EXPECT_EQ(Hex(hostToFriend.sealer.key.bytes, SealKeyBytes),
              "39681dcd2819a21d8f51b31355b8ff5bb00408d7416ef65e770d6887895bbe07");
    EXPECT_EQ(Hex(friendToHost.sealer.key.bytes, SealKeyBytes),
              "baa14ac713a1f2944d5966064d5aa028ec5e100b797b54e9e45c5e6333917291");

    unsigned char what[24];
    for (int n = 0; n < 24; ++n)
    {
        what[n] = static_cast<unsigned char>(n);
    }
    unsigned char proof[KnockProofBytes + 1];
    proof[KnockProofBytes] = 0x5a;
    MakeKnockProof(Key, what, sizeof what, proof);
    EXPECT_EQ(Hex(proof, KnockProofBytes), "bb70f8f45a81624138f5538aae333b1e");
    EXPECT_EQ(proof[KnockProofBytes], 0x5a);

    // The sixth message of the host's direction: counter 5 in the nonce and on the wire.
    for (int n = 0; n < 5; ++n)
    {
        SealText(hostToFriend.sealer, "x");
    }
    const std::vector<unsigned char> sealed = SealText(hostToFriend.sealer, "tumblequay");
    EXPECT_EQ(Hex(sealed.data(), static_cast<int>(sealed.size())),
              "00000005fdcca6b00c1ced17784d5693434719c674e2c8a966ebdd65d672");
    EXPECT_EQ(OpenText(hostToFriend.opener, sealed), "tumblequay");
}

TEST(Seal, DropsForgedDamagedAndShortenedMessagesWithoutEffect)
{
    Pair pair = MakePair(SealDirection::HostToFriend);
    const std::vector<unsigned char> first = SealText(pair.sealer, "first");
    const std::vector<unsigned char> second = SealText(pair.sealer, "second");
    // Every bit of the counter, the cipher text and the tag matters.
    for (std::size_t at = 0; at < second.size(); ++at)
    {
        for (int bit = 0; bit < 8; ++bit)
        {
            std::vector<unsigned char> damaged = second;
            damaged[at] ^= static_cast<unsigned char>(1 << bit);
            EXPECT_EQ(OpenText(pair.opener, damaged), "refused") << at << ":" << bit;
        }
    }
    for (std::size_t size = 0; size < second.size(); ++size)
    {
        EXPECT_EQ(OpenText(pair.opener, {second.begin(), second.begin() + size}), "refused");
    }
    std::vector<unsigned char> longer = second;
    longer.push_back(0);
    EXPECT_EQ(OpenText(pair.opener, longer), "refused");
    // Under another header (another kind or conversation), or the other direction's key.
    const unsigned char other[] = {'h', 'd', 'R'};
    EXPECT_EQ(OpenText(pair.opener, second, other, sizeof other), "refused");
    EXPECT_EQ(OpenText(pair.opener, second, Header, 2), "refused");
    Pair back = MakePair(SealDirection::FriendToHost);
    EXPECT_EQ(OpenText(back.opener, second), "refused");
    // Too long for the reader's room: refused, not cut.
    EXPECT_EQ(OpenText(pair.opener, second, Header, sizeof Header, 5), "refused");
    // A forgery claiming the last counter moves nothing: the real messages still open.
    std::vector<unsigned char> forged = second;
    std::memset(forged.data(), 0xff, SealCounterBytes);
    EXPECT_EQ(OpenText(pair.opener, forged), "refused");
    EXPECT_EQ(OpenText(pair.opener, first), "first");
    EXPECT_EQ(OpenText(pair.opener, second), "second");
}

TEST(Seal, TakesEachMessageOnceAndNeverAnOlderOne)
{
    Pair pair = MakePair(SealDirection::FriendToHost);
    std::vector<std::vector<unsigned char>> sent;
    for (const char* text : {"a", "b", "c", "d", "e"})
    {
        sent.push_back(SealText(pair.sealer, text));
    }
    EXPECT_EQ(OpenText(pair.opener, sent[0]), "a");
    EXPECT_EQ(OpenText(pair.opener, sent[0]), "refused"); // played back
    EXPECT_EQ(OpenText(pair.opener, sent[2]), "c");       // b lost on the way: a gap is fine
    EXPECT_EQ(OpenText(pair.opener, sent[1]), "refused"); // overtaken
    EXPECT_EQ(OpenText(pair.opener, sent[2]), "refused");
    EXPECT_EQ(OpenText(pair.opener, sent[4]), "e");
    EXPECT_EQ(OpenText(pair.opener, sent[3]), "refused");

    // A key seals no counter twice: after the last, nothing more.
    pair.sealer.next = LastSealCounter;
    const std::vector<unsigned char> last = SealText(pair.sealer, "last");
    unsigned char out[64];
    EXPECT_EQ(Seal(pair.sealer, Header, sizeof Header, out, 1, out), 0);
    EXPECT_EQ(OpenText(pair.opener, last), "last");
    EXPECT_EQ(OpenText(pair.opener, last), "refused");
}
