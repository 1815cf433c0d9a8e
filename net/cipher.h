// The few steps of a well-kept cipher library that sealing (net/seal.h) needs: one pass of
// AES-256-GCM and a comparison that takes the same time wherever two byte strings differ.
// The desktop's come from OpenSSL (cipher_openssl.cpp), the page's from the browser's Web
// Crypto (cipher_web.cpp), and the secrets they draw.
#pragma once

constexpr int GcmKeyBytes = 32;   // AES-256
constexpr int GcmNonceBytes = 12; // the direction and the counter
constexpr int GcmTagBytes = 16;

// Encrypts size bytes of in into out and writes the tag (sealing), or decrypts them and
// checks the tag (opening), with headerSize bytes of header authenticated beside them.
// False when the library fails or, opening, the tag does not match; out is then not to be
// used. size and headerSize are at most 65536 and 64.
bool RunGcm(bool sealing, const unsigned char* key, const unsigned char* nonce,
            const unsigned char* header, int headerSize, const unsigned char* in, int size,
            unsigned char* out, unsigned char* tag);

// Fills size bytes from the library's generator of secrets (seeded by the system's); false
// when it gives none.
bool DrawSecret(unsigned char* bytes, int size);

// Whether size bytes at a and b are the same, in a time that does not depend on where they
// differ.
bool SameSecretBytes(const unsigned char* a, const unsigned char* b, int size);
