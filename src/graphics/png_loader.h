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
// or corrupt file, memory exhausted). kTooLarge: the header declares a picture larger than the
// engine can use (a side over 8192, or more pixels than maxPixels), refused before any pixel is
// decoded; or the file is larger than kMaxPngFileBytes.
enum class PngResult { kOk, kMissing, kNotPng, kDamaged, kTooLarge };

constexpr int kMaxPngSide = 8192;
constexpr uint64_t kMaxPngFileBytes = uint64_t{64} << 20;
// No limit on the pixel count beyond the side limit.
constexpr uint64_t kAnyPixelCount = 0;

// Every colour type and bit depth is turned into 8-bit RGB: palettes and grey are expanded, 16-bit
// samples cut to 8 bits, alpha dropped (a transparent pixel shows its stored colour); interlaced
// files decode too. Gamma: the file's gAMA when it has one, otherwise 0.5, corrected for a screen
// gamma of 2.2, so a file marked 1/2.2 passes through unchanged. On failure out is left untouched.
PngResult DecodePng(const uint8_t* data, size_t size, DecodedPng& out, uint64_t maxPixels = kAnyPixelCount);

// Decodes the file at realPath (already resolved) as it is read, never holding it whole in memory;
// kMissing when it is not a regular file that can be opened.
PngResult LoadPng(const std::string& realPath, DecodedPng& out, uint64_t maxPixels = kAnyPixelCount);

// Fills target with a full-screen picture: screen row y shows picture row y, red and blue swapped
// into the engine's blue-green-red order. A picture larger than target shows its top-left part; one
// that is smaller is drawn at the top-left and the rest of target is black.
void ConvertToScreen(const DecodedPng& png, Surface& target);

// The whole picture as a surface (sprites and masked pictures).
Surface ToSurface(const DecodedPng& png);

}  // namespace textreel
