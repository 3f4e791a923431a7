#include "support/ogg_maker.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace textreel::testing {

std::vector<int16_t> Tone(int rate, int channels, int frames, double hz, int amplitude) {
    std::vector<int16_t> samples;
    samples.reserve(static_cast<size_t>(frames) * static_cast<size_t>(channels));
    for (int i = 0; i < frames; ++i) {
        auto v = static_cast<int16_t>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
        for (int c = 0; c < channels; ++c) {
            samples.push_back(v);
        }
    }
    return samples;
}

std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels,
                               const OggSettings& settings) {
    std::vector<uint8_t> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, settings.quality) != 0) {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    for (const auto& [tag, value] : settings.tags) {
        vorbis_comment_add_tag(&vc, tag.c_str(), value.c_str());
    }
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, settings.serial);
    auto append = [&](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    std::vector<unsigned char> comments;
    if (settings.emptyComments > 0) {
        // "\x03vorbis", an empty vendor, the count, a zero length per comment, the framing bit.
        comments = {3, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0};
        for (int i = 0; i < 4; ++i) {
            comments.push_back(static_cast<unsigned char>(settings.emptyComments >> (8 * i)));
        }
        comments.resize(comments.size() + size_t{settings.emptyComments} * 4, 0);
        comments.push_back(1);
        comment.packet = comments.data();
        comment.bytes = static_cast<long>(comments.size());
    }
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) {
        append(page);
    }
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min<size_t>(1024, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) {
                    buffer[c][i] =
                        samples[(done + i) * static_cast<size_t>(channels) + static_cast<size_t>(c)] /
                        32768.f;
                }
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    append(page);
                    if (ogg_page_eos(&page) != 0) {
                        eos = true;
                    }
                }
            }
        }
        if (n == 0 && !eos) {
            while (ogg_stream_flush(&os, &page) != 0) {
                append(page);
                eos = eos || ogg_page_eos(&page) != 0;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace textreel::testing
