// Feeds arbitrary bytes to the streamer's file input (the Ogg Vorbis decoder, or the WAV reader
// for what is not Ogg) and fills buffers from it as the streamer does, looping and once, with a
// fade: no crash, no endless loop, and every buffer holds whole samples within its size.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/ogg_streamer.h"
#include "sound/pcm_source.h"

namespace {

void Play(textreel::PcmSource& source, bool playOnce, int fadeRate) {
    textreel::FillSettings settings;
    settings.playOnce = playOnce;
    settings.volume = 100;
    settings.fadeRate = fadeRate;
    std::vector<char> buffer(textreel::OggStreamer::kBufferBytes);
    // A looping stream never ends by itself; a few buffers show whether it keeps making progress.
    for (int i = 0; i < 8; ++i) {
        textreel::FillResult r = textreel::FillBuffer(source, settings, buffer.data(), buffer.size());
        if (r.bytes > buffer.size() || r.bytes % 2 != 0) {
            std::abort();
        }
        if (r.last) {
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    bool ogg = size >= 4 && bytes[0] == 'O' && bytes[1] == 'g' && bytes[2] == 'g' && bytes[3] == 'S';
    for (int pass = 0; pass < 2; ++pass) {
        std::unique_ptr<textreel::PcmSource> source =
            ogg ? textreel::OpenOggSource(bytes) : textreel::OpenWavSource(bytes);
        if (source == nullptr) {
            return 0;
        }
        if (source->Channels() < 1 || source->Rate() <= 0) {
            std::abort();
        }
        Play(*source, pass == 0, pass == 0 ? textreel::OggStreamer::kNoFade : 7);
    }
    return 0;
}
