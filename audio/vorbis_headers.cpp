// Checks of an Ogg Vorbis file's header packets, made before the decoder trusts them.
#include "audio/vorbis_headers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
// Walks the bytes of one packet of an Ogg stream, from segment to segment and across pages,
// the way the decoder reads them.
struct PacketReader
{
    const unsigned char* bytes; // the whole file
    long size;                  // bytes in the file
    long page;                  // offset of the current page's header
    int segment;                // lacing table index of the segment after the current one
    long data;                  // offset of the next unread byte
    int left;                   // unread bytes of the current segment
    bool lastSegment;           // the current segment is shorter than 255: the packet ends

    // Moves to the page at offset at and its first segment; false when no page is there.
    bool StartPage(long at)
    {
        return OpenPage(at) && NextSegment();
    }

    // Reads the header of the page at offset at; false unless a whole page header is there.
    bool OpenPage(long at)
    {
        if (at < 0 || at + 27 > size || std::memcmp(bytes + at, "OggS", 4) != 0 ||
            at + 27 + bytes[at + 26] > size)
        {
            return false;
        }
        page = at;
        segment = 0;
        data = at + 27 + bytes[at + 26];
        return true;
    }

    // Moves to the next segment; the packet goes on in the next page when this one has no
    // more, and pages without segments are passed over.
    bool NextSegment()
    {
        while (segment >= bytes[page + 26])
        {
            if (!OpenPage(data))
            {
                return false;
            }
        }
        left = bytes[page + 27 + segment];
        ++segment;
        lastSegment = left < 255;
        return data + left <= size;
    }

    // Skips count bytes of the packet; false when the packet or the file ends first.
    bool Skip(std::uint32_t count)
    {
        while (count > 0)
        {
            if (left == 0 && (lastSegment || !NextSegment()))
            {
                return false;
            }
            const int skipped = static_cast<int>(std::min<std::uint32_t>(count, left));
            data += skipped;
            left -= skipped;
            count -= skipped;
        }
        return true;
    }

    // Moves past the rest of this packet to the first segment of the next one.
    bool NextPacket()
    {
        while (left > 0 || !lastSegment)
        {
            data += left;
            left = 0;
            if (!lastSegment && !NextSegment())
            {
                return false;
            }
        }
        return NextSegment();
    }

    // Reads the next byte of the packet; false when the packet or the file ends first.
    bool ReadByte(unsigned* byte)
    {
        if (left == 0 && (lastSegment || !NextSegment() || left == 0))
        {
            return false;
        }
        *byte = bytes[data];
        ++data;
        --left;
        return true;
    }

    // Reads a 32-bit length, lowest byte first.
    bool ReadLength(std::uint32_t* value)
    {
        *value = 0;
        for (int shift = 0; shift < 32; shift += 8)
        {
            unsigned byte = 0;
            if (!ReadByte(&byte))
            {
                return false;
            }
            *value |= static_cast<std::uint32_t>(byte) << shift;
        }
        return true;
    }
};

// Reads a packet bit by bit, lowest bit of each byte first, as the headers are packed.
struct BitReader
{
    PacketReader* packet;
    unsigned byte; // the byte being read
    int bitsLeft;  // unread bits of byte, 0..8

    // Reads count (0..32) bits into value; false when the packet ends first.
    bool Read(int count, std::uint32_t* value)
    {
        *value = 0;
        for (int i = 0; i < count; ++i)
        {
            if (bitsLeft == 0)
            {
                if (!packet->ReadByte(&byte))
                {
                    return false;
                }
                bitsLeft = 8;
            }
            *value |= ((byte >> (8 - bitsLeft)) & 1u) << i;
            --bitsLeft;
        }
        return true;
    }

    bool Skip(std::uint64_t count)
    {
        std::uint32_t ignored = 0;
        for (; count > 0 && bitsLeft > 0; --count)
        {
            Read(1, &ignored);
        }
        if (count / 8 > UINT32_MAX || !packet->Skip(static_cast<std::uint32_t>(count / 8)))
        {
            return false;
        }
        return Read(static_cast<int>(count % 8), &ignored);
    }
};

