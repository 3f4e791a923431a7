// The graphics state the engine owns: the surfaces, the working copy of the new picture, the
// user-interface parts and the picture settings.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "graphics/surface.h"

namespace textreel {

struct GraphicsState {
    // What the window shows; the new picture; the picture with the message window frame; the
    // picture without it; the button bar in its two states; the two wait-icon frames.
    Surface ScreenSurface;
    Surface BackSurface;
    Surface WindowLayer;
    Surface CleanBackground;
    Surface ButtonStrip;
    Surface WaitIconSurface;
    // The CPU copy of BackSurface's pixels; every picture command writes the new screen here first.
    Surface WorkPixels;

    // Held by whichever thread draws into the shared surfaces, for one drawing step at a time. It
    // is never held across a wait or a request to the main thread.
    std::recursive_mutex ScreenLock;

    bool created = false;
};

}  // namespace textreel
