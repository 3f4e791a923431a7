// Files the tests write for the engine to read: 24-bit BMP pictures and 16-bit WAV sounds.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/surface.h"

namespace textreel::testing {

// A 24-bit bottom-up BMP of the surface.
std::vector<uint8_t> MakeBmp(const Surface& picture);

// A masked picture of w x h drawn pixels: colour on the left, mask on the right (0 opaque, 255
// transparent).
Surface MakeMasked(int w, int h, uint32_t colour, uint8_t maskLevel);

// A 16-bit PCM WAV of the samples (interleaved).
std::vector<uint8_t> MakeWav(int rate, int channels, const std::vector<int16_t>& samples);

}  // namespace textreel::testing
