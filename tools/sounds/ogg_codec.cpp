// Ogg Vorbis encoding with libvorbisenc and decoding with stb_vorbis, all in memory.
#include "tools/sounds/ogg_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stb_vorbis.h>
#include <vorbis/vorbisenc.h>

namespace
{

constexpr int FeedFrames = 1024; // frames handed to the encoder per call

void AppendPage(const ogg_page& page, std::vector<unsigned char>& bytes)
{
    bytes.insert(bytes.end(), page.header, page.header + page.header_len);
    bytes.insert(bytes.end(), page.body, page.body + page.body_len);
}

// Pulls every finished block out of the analyser and appends the pages it fills.
void DrainEncoder(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream,
                  std::vector<unsigned char>& bytes)
{
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1)
    {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1)
        {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page) != 0)
            {
                AppendPage(page, bytes);
            }
        }
    }
}

} // namespace

bool EncodeOgg(const SoundBuffer& sound, float quality, int serial,
               std::vector<unsigned char>& bytes)
{
    bytes.clear();
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, SynthRate, quality) != 0)
    {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet identification;
    ogg_packet comments;
    ogg_packet codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    ogg_page page;
    // The headers get pages of their own, so the audio starts on a fresh page.
    while (ogg_stream_flush(&stream, &page) != 0)
    {
        AppendPage(page, bytes);
    }

    const size_t frames = sound.left.size();
    for (size_t first = 0; first < frames; first += FeedFrames)
    {
        const size_t count = std::min<size_t>(FeedFrames, frames - first);
        float** input = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
        std::memcpy(input[0], sound.left.data() + first, count * sizeof(float));
        std::memcpy(input[1], sound.right.data() + first, count * sizeof(float));
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        DrainEncoder(dsp, block, stream, bytes);
    }
    vorbis_analysis_wrote(&dsp, 0); // end of stream: the last page carries the exact length
    DrainEncoder(dsp, block, stream, bytes);
    while (ogg_stream_flush(&stream, &page) != 0)
    {
        AppendPage(page, bytes);
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool DecodeOgg(const std::vector<unsigned char>& bytes, DecodedSound& sound)
{
    sound = DecodedSound{};
    int channels = 0;
    int rate = 0;
    short* output = nullptr;
    const int frames = stb_vorbis_decode_memory(bytes.data(), static_cast<int>(bytes.size()),
                                                &channels, &rate, &output);
    if (frames < 1 || output == nullptr)
    {
        std::free(output);
        return false; // not Vorbis, damaged, or empty
    }
    sound.samples.assign(output, output + static_cast<size_t>(frames) * channels);
    sound.frames = frames;
    sound.channels = channels;
    sound.rate = rate;
    std::free(output);
    return true;
}

float DecodedPeak(const DecodedSound& sound)
{
    int peak = 0;
    for (short sample : sound.samples)
    {
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return static_cast<float>(peak) / 32768.0f;
}
