#include "platform/window_framebuffer.h"

#include "platform/clip.h"

#include <algorithm>
#include <cstring>

namespace textreel {

void WindowFramebuffer::Resize(int width, int height) {
    std::lock_guard lock(mutex_);
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
    ChangedLocked(0, 0, width_, height_);
    changed_ = true;
}

void WindowFramebuffer::MarkChanged() {
    std::lock_guard lock(mutex_);
    ChangedLocked(0, 0, width_, height_);
    changed_ = true;
}

void WindowFramebuffer::ChangedLocked(int x0, int y0, int x1, int y1) {
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    if (changedX0_ >= changedX1_) {
        changedX0_ = x0;
        changedY0_ = y0;
        changedX1_ = x1;
        changedY1_ = y1;
        return;
    }
    changedX0_ = std::min(changedX0_, x0);
    changedY0_ = std::min(changedY0_, y0);
    changedX1_ = std::max(changedX1_, x1);
    changedY1_ = std::max(changedY1_, y1);
}

WindowFramebuffer::Area WindowFramebuffer::TakeChangedAreaLocked() {
    Area area;
    if (changedX0_ < changedX1_ && changedY0_ < changedY1_) {
        area = Area{changedX0_, changedY0_, changedX1_ - changedX0_, changedY1_ - changedY0_};
    }
    changedX0_ = changedY0_ = changedX1_ = changedY1_ = 0;
    return area;
}

bool WindowFramebuffer::Blit(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) {
    if (source.pixels == nullptr || w <= 0 || h <= 0) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!ClipCopy(sx, sy, w, h, dx, dy, source.width, source.height, width_, height_)) {
        return false;
    }
    for (int row = 0; row < h; ++row) {
        const uint8_t* src = source.pixels +
                             static_cast<size_t>(source.height - 1 - (sy + row)) * source.stride +
                             static_cast<size_t>(sx) * 3;
        uint8_t* dst = pixels_.data() + (static_cast<size_t>(dy + row) * width_ + dx) * 3;
        std::memcpy(dst, src, static_cast<size_t>(w) * 3);
    }
    ChangedLocked(dx, dy, dx + w, dy + h);
    return !changed_.exchange(true);
}

bool WindowFramebuffer::Stretch(const PixelView& source, int dx, int dy, int dw, int dh) {
    if (source.pixels == nullptr || dw <= 0 || dh <= 0 || source.width <= 0 || source.height <= 0) {
        return false;
    }
    std::lock_guard lock(mutex_);
    int x0 = std::max(dx, 0);
    int y0 = std::max(dy, 0);
    int x1 = std::min(dx + dw, width_);
    int y1 = std::min(dy + dh, height_);
    for (int y = y0; y < y1; ++y) {
        int sy = static_cast<int>(static_cast<int64_t>(y - dy) * source.height / dh);
        const uint8_t* srcRow = source.pixels + static_cast<size_t>(source.height - 1 - sy) * source.stride;
        uint8_t* dst = pixels_.data() + (static_cast<size_t>(y) * width_ + x0) * 3;
        for (int x = x0; x < x1; ++x, dst += 3) {
            int sx = static_cast<int>(static_cast<int64_t>(x - dx) * source.width / dw);
            std::memcpy(dst, srcRow + static_cast<size_t>(sx) * 3, 3);
        }
    }
    ChangedLocked(x0, y0, x1, y1);
    return !changed_.exchange(true);
}

void WindowFramebuffer::SetOverlay(int layer, OverlayImage image) {
    {
        std::lock_guard lock(mutex_);
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
            overlays_.erase(layer);
        } else {
            overlays_[layer] = std::move(image);
        }
        ChangedLocked(0, 0, width_, height_);
    }
    changed_ = true;
}

bool WindowFramebuffer::HasOverlays() {
    std::lock_guard lock(mutex_);
    return !overlays_.empty();
}

const uint8_t* WindowFramebuffer::ComposedLocked() {
    if (overlays_.empty()) {
        return pixels_.data();
    }
    composed_ = pixels_;
    for (const auto& [layer, image] : overlays_) {
        int sx = 0;
        int sy = 0;
        int w = image.width;
        int h = image.height;
        int dx = image.x;
        int dy = image.y;
        if (!ClipCopy(sx, sy, w, h, dx, dy, image.width, image.height, width_, height_)) {
            continue;
        }
        for (int row = 0; row < h; ++row) {
            const uint32_t* src = image.pixels.data() + static_cast<size_t>(sy + row) * image.width + sx;
            uint8_t* dst = composed_.data() + (static_cast<size_t>(dy + row) * width_ + dx) * 3;
            for (int col = 0; col < w; ++col, dst += 3) {
                uint32_t p = src[col];
                uint32_t a = p >> 24;
                if (a == 0) {
                    continue;
                }
                uint32_t c[3] = {p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF};  // blue, green, red
                for (int k = 0; k < 3; ++k) {
                    dst[k] = static_cast<uint8_t>((c[k] * a + dst[k] * (255 - a) + 127) / 255);
                }
            }
        }
    }
    return composed_.data();
}

void WindowFramebuffer::ReadRgb(std::vector<uint8_t>& rgb, int& width, int& height) {
    std::lock_guard lock(mutex_);
    width = width_;
    height = height_;
    const uint8_t* pixels = ComposedLocked();
    rgb.resize(pixels_.size());
    for (size_t i = 0; i + 2 < pixels_.size(); i += 3) {
        rgb[i] = pixels[i + 2];
        rgb[i + 1] = pixels[i + 1];
        rgb[i + 2] = pixels[i];
    }
}

}  // namespace textreel
