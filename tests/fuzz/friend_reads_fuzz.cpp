// Fuzz target: the friend's side reads anything a host may send, before and after it was let
// in and a whole frame came, without harm: bands it takes, whole or a delta's on the whole
// frame it holds, write nothing past the canvas.
#include "net/friend_session.h"
#include "net/join_proof.h"
#include "net/messages.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    static JoinCode code = {};
    static CodeKey key;
    static const bool keyed = DeriveCodeKey(code, key);
    static FriendSession session;
    StartFriendSession(session, key, 0);
    ClearLinkOrders();
    HandleFriendEvent(session, {LinkEventType::Connected, 0, 0, 0, nullptr, 0, 0}, 0);
    const auto receive = [](const unsigned char* bytes, std::size_t size) {
        HandleFriendEvent(session, {LinkEventType::Received, 0, 0, QuickChannel, bytes, size, 0},
                          0);
    };
    // The first byte: bit 0 whether the host let us in first, bit 1 whether a whole frame of a
    // cleared canvas came after that.
    static unsigned char message[MaxMessageBytes];
    if ((data[0] & 1) != 0 && keyed)
    {
        const unsigned char nonce[NonceBytes] = {9};
        unsigned char proof[ProofBytes];
        MakeProof(key, Prover::Host, session.nonce, nonce, proof);
        receive(message, static_cast<std::size_t>(EncodeChallenge(nonce, proof, message)));
        receive(message, static_cast<std::size_t>(EncodeWelcome(message)));
    }
    if ((data[0] & 3) == 3)
    {
        static const unsigned char cleared[CanvasCells] = {};
        receive(message, static_cast<std::size_t>(
                             EncodeBands(KindFrame, 0, 0, FrameBands, nullptr, cleared, message)));
    }
    receive(data + 1, size - 1);
    ClearLinkOrders();
    return 0;
}
