// Tests of the header checks, on Ogg files built here bit by bit: headers are read on across
// pages and to their end, and refused when cut anywhere, when a count or a length promises more
// than the file holds, or when a codebook is too large for the decoder's arithmetic or breaks
// its own rules. That the game's own files pass is shown by the sample bank's tests.
#include "audio/vorbis_headers.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;
// Fields of a header, each a value and its width in bits, packed lowest bit first.
using Fields = std::vector<std::pair<std::uint64_t, int>>;

// A codebook's start: its sync pattern, dimensions and entries; then the rest of it.
Fields Codebook(std::uint64_t dimensions, std::uint64_t entries, const Fields& rest)
{
    Fields fields = {{0x564342, 24}, {dimensions, 16}, {entries, 24}};
    fields.insert(fields.end(), rest.begin(), rest.end());
    return fields;
}

// A header packet: its type byte and "vorbis", then the fields packed.
Bytes Header(unsigned char type, const std::vector<Fields>& parts)
{
    Bytes bytes = {type, 'v', 'o', 'r', 'b', 'i', 's'};
    int bit = 0;
    for (const Fields& part : parts)
    {
        for (const auto& [value, width] : part)
        {
            for (int i = 0; i < width; ++i, ++bit)
            {
                bytes.resize(7 + bit / 8 + 1);
                const std::uint64_t one = i < 64 ? (value >> i) & 1 : 0; // a wide field of 0
                bytes.back() |= static_cast<unsigned char>(one << (bit % 8));
            }
        }
    }
    return bytes;
}

// A setup header holding the codebooks.
Bytes SetupHeader(std::vector<Fields> codebooks)
{
    codebooks.insert(codebooks.begin(), {{codebooks.size() - 1, 8}});
    return Header(5, codebooks);
}

// A comment header of a vendor "us" and the comment "a=b", with the vendor's length and the
// count of comments given.
Bytes CommentHeader(std::uint64_t vendor = 2, std::uint64_t count = 1)
{
    const Fields fields = {{vendor, 32}, {0x7375, 16}, {count, 32}, {3, 32}, {0x623d61, 24}};
    return Header(3, {fields, {{1, 8}}});
}

// An Ogg file: the identification header on the first page, the comment header and the first
// cut bytes of the setup header on the second. When split, the setup header's first 255 bytes
// end the second page, an empty page follows, and a fourth goes on with the rest.
Bytes OggFile(const Bytes& comment, const Bytes& setup, std::size_t cut, bool split = false)
{
    Bytes file;
    // One page of packets, the last going on in the next page unless it ends here.
    const auto page = [&file](bool continues, const std::vector<Bytes>& packets, bool ends)
    {
        Bytes lacing, body;
        for (const Bytes& packet : packets)
        {
            std::fill_n(std::back_inserter(lacing), packet.size() / 255, 255);
            if (&packet != &packets.back() || ends)
            {
                lacing.push_back(static_cast<unsigned char>(packet.size() % 255));
            }
            body.insert(body.end(), packet.begin(), packet.end());
        }
        const std::string header("OggS\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 26);
        file.insert(file.end(), header.begin(), header.end());
        file[file.size() - 21] = continues ? 1 : 0;
        file.push_back(static_cast<unsigned char>(lacing.size()));
        file.insert(file.end(), lacing.begin(), lacing.end());
        file.insert(file.end(), body.begin(), body.end());
    };
    Bytes identification = {1, 'v', 'o', 'r', 'b', 'i', 's'};
    identification.resize(30);
    page(false, {identification}, true);
    const std::size_t first = split ? 255 : cut;
    page(false, {comment, Bytes(setup.begin(), setup.begin() + first)}, !split);
    if (split)
    {
        page(true, {}, false);
        page(true, {Bytes(setup.begin() + first, setup.begin() + cut)}, true);
    }
    return file;
}

// Whether the first size bytes (all by default) pass.
bool Fits(const Bytes& bytes, std::size_t size = SIZE_MAX)
{
    return VorbisHeadersFit(bytes.data(), static_cast<int>(std::min(size, bytes.size())));
}
} // namespace

