// Mixing one voice over a stretch of frames: delays skipped, held square waves and samples
// mixed in bulk, everything else frame by frame with RenderVoice.
#include "audio/voice_runs.h"

#include "audio/sample_bank.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// Frame counts below this are exact as floats, so comparing whole counts decides the
// envelope's branches exactly as VoiceEnvelope's float comparisons do.
constexpr std::uint64_t ExactFrames = std::uint64_t{1} << 24;

// Gains up to this size keep every product of a 16-bit value finite.
constexpr float LargestGain = 1e30f;

// Four lanes, left and right of two frames, so that two frames take one pass of the
// processor's 128-bit arithmetic (the compiler's vector types; any target can lower them).
typedef float FloatLanes __attribute__((vector_size(16)));
typedef std::int32_t IntLanes __attribute__((vector_size(16)));
typedef std::int16_t SampleLanes __attribute__((vector_size(8)));

constexpr FloatLanes Lowest = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
constexpr FloatLanes Highest = {32767.0f, 32767.0f, 32767.0f, 32767.0f};

// TruncateSample on four finite lanes. Clamping first and then truncating gives what its
// branches give; when the gains keep every product strictly inside the 16-bit range the
// truncation alone does.
template<bool Clamp>
IntLanes TruncateLanes(FloatLanes value)
{
    if constexpr (Clamp)
    {
        value = value < Lowest ? Lowest : value;
        value = value > Highest ? Highest : value;
    }
    return __builtin_convertvector(value, IntLanes);
}

FloatLanes Floats(IntLanes value)
{
    return __builtin_convertvector(value, FloatLanes);
}

// One frame rendered by RenderVoice into the sums: dry as it is, the send share truncated.
void AddFrame(StereoFrame frame, float sendGain, WideFrame& dry, WideFrame& send)
{
    dry.left += frame.left;
    dry.right += frame.right;
    send.left += TruncateSample(static_cast<float>(frame.left) * sendGain);
    send.right += TruncateSample(static_cast<float>(frame.right) * sendGain);
}

// The plain rule, one RenderVoice per frame: the ramps and whatever else no stretch covers.
void MixFrameByFrame(Voice& voice, int count, WideFrame* dry, WideFrame* send)
{
    for (int i = 0; i < count; ++i)
    {
        AddFrame(RenderVoice(voice), voice.send, dry[i], send[i]);
    }
}

// The fixed gains of a sample at its level, in lanes.
struct SampleGains
{
    FloatLanes level; // the envelope's 1 times the volume
    bool panned;      // false: the pan leaves the frame as it is
    FloatLanes pan;   // left, right, left, right
    FloatLanes send;  // the echo share
};

// Two frames of a sample (lanes left, right, left, right) rendered and split into the dry
// frames and their send shares, exactly as RenderVoice and the send product take them.
template<bool Clamp>
void RenderSamplePair(SampleLanes source, const SampleGains& gains, IntLanes& dry, IntLanes& send)
{
    dry = TruncateLanes<Clamp>(Floats(__builtin_convertvector(source, IntLanes)) * gains.level);
    if (gains.panned)
    {
        dry = TruncateLanes<Clamp>(Floats(dry) * gains.pan);
    }
    send = TruncateLanes<Clamp>(Floats(dry) * gains.send);
}

// A sample at its level over count frames of source: a copy scaled by the level, the pan and
// the send, two frames at a time.
template<bool Clamp>
void MixSampleFrames(const StereoFrame* source, int count, const SampleGains& gains, WideFrame* dry,
                     WideFrame* send)
{
    IntLanes dryLanes;
    IntLanes sendLanes;
    int i = 0;
    for (; i + 2 <= count; i += 2)
    {
        SampleLanes pair;
        std::memcpy(&pair, source + i, sizeof(pair));
        RenderSamplePair<Clamp>(pair, gains, dryLanes, sendLanes);
        IntLanes sums;
        std::memcpy(&sums, dry + i, sizeof(sums));
        sums += dryLanes;
        std::memcpy(dry + i, &sums, sizeof(sums));
        std::memcpy(&sums, send + i, sizeof(sums));
        sums += sendLanes;
        std::memcpy(send + i, &sums, sizeof(sums));
    }
    if (i < count)
    {
        const SampleLanes last = {source[i].left, source[i].right, 0, 0};
        RenderSamplePair<Clamp>(last, gains, dryLanes, sendLanes);
        dry[i].left += dryLanes[0];
        dry[i].right += dryLanes[1];
        send[i].left += sendLanes[0];
        send[i].right += sendLanes[1];
    }
}

