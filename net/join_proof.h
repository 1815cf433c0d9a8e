// Proving the join code without sending it: fresh nonces, and the proofs each side makes
// over both sides' nonces with the code's key (the layout is in net/messages.h).
#pragma once

#include "net/code_key.h"
#include "net/messages.h"

// Who proves: the host first, then the friend; each proof has its own label.
enum class Prover
{
    Host,
    Friend,
};

// Fills nonce (NonceBytes) from the system's generator of secrets. Returns false when the
// system gives none; the nonce is then not to be used.
bool MakeNonce(unsigned char* nonce);

// The proof (ProofBytes into proof) that prover knows the code whose key this is, for the
// friend's nonce and the host's.
void MakeProof(const CodeKey& key, Prover prover, const unsigned char* friendNonce,
               const unsigned char* hostNonce, unsigned char* proof);

// Whether a proof that came is the one prover would make, compared in a time that does not
// depend on where they differ.
bool ProofHolds(const CodeKey& key, Prover prover, const unsigned char* friendNonce,
                const unsigned char* hostNonce, const unsigned char* proof);
