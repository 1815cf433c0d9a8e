// Fuzz target: whatever comes from the meeting point, on the host's subject and on a friend's,
// before and after the friend has its answer, and as the sealed inside of an answer (sealed
// here with the right keys, so that the answer's reading itself is reached). Nothing is
// written past a reader's output, and nothing that is not ours is taken.
#include "net/meet.h"
#include "tests/meet/by_hand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
CodeKey MakeKey()
{
    JoinCode code;
    CodeKey key = {};
    ParseJoinCode("k3m9xq2tvw", code);
    DeriveCodeKey(code, key);
    return key;
}

const CodeKey Key = MakeKey();
unsigned char Out[MaxMeetPayload + 1];
unsigned char Plain[MaxMeetPlain + 1];

void Guard()
{
    if (Plain[MaxMeetPlain] != 0xa5 || Out[MaxMeetPayload] != 0xa5)
    {
        std::abort(); // written past a reader's room
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Plain[MaxMeetPlain] = 0xa5;
    Out[MaxMeetPayload] = 0xa5;
    static MeetHost host;
    StartMeetHost(host, Key);
    static MeetFriend joining;
    StartMeetFriend(joining, Key, 0);
    while (TickMeetFriend(joining, true, 0, Out).order != MeetOrder::None)
    {
    }
    // Strangers' bytes: nothing opens, nothing is answered.
    if (HearAtHost(host, data, size, 0, Out, Plain).what != MeetHeard::Nothing ||
        HearAtFriend(joining, data, size, Plain).what != MeetHeard::Nothing ||
        joining.stage != MeetStage::Knocking)
    {
        std::abort();
    }
    Guard();
    // The input as the sealed inside of a real host's answer: read as the friend reads it.
    if (size > AnswerPlainBytes)
    {
        return 0;
    }
    HearAtFriend(joining, Out, AnswerByHand(Key, joining, data, static_cast<int>(size), Out),
                 Plain);
    Guard();
    if (joining.addressCount < 0 || joining.addressCount > MaxMeetAddresses)
    {
        std::abort();
    }
    for (int n = 0; n < joining.addressCount; ++n)
    {
        if (joining.addresses[n].address == 0 || joining.addresses[n].port < 1 ||
            joining.addresses[n].port > 65535)
        {
            std::abort();
        }
    }
    // Answered or not, the stranger's bytes again: still nothing.
    if (HearAtFriend(joining, data, size, Plain).what == MeetHeard::Message)
    {
        std::abort();
    }
    Guard();
    return 0;
}
