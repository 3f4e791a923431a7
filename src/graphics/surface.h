// A Surface is a picture in the engine's pixel format: 24 bits per pixel, bytes blue, green, red,
// rows bottom-up (the first row in memory is the bottom row), each row padded to 4 bytes.
// Coordinates given to its operations are top-down, as on the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace textreel {

// Bytes of one padded row of a 24-bit picture of the given width.
constexpr int RowStride(int width) {
    return (width * 3 + 3) & ~3;
}

class Surface {
  public:
    Surface() = default;
    Surface(int width, int height) { Create(width, height); }

    // Makes a black picture of width x height (sizes below 0 count as 0).
    void Create(int width, int height);
    void Release();

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    bool Empty() const { return pixels_.empty(); }

    uint8_t* Pixels() { return pixels_.data(); }
    const uint8_t* Pixels() const { return pixels_.data(); }
    size_t ByteSize() const { return pixels_.size(); }

    // The first byte of the row that is y rows from the top.
    uint8_t* RowTop(int y) { return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * stride_; }
    const uint8_t* RowTop(int y) const {
        return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * stride_;
    }

    PixelView View() const { return PixelView{pixels_.data(), width_, height_, stride_}; }

    // Pixel access in 0x00BBGGRR colour values; reads outside give false, writes outside do nothing.
    bool GetPixel(int x, int y, uint32_t& colour) const;
    void SetPixel(int x, int y, uint32_t colour);

    // Fills a rectangle (clipped) with a 0x00BBGGRR colour.
    void FillRect(int x, int y, int w, int h, uint32_t colour);

  private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<uint8_t> pixels_;
};

// Copies the w x h rectangle at (sx, sy) of source to (dx, dy) of destination, clipped against
// both pictures: pixels that fall outside either are not copied. Source and destination may be
// the same surface only when the rectangles do not overlap.
void CopyRect(const Surface& source, int sx, int sy, int w, int h, Surface& destination, int dx, int dy);

// Copies the whole of source over the whole of destination (sizes must match; otherwise the
// common top-left area is copied).
void CopyWhole(const Surface& source, Surface& destination);

}  // namespace textreel
