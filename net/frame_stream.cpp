// The host's frames for a friend: choosing between a whole frame, a delta and nothing, and
// cutting them into pieces of whole bands.
#include "net/frame_stream.h"

#include <cstring>

namespace
{
constexpr unsigned AllBands = (1u << FrameBands) - 1;

// Adds the bands in mask of cells, packed over base (null: the background), as pieces of as
// many neighbouring bands as fit a message; counts their cells' bytes into cellBytes.
void AddBands(FramePieces& pieces, MessageKind kind, int number, unsigned mask,
              const unsigned char* base, const unsigned char* cells, int& cellBytes)
{
    int band = 0;
    while (band < FrameBands)
    {
        if ((mask & 1u << band) == 0)
        {
            ++band;
            continue;
        }
        const int first = band;
        int size = FrameHeaderBytes;
        while (band < FrameBands && (mask & 1u << band) != 0)
        {
            const int bytes = BandBytes(base, cells, band);
            if (band > first && size + bytes > MaxMessageBytes)
            {
                break; // the next piece takes it
            }
            size += bytes;
            ++band;
        }
        unsigned char* message = pieces.messages[pieces.count];
        const int written = EncodeBands(kind, number, first, band - first, base, cells, message);
        pieces.sizes[pieces.count++] = written;
        pieces.bytes += written;
        cellBytes += written - FrameHeaderBytes;
    }
}

bool SamePieces(const FramePieces& a, const FramePieces& b)
{
    if (a.count != b.count || a.bytes != b.bytes)
    {
        return false;
    }
    for (int n = 0; n < a.count; ++n)
    {
        if (a.sizes[n] != b.sizes[n] ||
            std::memcmp(a.messages[n], b.messages[n], static_cast<std::size_t>(a.sizes[n])) != 0)
        {
            return false;
        }
    }
    return true;
}

// Keeps the pieces from first on as the last sent, to tell whether the next are the same.
bool Remember(FrameStream& stream, const FramePieces& pieces, int first, unsigned now)
{
    FramePieces& last = stream.last;
    last.count = pieces.count - first;
    last.bytes = 0;
    for (int n = first; n < pieces.count; ++n)
    {
        last.sizes[n - first] = pieces.sizes[n];
        last.bytes += pieces.sizes[n];
        std::memcpy(last.messages[n - first], pieces.messages[n],
                    static_cast<std::size_t>(pieces.sizes[n]));
    }
    stream.sentSince = now;
    return true;
}
} // namespace

void RestartFrameStream(FrameStream& stream)
{
    stream.wholeWanted = true;
    stream.bandsWanted = 0;
    stream.last.count = 0;
}

void AskBandsAgain(FrameStream& stream, int number, unsigned bands)
{
    if (number == stream.number)
    {
        stream.bandsWanted |= bands & AllBands;
    }
    // Another number: an ask that crossed a newer whole frame, whose bands the friend asks
    // for in turn if it lacks them.
}

bool NextFrameMessages(FrameStream& stream, const unsigned char* cells, unsigned now,
                       FramePieces& pieces)
{
    pieces.count = 0;
    pieces.bytes = 0;
    if (!stream.wholeWanted && now - stream.wholeSince < WholeFrameEveryMs)
    {
        int askedBytes = 0, deltaBytes = 0;
        AddBands(pieces, KindFrame, stream.number, stream.bandsWanted, nullptr, stream.base,
                 askedBytes);
        const int asked = pieces.count;
        AddBands(pieces, KindDelta, stream.number, AllBands, stream.base, cells, deltaBytes);
        if (deltaBytes * 2 <= stream.wholeBytes)
        {
            if (asked == 0 && SamePieces(pieces, stream.last) &&
                now - stream.sentSince < RepeatFrameMs)
            {
                return false; // the friend has it
            }
            stream.bandsWanted = 0;
            return Remember(stream, pieces, asked, now);
        }
        pieces.count = 0;
        pieces.bytes = 0;
    }
    stream.number = (stream.number + 1) % FrameNumbers;
    stream.wholeBytes = 0;
    AddBands(pieces, KindFrame, stream.number, AllBands, nullptr, cells, stream.wholeBytes);
    std::memcpy(stream.base, cells, CanvasCells);
    stream.wholeWanted = false;
    stream.bandsWanted = 0;
    stream.wholeSince = now;
    return Remember(stream, pieces, 0, now);
}
