// The secret a join code stands for. A code holds 50 random bits: too few to be shown to
// anyone who could try every code against what they saw. So the code is never sent, nor
// anything quickly made from it: it is stretched once into a key that takes about 50 ms to
// make (PBKDF2 with HMAC-SHA256), and everything a side proves or hides with the code is keyed
// by that key (HMAC-SHA256). Trying every code against one proof then costs 2^50 such
// stretchings. The same steps exist in the browser's Web Crypto, so a page can do them too.
#pragma once

#include "net/join_code.h"

#include <cstddef>

constexpr int CodeKeyBytes = 32;
constexpr int DigestBytes = 32; // HMAC-SHA256
constexpr int CodeKeyRounds = 200000;
// What the code's text is stretched with, so that a table made for another use is no help.
constexpr char CodeKeySalt[] = "tumblequay join code";

struct CodeKey
{
    unsigned char bytes[CodeKeyBytes];
};

// Stretches the code, as FormatJoinCode writes it, into its key. Returns false when the
// library cannot; the key is then not to be used.
bool DeriveCodeKey(const JoinCode& code, CodeKey& key);

// HMAC-SHA256 of bytes under the key: DigestBytes into digest.
void KeyedDigest(const CodeKey& key, const unsigned char* bytes, std::size_t size,
                 unsigned char* digest);

// Whether two digests are the same, in a time that does not depend on where they differ.
bool SameDigest(const unsigned char* a, const unsigned char* b);
