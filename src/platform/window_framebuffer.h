// The picture the window shows: width x height, rows top-down, bytes blue, green, red. Copies
// come from any thread; the backend shows it on the main thread when it changed.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/platform.h"

namespace textreel {

class WindowFramebuffer {
  public:
    void Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Copies the w x h rectangle at (sx, sy) of source (top-down coordinates) to (dx, dy), clipped
    // to both pictures. Returns true when the picture had no unshown change before this copy.
    bool Blit(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy);
    // Scales the whole source into the destination rectangle (nearest pixel), clipped. Returns
    // true when the picture had no unshown change before this copy.
    bool Stretch(const PixelView& source, int dx, int dy, int dw, int dh);

    // Sets or (without pixels) removes an overlay layer, drawn above the picture when it is shown.
    void SetOverlay(int layer, OverlayImage image);
    bool HasOverlays();

    // A copy as rows top-down, bytes red, green, blue, with the overlays drawn in.
    void ReadRgb(std::vector<uint8_t>& rgb, int& width, int& height);

    // Runs f(pixels, pitch) under the lock, with the overlays drawn in, when the picture changed
    // since the last call; returns whether it ran.
    template <typename F>
    bool TakeIfChanged(F&& f) {
        if (!changed_.exchange(false)) {
            return false;
        }
        std::lock_guard lock(mutex_);
        f(ComposedLocked(), width_ * 3);
        return true;
    }
    void MarkChanged() { changed_ = true; }

  private:
    // The picture with the overlays over it (the picture itself when there are none).
    const uint8_t* ComposedLocked();

    std::map<int, OverlayImage> overlays_;
    std::vector<uint8_t> composed_;
    std::mutex mutex_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
    std::atomic<bool> changed_{false};
};

}  // namespace textreel