// Headers read on across pages, also past a page without segments, to the setup header's end;
// the file is refused cut anywhere before that, and with a vendor length or a comment count
// that promises more than the comment header holds. Bytes that are not Ogg are refused.
TEST(VorbisHeaders, HeadersReadOnAcrossPagesAndThoseThatPromiseMoreThanTheFileHoldsAreRefused)
{
    // 400 entries of 5-bit lengths: a setup header of over 255 bytes.
    const Bytes setup = SetupHeader({Codebook(1, 400, {{0, 1}, {0, 1}, {0, 2000}, {0, 4}})});
    ASSERT_GT(setup.size(), 255u);
    for (const bool split : {false, true})
    {
        const Bytes file = OggFile(CommentHeader(), setup, setup.size(), split);
        EXPECT_TRUE(Fits(file)) << split;
        for (std::size_t size = 0; size < file.size(); ++size)
        {
            ASSERT_FALSE(Fits(file, size)) << split << " " << size;
        }
    }
    const std::pair<std::uint64_t, std::uint64_t> promises[] = {
        {3, 1}, {0x7f000000, 1}, {0xff000000, 1}, {2, 2}, {2, 0x7f000000}, {2, 0xff000000}};
    for (const auto& [vendor, count] : promises)
    {
        EXPECT_FALSE(Fits(OggFile(CommentHeader(vendor, count), setup, setup.size())))
            << vendor << " " << count;
    }
    const Bytes text = {'O', 'g', 'g', 's', ' ', 'n', 'o', 't'};
    EXPECT_FALSE(Fits(text) || VorbisHeadersFit(nullptr, 0));
}

// Codebooks of every kind (lengths in order, sparse and complete; no values, values per
// dimension and per entry) are read to their end: the setup header passes whole and is refused
// cut anywhere, also at each bit of its fields, which a first codebook of 0 to 7 absent entries
// moves onto the start of a byte. Codebooks whose sizes would overflow the decoder's int
// arithmetic, or that break their own rules, are refused.
TEST(VorbisHeaders, CodebooksAreReadToTheirEndAndThoseTooLargeOrMalformedAreRefused)
{
    const Fields ordered = {
        {1, 1},  {2, 5}, {2, 3}, {3, 2}, {2, 4},
        {0, 64}, {3, 4}, {0, 1}, {0, 40}}; // lengths 3 and 4; 5 x 2 values of 4 bits
    const Fields sparse = {{0, 1}, {1, 1}, {1, 1},  {4, 5}, {0, 1}, {1, 1},
                           {4, 5}, {1, 4}, {0, 64}, {0, 4}, {0, 1}, {1, 1}}; // one value of 1 bit
    const Fields complete = {{0, 1}, {0, 1}, {4, 5}, {4, 5}, {0, 4}};
    for (int absent = 0; absent < 8; ++absent)
    {
        const std::vector<unsigned char> setup = SetupHeader(
            {Codebook(1, absent, {{0, 1}, {1, 1}, {0, absent}, {0, 4}}), Codebook(2, 5, ordered),
             Codebook(19, 3, sparse), Codebook(1, 2, complete)});
        for (std::size_t cut = 0; cut < setup.size(); ++cut)
        {
            ASSERT_FALSE(Fits(OggFile(CommentHeader(), setup, cut))) << absent << " " << cut;
        }
        EXPECT_TRUE(Fits(OggFile(CommentHeader(), setup, setup.size()))) << absent;
    }
    // Each with what it fits and what it does not: a table of values of up to 2^31 bytes; lengths
    // in order up to 31 bits, in runs no longer than the entries left; r + 2 to the power of the
    // dimensions within an int, r the values per dimension (1 for 3 entries); entries only with
    // dimensions; lookup types 0..2.
    const std::uint64_t most = (1u << 24) - 1;
    for (const auto& [fits, refused] : {
             std::pair{Codebook(32, most, {{1, 1}, {0, 5}, {most, 24}, {0, 4}}),
                       Codebook(33, most, {{1, 1}, {0, 5}, {most, 24}, {0, 4}})},
             {Codebook(1, 2, {{1, 1}, {29, 5}, {1, 2}, {1, 1}, {0, 4}}),
              Codebook(1, 2, {{1, 1}, {30, 5}, {1, 2}, {1, 1}, {0, 4}})},
             {Codebook(1, 2, {{1, 1}, {0, 5}, {2, 2}, {0, 4}}),
              Codebook(1, 2, {{1, 1}, {0, 5}, {3, 2}, {0, 4}})},
             {Codebook(19, 3, sparse), Codebook(20, 3, sparse)},
             {Codebook(1, 1, {{0, 1}, {0, 1}, {4, 5}, {0, 4}}),
              Codebook(0, 1, {{0, 1}, {0, 1}, {4, 5}, {0, 4}})},
             {Codebook(1, 2,
                       {{0, 1}, {0, 1}, {4, 5}, {4, 5}, {2, 4}, {0, 64}, {0, 4}, {0, 1}, {0, 2}}),
              Codebook(1, 2,
                       {{0, 1}, {0, 1}, {4, 5}, {4, 5}, {3, 4}, {0, 64}, {0, 4}, {0, 1}, {0, 2}})},
         })
    {
        for (const bool fit : {true, false})
        {
            const std::vector<unsigned char> setup = SetupHeader({fit ? fits : refused});
            EXPECT_EQ(Fits(OggFile(CommentHeader(), setup, setup.size())), fit) << setup.size();
        }
    }
}
