// Fuzz target: the host reads anything a friend's game may send, from a connection that has
// proved the code or not, without harm; a message it takes is whole.
#include "net/host_session.h"
#include "net/join_proof.h"
#include "net/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
// The last message queued for the connection, and the queue emptied.
HostMessage LastSent()
{
    static HostMessage message;
    static unsigned char cells[CanvasCells];
    const LinkOrder* order = LinkOrderCount > 0 ? &LinkOrders[LinkOrderCount - 1] : nullptr;
    if (order == nullptr || order->type != LinkOrderType::Send ||
        !DecodeHostMessage(LinkOrderData + order->offset, static_cast<std::size_t>(order->size),
                           message, cells))
    {
        std::abort(); // the host answers a hello with its challenge
    }
    ClearLinkOrders();
    return message;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    static JoinCode code = {};
    static CodeKey key;
    static const bool keyed = DeriveCodeKey(code, key);
    static HostSession session;
    StartHostSession(session, code, key);
    ClearLinkOrders();
    // The first byte: bit 0 whether the connection proved the code first.
    HandleHostEvent(session, {LinkEventType::Connected, 0, 1, 0, nullptr, 0, 0}, 0);
    if ((data[0] & 1) != 0 && keyed)
    {
        const unsigned char nonce[NonceBytes] = {7};
        unsigned char message[MaxMessageBytes], proof[ProofBytes];
        HandleHostEvent(session,
                        {LinkEventType::Received, 0, 1, QuickChannel, message,
                         static_cast<std::size_t>(EncodeHello(nonce, message)), 0},
                        0);
        MakeProof(key, Prover::Friend, nonce, LastSent().nonce, proof);
        HandleHostEvent(session,
                        {LinkEventType::Received, 0, 1, QuickChannel, message,
                         static_cast<std::size_t>(EncodeProof(proof, message)), 0},
                        0);
        if (FriendPeer(session) != 0)
        {
            std::abort(); // a right proof lets it in
        }
    }
    const HostInput input = HandleHostEvent(
        session, {LinkEventType::Received, 0, 1, QuickChannel, data + 1, size - 1, 0}, 0);
    if (input.bandsWanted && (size != 6 || input.wantedBands == 0))
    {
        std::abort(); // an ask is five bytes and names a band
    }
    for (int n = 0; n < session.presses.count; ++n)
    {
        if (!FriendMayPress(session.presses.presses[n].key) || size < 11)
        {
            std::abort(); // a press only from a whole report of one at least
        }
    }
    ClearLinkOrders();
    return 0;
}