int BitsFor(std::uint32_t value)
{
    int bits = 0;
    for (; value > 0; value >>= 1)
    {
        ++bits;
    }
    return bits;
}

// Whether one codebook of the setup header is complete and small enough for the decoder's
// int arithmetic: it computes table sizes and powers of the entry count in int and float
// without checking for overflow.
bool CodebookFits(BitReader& bits)
{
    std::uint32_t sync = 0, dimensions = 0, entries = 0, flag = 0, length = 0;
    if (!bits.Read(24, &sync) || sync != 0x564342 || !bits.Read(16, &dimensions) ||
        !bits.Read(24, &entries) || (dimensions == 0 && entries != 0) || !bits.Read(1, &flag))
    {
        return false;
    }
    if (std::uint64_t{entries} * dimensions * sizeof(float) > INT32_MAX)
    {
        return false; // its table of values would not fit the decoder's sizes
    }
    if (flag == 1) // ordered: runs of entries of growing code length
    {
        std::uint32_t entry = 0, run = 0;
        if (!bits.Read(5, &length))
        {
            return false;
        }
        for (++length; entry < entries; ++length)
        {
            if (length >= 32 || !bits.Read(BitsFor(entries - entry), &run) || run > entries - entry)
            {
                return false;
            }
            entry += run;
        }
    }
    else if (!bits.Read(1, &flag)) // flag: sparse, each entry says whether it is present
    {
        return false;
    }
    else
    {
        for (std::uint32_t j = 0; j < entries; ++j)
        {
            std::uint32_t present = 1;
            if ((flag == 1 && !bits.Read(1, &present)) || (present == 1 && !bits.Read(5, &length)))
            {
                return false;
            }
        }
    }
    std::uint32_t lookup = 0, valueBits = 0;
    if (!bits.Read(4, &lookup) || lookup > 2)
    {
        return false;
    }
    if (lookup == 0)
    {
        return true; // no vector values
    }
    if (!bits.Skip(64) || !bits.Read(4, &valueBits) || !bits.Skip(1))
    {
        return false;
    }
    std::uint64_t values = std::uint64_t{entries} * dimensions;
    if (lookup == 1)
    {
        // The largest r with r to the power dimensions at most entries. The decoder works it
        // out in float, which may come out one higher, and then raises r + 1 to that power in
        // int: so r + 2 to that power must fit an int.
        const double power = dimensions;
        auto r = static_cast<std::uint64_t>(std::floor(std::pow(entries, 1.0 / power)));
        while (std::pow(static_cast<double>(r + 1), power) <= entries)
        {
            ++r;
        }
        while (r > 0 && std::pow(static_cast<double>(r), power) > entries)
        {
            --r;
        }
        if (std::pow(static_cast<double>(r + 2), power) > INT32_MAX)
        {
            return false;
        }
        values = r;
    }
    return values > 0 && bits.Skip(values * (valueBits + 1));
}

} // namespace

bool VorbisHeadersFit(const unsigned char* bytes, int size)
{
    PacketReader reader = {bytes, size, 0, 0, 0, 0, false};
    if (!reader.StartPage(0))
    {
        return false; // not an Ogg stream
    }
    const long secondPage = reader.data + reader.left; // the first packet fills the first page
    std::uint32_t length = 0;
    std::uint32_t count = 0;
    if (!reader.StartPage(secondPage) || !reader.Skip(7) || !reader.ReadLength(&length) ||
        !reader.Skip(length) || !reader.ReadLength(&count))
    {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (!reader.ReadLength(&length) || !reader.Skip(length))
        {
            return false;
        }
    }
    if (!reader.Skip(1) || !reader.NextPacket() || !reader.Skip(7))
    {
        return false; // no framing byte, or no setup header after the comments
    }
    BitReader bits = {&reader, 0, 0};
    std::uint32_t codebooks = 0;
    if (!bits.Read(8, &codebooks))
    {
        return false;
    }
    for (std::uint32_t i = 0; i <= codebooks; ++i)
    {
        if (!CodebookFits(bits))
        {
            return false;
        }
    }
    return true;
}
