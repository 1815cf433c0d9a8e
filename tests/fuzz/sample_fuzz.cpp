// Fuzz target: a sample file of any content decodes to a bounded sound or to none.
#include "audio/sample_bank.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
volatile std::int32_t Sink; // keeps the reads of every frame from being optimised out
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(MaxSampleFileBytes))
    {
        return 0; // the loader never reads a file this large
    }
    const Sample sample = DecodeSample(data, static_cast<int>(size));
    if (sample.length < 0 || sample.length > MaxSampleFrames ||
        (sample.length == 0) != (sample.frames == nullptr))
    {
        std::abort();
    }
    // Touch every frame, so a short buffer shows up as an overflow here and not in the mixer.
    std::int32_t sum = 0;
    for (std::int32_t k = 0; k < sample.length; ++k)
    {
        sum += sample.frames[k].left ^ sample.frames[k].right;
    }
    std::free(sample.frames);
    Sink = sum;
    return 0;
}
