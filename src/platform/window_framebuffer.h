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
    // Runs f(image) for every overlay that carries a picture at the output's resolution, in layer
    // order, under the lock.
    template <typename F>
    void ForEachSharpOverlay(F&& f) {
        std::lock_guard lock(mutex_);
        for (const auto& [layer, image] : overlays_) {
            if (image.sharpWidth > 0 && image.sharpHeight > 0 &&
                image.sharpPixels.size() ==
                    static_cast<size_t>(image.sharpWidth) * static_cast<size_t>(image.sharpHeight)) {
                f(image);
            }
        }
    }

    // A copy as rows top-down, bytes red, green, blue, with the overlays drawn in.
    void ReadRgb(std::vector<uint8_t>& rgb, int& width, int& height);

    // The part of the picture changed since it was last taken, in picture pixels.
    struct Area {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // Runs f(pixels, pitch, changed) under the lock, with the overlays drawn in, when the picture
    // changed since the last call; returns whether it ran. changed may be empty when a change
    // came between the flag and the lock and was taken with the one before.
    template <typename F>
    bool TakeIfChanged(F&& f) {
        if (!changed_.exchange(false)) {
            return false;
        }
        std::lock_guard lock(mutex_);
        const Area area = TakeChangedAreaLocked();
        f(ComposedLocked(), width_ * 3, area);
        return true;
    }
    // Counts the whole picture as changed.
    void MarkChanged();

  private:
    // The picture with the overlays over it (the picture itself when there are none).
    const uint8_t* ComposedLocked();
    // Adds a rectangle (already clipped to the picture) to the changed area.
    void ChangedLocked(int x0, int y0, int x1, int y1);
    Area TakeChangedAreaLocked();

    std::map<int, OverlayImage> overlays_;
    std::vector<uint8_t> composed_;
    std::mutex mutex_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
    // The changed area's bounds, x0 <= x < x1 and y0 <= y < y1; empty when x0 >= x1.
    int changedX0_ = 0;
    int changedY0_ = 0;
    int changedX1_ = 0;
    int changedY1_ = 0;
    std::atomic<bool> changed_{false};
};

}  // namespace textreel
