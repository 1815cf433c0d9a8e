// The join code's key, through OpenSSL's libcrypto.
#include "net/code_key.h"

#include "net/cipher.h"

#include <cstring>
#include <openssl/evp.h>
#include <openssl/hmac.h>

bool DeriveCodeKey(const JoinCode& code, CodeKey& key)
{
    char text[JoinCodeLength + 1];
    FormatJoinCode(code, text);
    return PKCS5_PBKDF2_HMAC(
               text, JoinCodeLength, reinterpret_cast<const unsigned char*>(CodeKeySalt),
               sizeof CodeKeySalt - 1, CodeKeyRounds, EVP_sha256(), CodeKeyBytes, key.bytes) == 1;
}

void KeyedDigest(const CodeKey& key, const unsigned char* bytes, std::size_t size,
                 unsigned char* digest)
{
    unsigned length = DigestBytes;
    if (HMAC(EVP_sha256(), key.bytes, CodeKeyBytes, bytes, size, digest, &length) == nullptr)
    {
        std::memset(digest, 0, DigestBytes); // the library failed: a digest of nothing
    }
}

bool SameDigest(const unsigned char* a, const unsigned char* b)
{
    return SameSecretBytes(a, b, DigestBytes);
}
