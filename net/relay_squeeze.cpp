// The relayed packets squeezed: an LZ over the packets that went before, and the epochs that
// keep both sides' histories the same.
#include "net/relay_squeeze.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr int HashBits = 13;
constexpr int Hashes = 1 << HashBits;
constexpr int ChainTries = 16; // earlier places of the same four bytes tried for a match
constexpr int Window = SqueezeHistoryBytes + RelayPacketBytes;
constexpr int NoPlace = -1;
constexpr int AskFlag = 128;
static_assert(RelayPacketBytes <= SqueezeHistoryBytes); // a packet never pushes out all history

// Squeezing's scratch: the history and the packet side by side, and the places of every four
// bytes in it, newest first through Earlier.
unsigned char Joined[Window];
int Newest[Hashes];
int Earlier[Window];

unsigned HashAt(const unsigned char* at)
{
    const unsigned four = static_cast<unsigned>(at[0]) << 24 | static_cast<unsigned>(at[1]) << 16 |
                          static_cast<unsigned>(at[2]) << 8 | at[3];
    return (four * 2654435761u) >> (32 - HashBits);
}

void Remember(int place)
{
    const unsigned hash = HashAt(Joined + place);
    Earlier[place] = Newest[hash];
    Newest[hash] = place;
}

// The rest of a count past its head nibble's 15, as bytes added on.
unsigned char* PutMore(unsigned char* at, int more)
{
    for (; more >= 255; more -= 255)
    {
        *at++ = 255;
    }
    *at++ = static_cast<unsigned char>(more);
    return at;
}

unsigned char* PutSequence(unsigned char* at, const unsigned char* literals, int count,
                           int distance, int length)
{
    const int matchHead = length > 0 ? std::min(length - MinSqueezeMatch, 15) : 0;
    *at++ = static_cast<unsigned char>(std::min(count, 15) << 4 | matchHead);
    if (count >= 15)
    {
        at = PutMore(at, count - 15);
    }
    std::memcpy(at, literals, static_cast<std::size_t>(count));
    at += count;
    if (length == 0)
    {
        return at;
    }
    *at++ = static_cast<unsigned char>(distance >> 8);
    *at++ = static_cast<unsigned char>(distance);
    return matchHead == 15 ? PutMore(at, length - MinSqueezeMatch - 15) : at;
}

// A count with its head nibble read on from at; false when the input ends first. Input no
// longer than a squeezed packet cannot carry a count that overflows.
bool GetMore(const unsigned char* in, int size, int& at, int& count)
{
    if (count < 15)
    {
        return true;
    }
    for (;;)
    {
        if (at == size)
        {
            return false;
        }
        const int more = in[at++];
        count += more;
        if (more < 255)
        {
            return true;
        }
    }
}

int NextNumber(int number)
{
    return number == MaxSqueezeNumber ? 1 : number + 1;
}
} // namespace

void ResetSqueezeLine(SqueezeLine& line)
{
    line.epoch = 0;
    line.number = 0;
    line.sent.used = 0;
    line.taking = false;
    line.heardEpoch = 0;
    line.heardNumber = 0;
    line.asking = false;
    line.heard.used = 0;
}

int Squeeze(const SqueezeHistory& history, const unsigned char* plain, int size, unsigned char* out)
{
    const int start = history.used;
    const int end = start + size;
    std::memcpy(Joined, history.bytes, static_cast<std::size_t>(start));
    std::memcpy(Joined + start, plain, static_cast<std::size_t>(size));
    std::fill(Newest, Newest + Hashes, NoPlace);
    for (int place = 0; place + MinSqueezeMatch <= start; ++place)
    {
        Remember(place);
    }
    unsigned char* at = out;
    int literals = start; // where the literals not yet written begin
    int place = start;
    while (place + MinSqueezeMatch <= end)
    {
        int length = 0, from = 0, tries = ChainTries;
        for (int earlier = Newest[HashAt(Joined + place)];
             earlier != NoPlace && place - earlier <= MaxSqueezeDistance && tries-- > 0;
             earlier = Earlier[earlier])
        {
            int same = 0;
            while (place + same < end && Joined[earlier + same] == Joined[place + same])
            {
                ++same;
            }
            if (same > length)
            {
                length = same;
                from = earlier;
            }
        }
        if (length < MinSqueezeMatch)
        {
            Remember(place++);
            continue;
        }
        at = PutSequence(at, Joined + literals, place - literals, place - from, length);
        const int next = place + length;
        for (const int last = std::min(next, end - MinSqueezeMatch + 1); place < last;)
        {
            Remember(place++);
        }
        place = literals = next;
    }
    return static_cast<int>(PutSequence(at, Joined + literals, end - literals, 0, 0) - out);
}

