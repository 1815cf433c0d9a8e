// The join code's key and its digests, against values worked out apart from the game (Python's
// hashlib and hmac over the same text, salt and rounds).
#include "net/code_key.h"
#include "tests/meet/by_hand.h"

#include <gtest/gtest.h>
#include <string>

TEST(CodeKey, StretchesTheCodeAndKeysDigestsWithIt)
{
    JoinCode code;
    ASSERT_TRUE(ParseJoinCode("K3M9XQ2TVW", code));
    CodeKey key;
    ASSERT_TRUE(DeriveCodeKey(code, key));
    EXPECT_EQ(Hex(key.bytes, CodeKeyBytes),
              "b555c11bf4f0d6c4869441ab4e046e86ed7801ea1acd83f33dfedcde4c9c17f1");
    unsigned char digest[DigestBytes + 1];
    digest[DigestBytes] = 0xa5;
    KeyedDigest(key, reinterpret_cast<const unsigned char*>("tumblequay"), 10, digest);
    EXPECT_EQ(Hex(digest, DigestBytes),
              "8106cca881c31a714943ff7a69d948f29bcad0c3bf7da7c052a22244cd5d9120");
    EXPECT_EQ(digest[DigestBytes], 0xa5); // nothing written past the digest
    unsigned char other[DigestBytes];
    KeyedDigest(key, reinterpret_cast<const unsigned char*>("tumblequaY"), 10, other);
    EXPECT_TRUE(SameDigest(digest, digest));
    EXPECT_FALSE(SameDigest(digest, other));
}
