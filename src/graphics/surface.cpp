#include "graphics/surface.h"

#include "platform/clip.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace textreel {

namespace {

// Pixels from the C allocator, so that a zero-filled picture takes the kernel's zero pages (calloc
// of a large block neither writes nor touches it) and costs no memory until it is drawn on.
std::shared_ptr<uint8_t[]> Allocate(size_t size, bool zeroed) {
    void* memory = zeroed ? std::calloc(size, 1) : std::malloc(size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return std::shared_ptr<uint8_t[]>(static_cast<uint8_t*>(memory), [](uint8_t* p) { std::free(p); });
}

}  // namespace

void Surface::Create(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    stride_ = RowStride(width_);
    pixels_.reset();
    size_ = static_cast<size_t>(stride_) * height_;
    if (size_ > 0) {
        try {
            pixels_ = Allocate(size_, true);
        } catch (...) {
            width_ = height_ = stride_ = 0;
            size_ = 0;
            throw;
        }
    }
}

void Surface::Release() {
    width_ = height_ = stride_ = 0;
    size_ = 0;
    pixels_.reset();
}

void Surface::Own() {
    if (pixels_ && pixels_.use_count() > 1) {
        std::shared_ptr<uint8_t[]> own = Allocate(size_, false);
        std::memcpy(own.get(), pixels_.get(), size_);
        pixels_ = std::move(own);
    }
}

bool Surface::GetPixel(int x, int y, uint32_t& colour) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return false;
    }
    const uint8_t* p = RowTop(y) + static_cast<size_t>(x) * 3;
    colour = static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[1]) << 8) |
             (static_cast<uint32_t>(p[0]) << 16);
    return true;
}

void Surface::SetPixel(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    uint8_t* p = RowTop(y) + static_cast<size_t>(x) * 3;
    p[0] = static_cast<uint8_t>(colour >> 16);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour);
}

void Surface::FillRect(int x, int y, int w, int h, uint32_t colour) {
    int x0 = std::max(x, 0);
    int y0 = std::max(y, 0);
    int x1 = std::min(x + w, width_);
    int y1 = std::min(y + h, height_);
    for (int row = y0; row < y1; ++row) {
        uint8_t* p = RowTop(row) + static_cast<size_t>(x0) * 3;
        for (int col = x0; col < x1; ++col, p += 3) {
            p[0] = static_cast<uint8_t>(colour >> 16);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour);
        }
    }
}

void CopyRect(const Surface& source, int sx, int sy, int w, int h, Surface& destination, int dx, int dy) {
    if (!ClipCopy(sx, sy, w, h, dx, dy, source.Width(), source.Height(), destination.Width(),
                  destination.Height())) {
        return;
    }
    for (int row = 0; row < h; ++row) {
        std::memmove(destination.RowTop(dy + row) + static_cast<size_t>(dx) * 3,
                     source.RowTop(sy + row) + static_cast<size_t>(sx) * 3, static_cast<size_t>(w) * 3);
    }
}

void CopyWhole(const Surface& source, Surface& destination) {
    if (source.Width() == destination.Width() && source.Height() == destination.Height()) {
        destination.pixels_ = source.pixels_;
        return;
    }
    CopyRect(source, 0, 0, source.Width(), source.Height(), destination, 0, 0);
}

void OverwriteWhole(const Surface& source, Surface& destination) {
    if (source.SharesPixelsWith(destination)) {
        return;
    }
    if (source.ByteSize() == destination.ByteSize() && source.Width() == destination.Width()) {
        std::memcpy(destination.Pixels(), source.ReadPixels(), source.ByteSize());
        return;
    }
    CopyRect(source, 0, 0, source.Width(), source.Height(), destination, 0, 0);
}

}  // namespace textreel