int Expand(const SqueezeHistory& history, const unsigned char* in, int size, unsigned char* out,
           int capacity)
{
    if (size > MaxSqueezedBytes)
    {
        return -1; // longer than any packet squeezed
    }
    int at = 0, made = 0;
    while (at < size)
    {
        const int token = in[at++];
        int count = token >> 4;
        if (!GetMore(in, size, at, count) || count > capacity - made || count > size - at)
        {
            return -1; // more literals than room, or than came
        }
        std::memcpy(out + made, in + at, static_cast<std::size_t>(count));
        made += count;
        at += count;
        if (at == size)
        {
            break; // the last sequence: literals only
        }
        if (size - at < 2)
        {
            return -1;
        }
        const int distance = in[at] << 8 | in[at + 1];
        at += 2;
        int length = token & 15;
        if (!GetMore(in, size, at, length))
        {
            return -1;
        }
        length += MinSqueezeMatch;
        if (length > capacity - made || distance == 0 || distance > made + history.used)
        {
            return -1; // past the room, or before the history
        }
        for (int n = 0; n < length; ++n, ++made)
        {
            const int back = made - distance; // below 0: in the history
            out[made] = back >= 0 ? out[back] : history.bytes[history.used + back];
        }
    }
    return made;
}

void AddToHistory(SqueezeHistory& history, const unsigned char* bytes, int size)
{
    const int drop = std::max(history.used + size - SqueezeHistoryBytes, 0);
    std::memmove(history.bytes, history.bytes + drop,
                 static_cast<std::size_t>(history.used - drop));
    history.used -= drop;
    std::memcpy(history.bytes + history.used, bytes, static_cast<std::size_t>(size));
    history.used += size;
}

int SqueezePacket(SqueezeLine& line, const unsigned char* plain, int size, unsigned char* out)
{
    if (line.number == 0)
    {
        line.sent.used = 0; // a fresh start
    }
    out[0] = static_cast<unsigned char>(line.epoch);
    out[1] = static_cast<unsigned char>(line.number >> 8);
    out[2] = static_cast<unsigned char>(line.number);
    out[3] = static_cast<unsigned char>(line.asking ? AskFlag + line.heardEpoch : 0);
    const int squeezed = Squeeze(line.sent, plain, size, out + SqueezeHeadBytes);
    AddToHistory(line.sent, plain, size);
    line.number = NextNumber(line.number);
    return SqueezeHeadBytes + squeezed;
}

int ExpandPacket(SqueezeLine& line, const unsigned char* in, int size, unsigned char* out)
{
    if (size < SqueezeHeadBytes || in[0] >= SqueezeEpochs)
    {
        return -1; // not from a game of ours: nothing to ask
    }
    const int epoch = in[0];
    const int number = in[1] << 8 | in[2];
    if (in[3] == AskFlag + line.epoch)
    {
        line.epoch = (line.epoch + 1) % SqueezeEpochs; // the other side lost our packets
        line.number = 0;
    }
    if (number == 0)
    {
        line.heard.used = 0;
        line.taking = true;
        line.heardEpoch = epoch;
        line.heardNumber = 0;
    }
    int made = -1;
    if (line.taking && epoch == line.heardEpoch && number == line.heardNumber)
    {
        made = Expand(line.heard, in + SqueezeHeadBytes, size - SqueezeHeadBytes, out,
                      RelayPacketBytes);
    }
    if (made < 0)
    {
        line.taking = false;
        line.asking = true;
        line.heardEpoch = epoch;
        return -1;
    }
    AddToHistory(line.heard, out, made);
    line.heardNumber = NextNumber(number);
    line.asking = false;
    return made;
}
