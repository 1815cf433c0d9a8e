// The square wave over a stretch of frames: held at its level a half period at a time, on a
// ramp four frames at a time.
#include "audio/square_runs.h"

#include "audio/mix_steps.h"

namespace
{
// How many frames from position on, at most limit, the square wave stays in the half of its
// period it is in: the count hertz * position % SampleRate climbs by hertz a frame until it
// reaches the end of the half, as long as the 32-bit product does not wrap. At least 1.
std::uint32_t FramesInHalf(std::uint32_t hertz, std::uint32_t position, std::uint32_t limit)
{
    if (hertz == 0)
    {
        return limit; // a constant phase
    }
    const std::uint32_t product = hertz * position;
    const std::uint32_t cycle = product % SampleRate;
    const std::uint32_t halfEnd = cycle < SampleRate / 2 ? SampleRate / 2 : SampleRate;
    const std::uint64_t beforeEnd = (std::uint64_t{halfEnd} - cycle + hertz - 1) / hertz;
    const std::uint64_t beforeWrap = (0xffffffffu - product) / hertz + 1;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>({limit, beforeEnd, beforeWrap}));
}

// Adds one fixed frame to each of count sums, two sums at a time.
void AddFixedFrame(WideFrame* sums, WideFrame frame, int count)
{
    const IntLanes twice = {frame.left, frame.right, frame.left, frame.right};
    int i = 0;
    for (; i + 2 <= count; i += 2)
    {
        AddToPair(sums + i, twice);
    }
    if (i < count)
    {
        sums[i].left += frame.left;
        sums[i].right += frame.right;
    }
}

} // namespace

void MixSquareHeld(Voice& voice, int count, WideFrame* dry, WideFrame* send)
{
    const float level = voice.volume;
    if (!(level > 0.0f))
    {
        voice.position += static_cast<std::uint32_t>(count); // RenderVoice's silence
        return;
    }
    WideFrame halfDry[2];
    WideFrame halfSend[2];
    for (int half = 0; half < 2; ++half)
    {
        const std::int16_t value = SquareValue(half == 0, level);
        const StereoFrame frame = ApplyPan({value, value}, voice.pan);
        halfDry[half] = {0, 0};
        halfSend[half] = {0, 0};
        AddFrame(frame, voice.send, halfDry[half], halfSend[half]);
    }
    const std::uint32_t hertz = WholeHertz(voice.frequency);
    int done = 0;
    while (done < count)
    {
        const int half = SquareIsLow(hertz, voice.position) ? 0 : 1;
        const auto same = static_cast<int>(
            FramesInHalf(hertz, voice.position, static_cast<std::uint32_t>(count - done)));
        AddFixedFrame(dry + done, halfDry[half], same);
        AddFixedFrame(send + done, halfSend[half], same);
        voice.position += static_cast<std::uint32_t>(same);
        done += same;
    }
}

namespace
{
// A square wave on a ramp of its envelope, frame by frame: RenderVoice's rule with the pan's
// gains and the oscillator's hertz worked out once.
template<bool Clamp>
void MixSquareRampFrames(Voice& voice, const PanGains& pan, int count, WideFrame* dry,
                         WideFrame* send)
{
    const std::uint32_t hertz = WholeHertz(voice.frequency);
    for (int i = 0; i < count; ++i)
    {
        const float level = VoiceEnvelope(voice) * voice.volume;
        if (level > 0.0f)
        {
            const std::int16_t value = SquareValue(SquareIsLow(hertz, voice.position), level);
            StereoFrame frame = {value, value};
            if (pan.panned)
            {
                frame = {TruncateValue<Clamp>(static_cast<float>(value) * pan.left),
                         TruncateValue<Clamp>(static_cast<float>(value) * pan.right)};
            }
            AddFrame<Clamp>(frame, voice.send, dry[i], send[i]);
        }
        ++voice.position; // a level of 0 or below is silence
    }
}

// Four frames of a square wave on a ramp, all in one half of its period (sign -1 in the low
// half, +1 in the high one): the four levels worked out lane by lane with VoiceEnvelope's
// single-precision steps, then for each frame RenderVoice's value, pan and send.
template<bool Clamp>
void MixSquareRampFour(const Voice& voice, const PanGains& pan, float sign, WideFrame* dry,
                       WideFrame* send)
{
    const float start = static_cast<float>(voice.position - voice.delay);
    const FloatLanes t =
        FloatLanes{start, start, start, start} + FloatLanes{0.0f, 1.0f, 2.0f, 3.0f};
    const auto attack = static_cast<float>(voice.attack);
    const auto sustain = static_cast<float>(voice.sustain);
    const auto release = static_cast<float>(voice.release);
    const FloatLanes envelope =
        start < attack ? t / attack : 1.0f - (t - attack - sustain) / release;
    const FloatLanes levels = envelope * voice.volume;
    IntLanes values = TruncateLanes<Clamp>(levels * (sign * 16383.0f));
    values = levels > 0.0f ? values : IntLanes{}; // a level of 0 or below is silence
    const FloatLanes panGains = {pan.left, pan.right, pan.left, pan.right};
    for (int pair = 0; pair < 2; ++pair)
    {
        IntLanes frames = pair == 0 ? __builtin_shufflevector(values, values, 0, 0, 1, 1)
                                    : __builtin_shufflevector(values, values, 2, 2, 3, 3);
        if (pan.panned)
        {
            frames = TruncateLanes<Clamp>(Floats(frames) * panGains);
        }
        AddToPair(dry + 2 * pair, frames);
        AddToPair(send + 2 * pair, TruncateLanes<Clamp>(Floats(frames) * voice.send));
    }
}

// A square wave on a ramp: four frames at a time within each half of its period, the few
// frames left over at the end of a half frame by frame.
template<bool Clamp>
void MixSquareRampHalves(Voice& voice, const PanGains& pan, int count, WideFrame* dry,
                         WideFrame* send)
{
    const std::uint32_t hertz = WholeHertz(voice.frequency);
    int done = 0;
    while (done < count)
    {
        const float sign = SquareIsLow(hertz, voice.position) ? -1.0f : 1.0f;
        const auto same = static_cast<int>(
            FramesInHalf(hertz, voice.position, static_cast<std::uint32_t>(count - done)));
        const int end = done + same;
        for (; done + 4 <= end; done += 4)
        {
            MixSquareRampFour<Clamp>(voice, pan, sign, dry + done, send + done);
            voice.position += 4;
        }
        MixSquareRampFrames<Clamp>(voice, pan, end - done, dry + done, send + done);
        done = end;
    }
}

} // namespace

void MixSquareRamp(Voice& voice, int count, WideFrame* dry, WideFrame* send)
{
    const PanGains pan = PanLaw(voice.pan);
    if (ClearOfLimits(16383.0, voice.volume, pan, voice.send))
    {
        MixSquareRampHalves<false>(voice, pan, count, dry, send);
    }
    else if (FitsLanes(voice.volume, pan, voice.send))
    {
        MixSquareRampHalves<true>(voice, pan, count, dry, send);
    }
    else
    {
        MixSquareRampFrames<true>(voice, pan, count, dry, send); // broken gains
    }
}
