// The host's frames for a friend: choosing between a whole frame, a delta and nothing.
#include "net/frame_stream.h"

#include <cstring>

namespace
{
int Remember(FrameStream& stream, const unsigned char* message, int size, unsigned now)
{
    std::memcpy(stream.last, message, static_cast<std::size_t>(size));
    stream.lastSize = size;
    stream.sentSince = now;
    return size;
}
} // namespace

void RestartFrameStream(FrameStream& stream)
{
    stream.wholeWanted = true;
    stream.lastSize = 0;
}

int NextFrameMessage(FrameStream& stream, const unsigned char* cells, unsigned now,
                     unsigned char* out)
{
    if (!stream.wholeWanted && now - stream.wholeSince < WholeFrameEveryMs)
    {
        const int size = EncodeDelta(stream.number, stream.base, cells, out);
        if ((size - FrameHeaderBytes) * 2 <= stream.wholeSize - FrameHeaderBytes)
        {
            const bool same = size == stream.lastSize && std::memcmp(out, stream.last, size) == 0;
            if (same && now - stream.sentSince < RepeatFrameMs)
            {
                return 0; // the friend has it
            }
            return Remember(stream, out, size, now);
        }
    }
    stream.number = (stream.number + 1) % FrameNumbers;
    const int size = EncodeFrame(stream.number, cells, out);
    std::memcpy(stream.base, cells, CanvasCells);
    stream.wholeWanted = false;
    stream.wholeSize = size;
    stream.wholeSince = now;
    return Remember(stream, out, size, now);
}
