// Proving the join code: nonces from the system's secrets (getentropy, which the page has too),
// proofs keyed by the code's key.
#include "net/join_proof.h"

#include <cstring>
#include <unistd.h>

static_assert(ProofBytes == DigestBytes);

bool MakeNonce(unsigned char* nonce)
{
    return getentropy(nonce, NonceBytes) == 0;
}

void MakeProof(const CodeKey& key, Prover prover, const unsigned char* friendNonce,
               const unsigned char* hostNonce, unsigned char* proof)
{
    constexpr int LabelBytes = sizeof ProofLabels[0] - 1;
    unsigned char input[LabelBytes + 2 * NonceBytes];
    std::memcpy(input, ProofLabels[prover == Prover::Host ? 0 : 1], LabelBytes);
    std::memcpy(input + LabelBytes, friendNonce, NonceBytes);
    std::memcpy(input + LabelBytes + NonceBytes, hostNonce, NonceBytes);
    KeyedDigest(key, input, sizeof input, proof);
}

bool ProofHolds(const CodeKey& key, Prover prover, const unsigned char* friendNonce,
                const unsigned char* hostNonce, const unsigned char* proof)
{
    unsigned char expected[ProofBytes];
    MakeProof(key, prover, friendNonce, hostNonce, expected);
    return SameDigest(expected, proof);
}
