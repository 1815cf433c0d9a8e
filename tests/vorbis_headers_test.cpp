// Tests of the header checks: headers read across pages, and cuts, counts or lengths that
// promise more than the file holds are refused before the decoder sees them. That the real
// files pass is shown by the sample bank's tests.
#include "audio/vorbis_headers.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>
#include <string>
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
