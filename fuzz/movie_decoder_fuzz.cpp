// Feeds arbitrary bytes to the movie decoder as the player uses it: open, a small picture size,
// then pictures (each converted into a buffer of exactly that size) and sound in turn until both
// streams end. No crash, no endless loop, a time for every piece, and sound in whole frames.
// A valid movie can be long, so one input decodes a bounded number of pieces and samples only.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "movie/movie_decoder.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kMaxSteps = 400;
// Large pictures cost in proportion to their size: a few big ones end the pictures as soon as many
// small ones would.
constexpr int64_t kMaxPixels = int64_t{16} << 20;
constexpr size_t kMaxSamples =
    size_t{textreel::MovieDecoder::kSoundRate} * 4 * textreel::MovieDecoder::kSoundChannels;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    std::unique_ptr<textreel::MovieDecoder> movie =
        textreel::MovieDecoder::OpenBytes(std::vector<uint8_t>(data, data + size), &error);
    if (movie == nullptr) {
        if (error.empty()) {
            std::abort();  // every refusal says why
        }
        return 0;
    }
    const textreel::MovieInfo& info = movie->Info();
    if (!info.hasPicture && !info.hasSound) {
        std::abort();
    }
    if (info.hasPicture &&
        (info.width <= 0 || info.height <= 0 || info.width > textreel::MovieDecoder::kMaxSide ||
         info.height > textreel::MovieDecoder::kMaxSide)) {
        std::abort();
    }
    if (!movie->SetPictureSize(kWidth, kHeight)) {
        return 0;
    }
    // One row padded past the picture's width, as a surface's pitch can be.
    constexpr int kStride = kWidth * 3 + 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(kStride) * kHeight);
    std::vector<int16_t> samples;
    bool pictureEnded = !info.hasPicture;
    bool soundEnded = !info.hasSound;
    size_t soundSamples = 0;
    int64_t pixelsDecoded = 0;
    for (int step = 0; step < kMaxSteps && (!pictureEnded || !soundEnded); ++step) {
        if (!pictureEnded) {
            int64_t t = -1;
            if (movie->NextPicture(t) == textreel::MovieDecoder::Result::kEnd) {
                pictureEnded = true;
            } else {
                if (t < 0) {
                    std::abort();
                }
                movie->ConvertPicture(pixels.data(), kStride);
                pixelsDecoded += int64_t{info.width} * info.height;
                if (pixelsDecoded > kMaxPixels) {
                    pictureEnded = true;
                }
            }
        }
        if (!soundEnded) {
            int64_t t = -1;
            size_t before = samples.size();
            if (movie->NextSound(samples, t) == textreel::MovieDecoder::Result::kEnd) {
                soundEnded = true;
            } else if (t < 0 || samples.size() <= before ||
                       (samples.size() - before) % textreel::MovieDecoder::kSoundChannels != 0) {
                std::abort();
            }
            soundSamples += samples.size();
            samples.clear();
            if (soundSamples > kMaxSamples) {
                soundEnded = true;
            }
        }
    }
    movie->DamagedPackets();
    return 0;
}
