// The sealing's cipher steps and secrets through the browser's Web Crypto: the page's. Web
// Crypto answers later, so each step waits for it (the page is built with ASYNCIFY for these
// imports alone: the browser's frame pauses meanwhile, and the core sees a plain call).
#include "net/cipher.h"

#include <emscripten.h>

namespace
{
// One pass of AES-256-GCM; the tag follows the cipher text in Web Crypto's output. 1 when done.
// The browser's keys are kept by their bytes, a few at a time, so that a conversation's key
// is made once.
EM_ASYNC_JS(int, RunWebGcm,
            (int sealing, const unsigned char* key, const unsigned char* nonce,
             const unsigned char* header, int headerSize, const unsigned char* input, int size,
             unsigned char* out, unsigned char* tag),
            {
                try
                {
                    var keys = Module.gcmKeys || (Module.gcmKeys = new Map());
                    var name = HEAPU8.slice(key, key + 32).join();
                    var made = keys.get(name);
                    if (!made)
                    {
                        made = await crypto.subtle.importKey('raw', HEAPU8.slice(key, key + 32),
                                                             'AES-GCM', false,
                                                             [ 'encrypt', 'decrypt' ]);
                        if (keys.size >= 32)
                            keys.clear();
                        keys.set(name, made);
                    }
                    var how = {
                        name : 'AES-GCM',
                        iv : HEAPU8.slice(nonce, nonce + 12),
                        additionalData : HEAPU8.slice(header, header + headerSize),
                        tagLength : 128
                    };
                    if (sealing)
                    {
                        var sealed = new Uint8Array(await crypto.subtle.encrypt(
                            how, made, HEAPU8.slice(input, input + size)));
                        HEAPU8.set(sealed.subarray(0, size), out);
                        HEAPU8.set(sealed.subarray(size, size + 16), tag);
                        return 1;
                    }
                    var whole = new Uint8Array(size + 16);
                    whole.set(HEAPU8.subarray(input, input + size));
                    whole.set(HEAPU8.subarray(tag, tag + 16), size);
                    var plain = new Uint8Array(await crypto.subtle.decrypt(how, made, whole));
                    HEAPU8.set(plain, out);
                    return 1;
                }
                catch (failed)
                {
                    return 0; // forged or damaged, or no Web Crypto here
                }
            });

EM_JS(int, DrawWebSecret, (unsigned char* bytes, int size), {
    try
    {
        crypto.getRandomValues(HEAPU8.subarray(bytes, bytes + size));
        return 1;
    }
    catch (refused)
    {
        return 0;
    }
});
} // namespace

bool RunGcm(bool sealing, const unsigned char* key, const unsigned char* nonce,
            const unsigned char* header, int headerSize, const unsigned char* input, int size,
            unsigned char* out, unsigned char* tag)
{
    return RunWebGcm(sealing ? 1 : 0, key, nonce, header, headerSize, input, size, out, tag) == 1;
}

bool SameSecretBytes(const unsigned char* a, const unsigned char* b, int size)
{
    unsigned char difference = 0;
    for (int n = 0; n < size; ++n)
    {
        difference = static_cast<unsigned char>(difference | (a[n] ^ b[n]));
    }
    return difference == 0;
}

bool DrawSecret(unsigned char* bytes, int size)
{
    return DrawWebSecret(bytes, size) == 1;
}
