// The sealing's cipher steps and secrets through OpenSSL's libcrypto: the desktop's.
#include "net/cipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

bool RunGcm(bool sealing, const unsigned char* key, const unsigned char* nonce,
            const unsigned char* header, int headerSize, const unsigned char* in, int size,
            unsigned char* out, unsigned char* tag)
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    if (context == nullptr)
    {
        return false; // no memory
    }
    int length = 0;
    bool done =
        EVP_CipherInit_ex(context, EVP_aes_256_gcm(), nullptr, key, nonce, sealing ? 1 : 0) == 1 &&
        (headerSize == 0 || EVP_CipherUpdate(context, nullptr, &length, header, headerSize) == 1) &&
        (size == 0 || EVP_CipherUpdate(context, out, &length, in, size) == 1) &&
        (sealing || EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, GcmTagBytes, tag) == 1) &&
        EVP_CipherFinal_ex(context, out + size, &length) == 1 &&
        (!sealing || EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, GcmTagBytes, tag) == 1);
    EVP_CIPHER_CTX_free(context);
    return done;
}

bool SameSecretBytes(const unsigned char* a, const unsigned char* b, int size)
{
    return CRYPTO_memcmp(a, b, static_cast<std::size_t>(size)) == 0;
}

bool DrawSecret(unsigned char* bytes, int size)
{
    return RAND_bytes(bytes, size) == 1;
}
