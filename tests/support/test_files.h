// Files the tests write for the engine to read: 24-bit BMP pictures and 16-bit WAV sounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/surface.h"

namespace textreel::testing {

// The 14-byte file header and the 40-byte information header of an uncompressed bottom-up BMP of
// width x height pixels at `bits` per pixel; the caller appends the palette of `paletteColours`
// entries (four bytes each), then the rows from the bottom up, each padded to 4 bytes.
std::vector<uint8_t> BmpHeader(int width, int height, int bits, uint32_t paletteColours = 0);

// A 24-bit bottom-up BMP of the surface.
std::vector<uint8_t> MakeBmp(const Surface& picture);

// A masked picture of w x h drawn pixels: colour on the left, mask on the right (0 opaque, 255
// transparent).
Surface MakeMasked(int w, int h, uint32_t colour, uint8_t maskLevel);

// A PNG of width x height pixels of one colour (0x00BBGGRR), with the rectangles of paint in other
// colours (left, top, width, height, colour).
struct PaintRect {
    int x, y, w, h;
    uint32_t colour;
};
std::vector<uint8_t> MakePng(int width, int height, uint32_t colour,
                             const std::vector<PaintRect>& paint = {});

// Writes bytes to a file, making its folders.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A 16-bit PCM WAV of the samples (interleaved).
std::vector<uint8_t> MakeWav(int rate, int channels, const std::vector<int16_t>& samples);

}  // namespace textreel::testing
