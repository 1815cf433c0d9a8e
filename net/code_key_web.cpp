// The join code's key through the browser's Web Crypto: the page's. Each step waits for Web
// Crypto's answer (see cipher_web.cpp).
#include "net/cipher.h"
#include "net/code_key.h"

#include <cstring>
#include <emscripten.h>

namespace
{
// PBKDF2-HMAC-SHA256 of the text into 32 bytes of key; 1 when done.
EM_ASYNC_JS(int, StretchWeb,
            (const char* text, int size, const char* salt, int saltSize, int rounds,
             unsigned char* key),
            {
                try
                {
                    var base = await crypto.subtle.importKey('raw', HEAPU8.slice(text, text + size),
                                                             'PBKDF2', false, ['deriveBits']);
                    var bits = await crypto.subtle.deriveBits({
                        name : 'PBKDF2',
                        hash : 'SHA-256',
                        salt : HEAPU8.slice(salt, salt + saltSize),
                        iterations : rounds
                    },
                                                              base, 256);
                    HEAPU8.set(new Uint8Array(bits), key);
                    return 1;
                }
                catch (failed)
                {
                    return 0; // no Web Crypto here (a page not served over https)
                }
            });

// HMAC-SHA256 under a 32-byte key into 32 bytes of digest; 1 when done.
EM_ASYNC_JS(int, DigestWeb,
            (const unsigned char* key, const unsigned char* bytes, int size, unsigned char* digest),
            {
                try
                {
                    var keys = Module.hmacKeys || (Module.hmacKeys = new Map());
                    var name = HEAPU8.slice(key, key + 32).join();
                    var made = keys.get(name);
                    if (!made)
                    {
                        made = await crypto.subtle.importKey('raw', HEAPU8.slice(key, key + 32),
                                                             {name : 'HMAC', hash : 'SHA-256'},
                                                             false, ['sign']);
                        if (keys.size >= 8)
                            keys.clear();
                        keys.set(name, made);
                    }
                    var signed =
                        await crypto.subtle.sign('HMAC', made, HEAPU8.slice(bytes, bytes + size));
                    HEAPU8.set(new Uint8Array(signed), digest);
                    return 1;
                }
                catch (failed)
                {
                    return 0;
                }
            });
} // namespace

bool DeriveCodeKey(const JoinCode& code, CodeKey& key)
{
    char text[JoinCodeLength + 1];
    FormatJoinCode(code, text);
    return StretchWeb(text, JoinCodeLength, CodeKeySalt, sizeof CodeKeySalt - 1, CodeKeyRounds,
                      key.bytes) == 1;
}

void KeyedDigest(const CodeKey& key, const unsigned char* bytes, std::size_t size,
                 unsigned char* digest)
{
    if (DigestWeb(key.bytes, bytes, static_cast<int>(size), digest) != 1)
    {
        std::memset(digest, 0, DigestBytes); // Web Crypto failed: a digest of nothing
    }
}

bool SameDigest(const unsigned char* a, const unsigned char* b)
{
    return SameSecretBytes(a, b, DigestBytes);
}
