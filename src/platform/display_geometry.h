// Where the game picture goes in a window or on a display, and how a pointer position there maps
// back to game pixels. Shared by the backends so that they agree to the pixel.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/platform.h"

namespace textreel {

constexpr int kMaxWindowScale = 8;

// The largest integer scale (1..kMaxWindowScale) at which a game x game picture fits in the
// usable area; 1 when even that does not fit.
inline int AutomaticScale(int gameWidth, int gameHeight, int usableWidth, int usableHeight) {
    if (gameWidth <= 0 || gameHeight <= 0) {
        return 1;
    }
    int scale = std::min(usableWidth / gameWidth, usableHeight / gameHeight);
    return std::clamp(scale, 1, kMaxWindowScale);
}

// The picture scaled to fit the output with its aspect kept and centred: black bars fill the rest.
// A smaller output scales the picture down.
inline Viewport FitPicture(int gameWidth, int gameHeight, int outputWidth, int outputHeight) {
    Viewport v;
    if (gameWidth <= 0 || gameHeight <= 0 || outputWidth <= 0 || outputHeight <= 0) {
        return v;
    }
    // Compare outputWidth / gameWidth with outputHeight / gameHeight without rounding.
    if (int64_t{outputWidth} * gameHeight <= int64_t{outputHeight} * gameWidth) {
        v.width = outputWidth;
        v.height = static_cast<int>(int64_t{gameHeight} * outputWidth / gameWidth);
    } else {
        v.height = outputHeight;
        v.width = static_cast<int>(int64_t{gameWidth} * outputHeight / gameHeight);
    }
    v.width = std::max(v.width, 1);
    v.height = std::max(v.height, 1);
    v.x = (outputWidth - v.width) / 2;
    v.y = (outputHeight - v.height) / 2;
    return v;
}

// An output pixel in game pixels; positions on the bars are clamped to the picture's edge.
inline void OutputToGame(const Viewport& v, int gameWidth, int gameHeight, int x, int y, int& gx, int& gy) {
    if (v.width <= 0 || v.height <= 0) {
        gx = x;
        gy = y;
        return;
    }
    int64_t px = (int64_t{x} - v.x) * gameWidth;
    int64_t py = (int64_t{y} - v.y) * gameHeight;
    // Floor division, so that the bar left of the picture does not round onto column 0 twice.
    auto floorDiv = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    gx = static_cast<int>(std::clamp<int64_t>(floorDiv(px, v.width), 0, gameWidth - 1));
    gy = static_cast<int>(std::clamp<int64_t>(floorDiv(py, v.height), 0, gameHeight - 1));
}

// A game-pixel rectangle in output pixels (for the input method's candidate list).
inline Viewport GameToOutput(const Viewport& v, int gameWidth, int gameHeight, const Viewport& r) {
    Viewport out;
    if (gameWidth <= 0 || gameHeight <= 0) {
        return out;
    }
    out.x = v.x + static_cast<int>(int64_t{r.x} * v.width / gameWidth);
    out.y = v.y + static_cast<int>(int64_t{r.y} * v.height / gameHeight);
    out.width = static_cast<int>(int64_t{r.width} * v.width / gameWidth);
    out.height = static_cast<int>(int64_t{r.height} * v.height / gameHeight);
    return out;
}

// The window's state for a game picture, a windowed scale and a display (both sizes in pixels).
inline DisplayInfo ComputeDisplay(int gameWidth, int gameHeight, int scale, bool fullscreen, int displayWidth,
                                  int displayHeight) {
    DisplayInfo d;
    d.fullscreen = fullscreen;
    d.scale = std::clamp(scale, 1, kMaxWindowScale);
    if (fullscreen && displayWidth > 0 && displayHeight > 0) {
        d.outputWidth = displayWidth;
        d.outputHeight = displayHeight;
    } else {
        d.outputWidth = gameWidth * d.scale;
        d.outputHeight = gameHeight * d.scale;
    }
    d.picture = FitPicture(gameWidth, gameHeight, d.outputWidth, d.outputHeight);
    return d;
}

}  // namespace textreel
