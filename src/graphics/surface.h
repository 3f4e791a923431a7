// A Surface is a picture in the engine's pixel format: 24 bits per pixel, bytes blue, green, red,
// rows bottom-up (the first row in memory is the bottom row), each row padded to 4 bytes.
// Coordinates given to its operations are top-down, as on the screen.
//
// Copies share their pixels until one of them is written: the engine keeps several whole-screen
// pictures that are often the same (the new picture, the one without the message window, the
// working copy), and a shared copy costs no memory. Every non-const access to the pixels first
// makes this surface's own copy when another surface shares them, so a pointer taken for writing
// stays this surface's alone until the next copy into it. Read through a const Surface (or
// ReadPixels) to read without that copy. A fresh surface's black pixels are the kernel's zero
// pages until it is drawn on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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

    // Makes a black picture of width x height (sizes below 0 count as 0). Throws std::bad_alloc
    // when the memory cannot be had.
    void Create(int width, int height);
    void Release();

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    bool Empty() const { return size_ == 0; }

    uint8_t* Pixels() {
        Own();
        return pixels_.get();
    }
    const uint8_t* Pixels() const { return pixels_.get(); }
    const uint8_t* ReadPixels() const { return pixels_.get(); }
    size_t ByteSize() const { return size_; }

    // The first byte of the row that is y rows from the top.
    uint8_t* RowTop(int y) { return Pixels() + static_cast<size_t>(height_ - 1 - y) * stride_; }
    const uint8_t* RowTop(int y) const {
        return pixels_.get() + static_cast<size_t>(height_ - 1 - y) * stride_;
    }

    PixelView View() const { return PixelView{pixels_.get(), width_, height_, stride_}; }

    // Whether this surface and other show the same pixels without a copy between them.
    bool SharesPixelsWith(const Surface& other) const { return pixels_ && pixels_ == other.pixels_; }

    // Pixel access in 0x00BBGGRR colour values; reads outside give false, writes outside do nothing.
    bool GetPixel(int x, int y, uint32_t& colour) const;
    void SetPixel(int x, int y, uint32_t colour);

    // Fills a rectangle (clipped) with a 0x00BBGGRR colour.
    void FillRect(int x, int y, int w, int h, uint32_t colour);

  private:
    friend void CopyWhole(const Surface& source, Surface& destination);

    // Makes the pixels this surface's alone (a copy when another surface shares them).
    void Own();

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    size_t size_ = 0;
    std::shared_ptr<uint8_t[]> pixels_;
};

// Copies the w x h rectangle at (sx, sy) of source to (dx, dy) of destination, clipped against
// both pictures: pixels that fall outside either are not copied. Source and destination may be
// the same surface only when the rectangles do not overlap.
void CopyRect(const Surface& source, int sx, int sy, int w, int h, Surface& destination, int dx, int dy);

// Copies the whole of source over the whole of destination (sizes must match; otherwise the
// common top-left area is copied). Same-sized surfaces then share the pixels until either is
// written.
void CopyWhole(const Surface& source, Surface& destination);

// Writes the whole of source into destination's own pixels, as CopyWhole but without sharing:
// for a picture rewritten at every step of an animation, so that each step does not make a new
// copy of the pixels the previous step shared.
void OverwriteWhole(const Surface& source, Surface& destination);

}  // namespace textreel
