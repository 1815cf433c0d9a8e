// Fuzz target: a squeezed relayed packet as it opens from the meeting point. The first byte
// says how much of the rest is the history the packet expands over and how much room the
// output has; the remainder is the squeezed bytes. Expanding either refuses or gives at most
// that room, writes nothing past it, and what it gives squeezes and expands back the same; a
// whole packet with its head is taken by a line that heard nothing yet only when it starts
// afresh, and never past its room.
#include "net/relay_squeeze.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr unsigned char Guard = 0xa5;
SqueezeHistory History;
SqueezeLine Line;
unsigned char Out[RelayPacketBytes + 1];
unsigned char Again[RelayPacketBytes + 1];
unsigned char Squeezed[MaxSqueezedBytes];
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > MaxSqueezedBytes + 64)
    {
        return 0;
    }
    const int historyBytes = std::min(static_cast<int>(size) - 1, data[0] * 4);
    const int capacity = data[0] % 2 == 0 ? RelayPacketBytes : data[0] * 16;
    History.used = 0;
    AddToHistory(History, data + 1, historyBytes);
    const unsigned char* in = data + 1 + historyBytes;
    const int inSize = static_cast<int>(size) - 1 - historyBytes;
    std::memset(Out, Guard, sizeof Out);
    const int made = Expand(History, in, inSize, Out, capacity);
    if (made > capacity || Out[capacity] != Guard)
    {
        std::abort(); // past its room
    }
    if (made >= 0)
    {
        const int squeezed = Squeeze(History, Out, made, Squeezed);
        if (Expand(History, Squeezed, squeezed, Again, RelayPacketBytes) != made ||
            std::memcmp(Out, Again, static_cast<std::size_t>(made)) != 0)
        {
            std::abort(); // does not come back the same
        }
    }
    ResetSqueezeLine(Line);
    Out[RelayPacketBytes] = Guard;
    const int taken = ExpandPacket(Line, data, static_cast<int>(size), Out);
    if (taken > RelayPacketBytes || Out[RelayPacketBytes] != Guard ||
        (taken >= 0 && (data[1] != 0 || data[2] != 0)))
    {
        std::abort(); // past its room, or a line that heard nothing yet took a packet out of turn
    }
    return 0;
}
