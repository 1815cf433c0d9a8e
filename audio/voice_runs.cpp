// Mixing one voice over a stretch of frames: the stretches of its envelope found, delays
// skipped, held samples mixed two frames at a time, square waves left to square_runs, anything
// else frame by frame with RenderVoice.
#include "audio/voice_runs.h"

#include "audio/mix_steps.h"
#include "audio/sample_bank.h"
#include "audio/square_runs.h"

#include <algorithm>
#include <cmath>

namespace
{
// Frame counts below this are exact as floats, so comparing whole counts decides the
// envelope's branches exactly as VoiceEnvelope's float comparisons do.
constexpr std::uint64_t ExactFrames = std::uint64_t{1} << 24;

// The plain rule, one RenderVoice per frame: for what no stretch below covers.
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
void RenderSamplePair(IntLanes source, const SampleGains& gains, IntLanes& dry, IntLanes& send)
{
    dry = TruncateLanes<Clamp>(Floats(source) * gains.level);
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
        RenderSamplePair<Clamp>(LoadFramePair(source + i), gains, dryLanes, sendLanes);
        AddToPair(dry + i, dryLanes);
        AddToPair(send + i, sendLanes);
    }
    if (i < count)
    {
        RenderSamplePair<Clamp>(LoadFrame(source[i]), gains, dryLanes, sendLanes);
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
    if (audible == 0 || !FitsLanes(level, pan, voice.send))
    {
        MixFrameByFrame(voice, audible, dry, send); // broken gains: the plain rule
        voice.position += static_cast<std::uint32_t>(count - audible);
        return;
    }
    const SampleGains gains = {FloatLanes{level, level, level, level}, pan.panned,
                               FloatLanes{pan.left, pan.right, pan.left, pan.right},
                               FloatLanes{voice.send, voice.send, voice.send, voice.send}};
    const StereoFrame* source = SampleBank[bankIndex].frames + index;
    if (ClearOfLimits(32768.0, level, pan, voice.send))
    {
        MixSampleFrames<false>(source, audible, gains, dry, send);
    }
    else
    {
        MixSampleFrames<true>(source, audible, gains, dry, send);
    }
    voice.position += static_cast<std::uint32_t>(count);
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
            if (voice.sound == SoundSquare)
            {
                MixSquareRamp(voice, static_cast<int>(ramp), stretchDry, stretchSend);
            }
            else
            {
                MixFrameByFrame(voice, static_cast<int>(ramp), stretchDry, stretchSend);
            }
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