// A sample over its sustain, where the envelope is 1 and the level is the volume. Frames past
// the sample's end are silent: RenderVoice gives (0, 0), and pan and send keep it 0.
void MixSampleHeld(Voice& voice, int count, WideFrame* dry, WideFrame* send)
{
    const int bankIndex = voice.sound - FirstSampleSound;
    const std::uint32_t index = voice.position - voice.delay;
    const auto length = static_cast<std::uint32_t>(SampleLength(bankIndex));
    const int audible = index < length ? static_cast<int>(std::min<std::uint32_t>(
                                             static_cast<std::uint32_t>(count), length - index))
                                       : 0;
    const PanGains pan = PanLaw(voice.pan);
    const float level = voice.volume;
    const bool finite = std::fabs(level) <= LargestGain && std::fabs(voice.send) <= LargestGain &&
                        !std::isnan(pan.left) && !std::isnan(pan.right);
    if (audible == 0 || !finite)
    {
        MixFrameByFrame(voice, audible, dry, send); // broken gains: the plain rule
        voice.position += static_cast<std::uint32_t>(count - audible);
        return;
    }
    const SampleGains gains = {FloatLanes{level, level, level, level}, pan.panned,
                               FloatLanes{pan.left, pan.right, pan.left, pan.right},
                               FloatLanes{voice.send, voice.send, voice.send, voice.send}};
    // Below 0.999 of full scale after every gain, no product can reach the 16-bit limits.
    const double loudest =
        std::fabs(static_cast<double>(level)) * (pan.panned ? std::max(pan.left, pan.right) : 1.0f);
    const StereoFrame* source = SampleBank[bankIndex].frames + index;
    if (loudest < 0.999 && loudest * std::fabs(voice.send) < 0.999)
    {
        MixSampleFrames<false>(source, audible, gains, dry, send);
    }
    else
    {
        MixSampleFrames<true>(source, audible, gains, dry, send);
    }
    voice.position += static_cast<std::uint32_t>(count);
}

// A square wave over its sustain: the level is the volume, so every frame is one of two, the
// low or the high half of the period, rendered once here with the plain rule's functions.
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
    for (int i = 0; i < count; ++i)
    {
        const int half = SquareIsLow(hertz, voice.position) ? 0 : 1;
        dry[i].left += halfDry[half].left;
        dry[i].right += halfDry[half].right;
        send[i].left += halfSend[half].left;
        send[i].right += halfSend[half].right;
        ++voice.position;
    }
}
} // namespace

int MixVoiceRun(Voice& voice, int frameCount, WideFrame* dry, WideFrame* send)
{
    const std::uint64_t sounding = std::uint64_t{voice.attack} + voice.sustain + voice.release;
    const std::uint64_t length = voice.delay + sounding;
    if (length > 0xffffffffu || voice.position >= length)
    {
        // A length that wraps, or a voice already past its end: the plain rule, checking the
        // end after every frame.
        int rendered = 0;
        do
        {
            AddFrame(RenderVoice(voice), voice.send, dry[rendered], send[rendered]);
            ++rendered;
        } while (rendered < frameCount && voice.position < VoiceLength(voice));
        return rendered;
    }
    const int frames = static_cast<int>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(frameCount), length - voice.position));
    int done = 0;
    while (done < frames)
    {
        const std::uint32_t left = static_cast<std::uint32_t>(frames - done);
        if (voice.position < voice.delay)
        {
            const std::uint32_t silent = std::min(left, voice.delay - voice.position);
            voice.position += silent; // the delay adds nothing to the sums
            done += static_cast<int>(silent);
            continue;
        }
        WideFrame* const stretchDry = dry + done;
        WideFrame* const stretchSend = send + done;
        if (sounding >= ExactFrames)
        {
            MixFrameByFrame(voice, static_cast<int>(left), stretchDry, stretchSend);
            break;
        }
        // Here position < length, so t < attack + sustain + release < 2^24.
        const std::uint32_t t = voice.position - voice.delay;
        const std::uint32_t held = voice.attack + voice.sustain;
        if (t < voice.attack || t >= held)
        {
            const std::uint32_t rampEnd = t < voice.attack ? voice.attack : held + voice.release;
            const std::uint32_t ramp = std::min(left, rampEnd - t);
            MixFrameByFrame(voice, static_cast<int>(ramp), stretchDry, stretchSend);
            done += static_cast<int>(ramp);
            continue;
        }
        const int stretch = static_cast<int>(std::min(left, held - t));
        if (voice.sound >= FirstSampleSound)
        {
            MixSampleHeld(voice, stretch, stretchDry, stretchSend);
        }
        else if (voice.sound == SoundSquare)
        {
            MixSquareHeld(voice, stretch, stretchDry, stretchSend);
        }
        else
        {
            voice.position += static_cast<std::uint32_t>(stretch); // no such sound: silence
        }
        done += stretch;
    }
    return frames;
}
