// Decoding of PNG pictures (backgrounds, sprites, masked pictures, the save and load screens) and
// their conversion into the engine's pixel format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/surface.h"

namespace textreel {

// A decoded picture: rows top-down, 3 bytes per pixel in the order red, green, blue, packed.
struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// kNotPng: the first 4 bytes are not the PNG signature. kDamaged: the decoder failed (a truncated
// or corrupt file, a picture larger than 16384 on a side or 256 MiB of pixels, memory exhausted).
enum class PngResult { kOk, kMissing, kNotPng, kDamaged };

// Every colour type and bit depth is turned into 8-bit RGB: palettes and grey are expanded, 16-bit
// samples cut to 8 bits, alpha dropped (a transparent pixel shows its stored colour); interlaced
// files decode too. Gamma: the file's gAMA when it has one, otherwise 0.5, corrected for a screen
// gamma of 2.2, so a file marked 1/2.2 passes through unchanged. On failure out is left untouched.
PngResult DecodePng(const uint8_t* data, size_t size, DecodedPng& out);

// Reads the file at realPath (already resolved) and decodes it; kMissing when it cannot be read.
PngResult LoadPng(const std::string& realPath, DecodedPng& out);

// Fills target with a full-screen picture: screen row y shows picture row y, red and blue swapped
// into the engine's blue-green-red order. A picture larger than target shows its top-left part; one
// that is smaller is drawn at the top-left and the rest of target is black.
void ConvertToScreen(const DecodedPng& png, Surface& target);

// The whole picture as a surface (sprites and masked pictures).
Surface ToSurface(const DecodedPng& png);

}  // namespace textreel
