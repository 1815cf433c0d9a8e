// Tests of the header checks: headers read across pages, and cuts, counts or lengths that
// promise more than the file holds are refused before the decoder sees them. That the real
// files pass is shown by the sample bank's tests.
#include "audio/vorbis_headers.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iterator>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace
{
const std::string Source = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/'));

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream file(Source + path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Fits(const std::vector<unsigned char>& bytes)
{
    return VorbisHeadersFit(bytes.data(), static_cast<int>(bytes.size()));
}

// Offset of the second page, which holds the comment and setup headers.
std::size_t SecondPage(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end()).find("OggS", 4);
}

// Offset of the comment header's vendor length: after the second page's header and lacing
// table, and the packet's type byte and "vorbis".
std::size_t VendorLengthAt(const std::vector<unsigned char>& bytes)
{
    const std::size_t page = SecondPage(bytes);
    return page + 27 + bytes[page + 26] + 7;
}

// The same file with its second page split in two at a segment boundary half way through,
// so the setup header goes on in a new page.
std::vector<unsigned char> SplitSecondPage(const std::vector<unsigned char>& bytes)
{
    const auto page = bytes.begin() + static_cast<std::ptrdiff_t>(SecondPage(bytes));
    const int segments = page[26], split = segments / 2;
    const auto lacing = page + 27, data = lacing + segments;
    const auto middle = data + std::accumulate(lacing, lacing + split, 0);
    std::vector<unsigned char> out(bytes.begin(), lacing);
    out.back() = static_cast<unsigned char>(split);
    out.insert(out.end(), lacing, lacing + split);
    out.insert(out.end(), data, middle);
    const std::size_t second = out.size();
    out.insert(out.end(), page, lacing);
    out[second + 5] |= 1; // continues the packet of the page before
    out.back() = static_cast<unsigned char>(segments - split);
    out.insert(out.end(), lacing + split, data);
    out.insert(out.end(), middle, bytes.end());
    return out;
}

// Fields of a header, each a value and its width in bits, packed lowest bit first.
using Fields = std::vector<std::pair<std::uint64_t, int>>;

// A codebook's start: its sync pattern, dimensions and entries.
Fields Codebook(std::uint64_t dimensions, std::uint64_t entries, const Fields& rest)
{
    Fields fields = {{0x564342, 24}, {dimensions, 16}, {entries, 24}};
    fields.insert(fields.end(), rest.begin(), rest.end());
    return fields;
}

// A setup header holding the codebooks, as packed bytes.
std::vector<unsigned char> SetupHeader(std::initializer_list<Fields> codebooks)
{
    std::vector<unsigned char> bytes = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    int bit = 0;
    const auto put = [&](std::uint64_t value, int width)
    {
        for (int i = 0; i < width; ++i, ++bit)
        {
            bytes.resize(7 + bit / 8 + 1);
            bytes.back() |= static_cast<unsigned char>(((value >> i) & 1) << (bit % 8));
        }
    };
    put(codebooks.size() - 1, 8);
    for (const Fields& codebook : codebooks)
    {
        for (const auto& [value, width] : codebook)
        {
            put(value, width);
        }
    }
    return bytes;
}

// An Ogg file of two pages: the identification header, then an empty comment header and the
// setup header, of which only the first cut bytes are kept.
std::vector<unsigned char> OggFile(const std::vector<unsigned char>& setup, std::size_t cut)
{
    std::vector<unsigned char> file;
    const auto page = [&file](std::initializer_list<std::vector<unsigned char>> packets)
    {
        std::vector<unsigned char> lacing, body;
        for (const std::vector<unsigned char>& packet : packets)
        {
            for (std::size_t left = packet.size();; left -= 255)
            {
                lacing.push_back(static_cast<unsigned char>(std::min<std::size_t>(left, 255)));
                if (left < 255)
                {
                    break;
                }
            }
            body.insert(body.end(), packet.begin(), packet.end());
        }
        const std::string header("OggS\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 26);
        file.insert(file.end(), header.begin(), header.end());
        file.push_back(static_cast<unsigned char>(lacing.size()));
        file.insert(file.end(), lacing.begin(), lacing.end());
        file.insert(file.end(), body.begin(), body.end());
    };
    std::vector<unsigned char> identification = {1, 'v', 'o', 'r', 'b', 'i', 's'};
    identification.resize(30);
    page({identification});
    page({{3, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, 0, 0, 0, 0, 1},
          {setup.begin(), setup.begin() + static_cast<std::ptrdiff_t>(cut)}});
    return file;
}
} // namespace

// Headers that go on in a new page are read on across it. A file cut inside its headers (also
// inside such a page), a vendor length or comment count beyond the comment packet, and a file
// that is not Ogg are refused.
TEST(VorbisHeaders, HeadersReadOnAcrossPagesAndThoseThatPromiseMoreThanTheFileHoldsAreRefused)
{
    const std::vector<unsigned char> split = SplitSecondPage(ReadFile("/data/audio/drum0.ogg"));
    EXPECT_TRUE(Fits(split));
    const auto newPage = std::string(split.begin(), split.end()).find("OggS", 60);
    // The setup header ends inside the new page.
    EXPECT_FALSE(Fits({split.begin(), split.begin() + newPage + 40}));

    const std::vector<unsigned char> whole = ReadFile("/data/audio/drum0.ogg");
    std::size_t firstFit = 0;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut)
    {
        const bool fits = Fits({whole.begin(), whole.begin() + cut});
        firstFit = fits && firstFit == 0 ? cut : firstFit;
        ASSERT_EQ(fits, firstFit != 0) << "a longer cut is refused again at " << cut;
    }
    EXPECT_GT(firstFit, VendorLengthAt(whole) + 100); // the setup header lies past the comments
    EXPECT_FALSE(Fits(ReadFile("/../dat/ms0.txt")) || VorbisHeadersFit(nullptr, 0));
    const std::size_t vendor = VendorLengthAt(whole);
    const unsigned vendorLength = whole[vendor] | whole[vendor + 1] << 8;
    for (std::size_t at : {vendor, vendor + 4 + vendorLength})
    {
        for (unsigned char top : {0x7f, 0xff})
        {
            std::vector<unsigned char> bad = whole;
            bad[at + 3] = top; // a vendor length or comment count of two billion or more
            EXPECT_FALSE(Fits(bad)) << at << " " << int{top};
        }
    }
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
            ASSERT_FALSE(Fits(OggFile(setup, cut))) << absent << " " << cut;
        }
        EXPECT_TRUE(Fits(OggFile(setup, setup.size()))) << absent;
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
            EXPECT_EQ(Fits(OggFile(setup, setup.size())), fit) << setup.size();
        }
    }
}
