// Makes the hostile Ogg Vorbis files of bench/hostile_titles.sh: a real stream whose comment packet
// holds millions of empty comments, and a real stream of many channels.
//
//   make_hostile_sounds comments COUNT OUT.ogg
//   make_hostile_sounds channels COUNT SECONDS OUT.ogg
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;

bool WritePage(std::FILE* out, const ogg_page& page) {
    return std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out) ==
               static_cast<size_t>(page.header_len) &&
           std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out) ==
               static_cast<size_t>(page.body_len);
}

// A comment header of count empty comments: "\x03vorbis", the vendor, the count, a zero length
// per comment and the framing bit.
std::vector<unsigned char> CommentPacket(uint32_t count) {
    const std::string vendor = "textreel hostile";
    std::vector<unsigned char> p;
    p.reserve(7 + 4 + vendor.size() + 4 + size_t{count} * 4 + 1);
    auto put32 = [&p](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            p.push_back(static_cast<unsigned char>(v >> (8 * i)));
        }
    };
    p.push_back(3);
    p.insert(p.end(), {'v', 'o', 'r', 'b', 'i', 's'});
    put32(static_cast<uint32_t>(vendor.size()));
    p.insert(p.end(), vendor.begin(), vendor.end());
    put32(count);
    p.resize(p.size() + size_t{count} * 4, 0);
    p.push_back(1);
    return p;
}

// Encodes seconds of a quiet tone in channels channels; with comments > 0 its comment packet is
// replaced by one of that many empty comments.
int Make(const char* path, int channels, double seconds, uint32_t comments) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "make_hostile_sounds: cannot write %s\n", path);
        return 1;
    }
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, kRate, 0.1f) != 0) {
        std::fprintf(stderr, "make_hostile_sounds: the encoder refuses %d channels\n", channels);
        std::fclose(out);
        return 1;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 7);
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    std::vector<unsigned char> big;
    if (comments > 0) {
        big = CommentPacket(comments);
        comment.packet = big.data();
        comment.bytes = static_cast<long>(big.size());
    }
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    big.clear();
    big.shrink_to_fit();
    ogg_page page;
    bool ok = true;
    while (ok && ogg_stream_flush(&os, &page) != 0) {
        ok = WritePage(out, page);
    }
    const long frames = std::lround(seconds * kRate);
    long done = 0;
    bool eos = false;
    while (ok && !eos) {
        const long n = std::min<long>(1024, frames - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (int c = 0; c < channels; ++c) {
                for (long i = 0; i < n; ++i) {
                    buffer[c][i] =
                        0.05f * std::sin(2 * 3.14159265f * 440.0f * static_cast<float>(done + i) / kRate);
                }
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ok && ogg_stream_pageout(&os, &page) != 0) {
                    ok = WritePage(out, page);
                    eos = ogg_page_eos(&page) != 0;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "make_hostile_sounds: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: make_hostile_sounds comments COUNT OUT.ogg\n"
                 "       make_hostile_sounds channels COUNT SECONDS OUT.ogg\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "comments") == 0) {
        const long count = std::strtol(argv[2], nullptr, 10);
        if (count < 1 || count > 500000000) {
            return Usage();
        }
        return Make(argv[3], 1, 1.0, static_cast<uint32_t>(count));
    }
    if (argc == 5 && std::strcmp(argv[1], "channels") == 0) {
        const long channels = std::strtol(argv[2], nullptr, 10);
        const double seconds = std::strtod(argv[3], nullptr);
        if (channels < 1 || channels > 255 || !(seconds > 0 && seconds <= 600)) {
            return Usage();
        }
        return Make(argv[4], static_cast<int>(channels), seconds, 0);
    }
    return Usage();
}
