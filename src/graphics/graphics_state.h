// The graphics state the engine owns: the surfaces, the working copy of the new picture, the
// user-interface parts and the picture settings.
#pragma once

#include <atomic>
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

    // The user-interface parts loaded by `windowopen`: the button parts (1280 x 44: the bar's two
    // states with their mask) and the wait icon (64 x 64: two frames with their mask). Empty
    // pictures draw nothing; a failed load keeps what was there.
    Surface buttonParts;
    Surface waitIcon;

    // The picture settings of the script commands.
    std::atomic<int32_t> brightness{30};    // subtracted from each channel under the message window
    std::atomic<int32_t> spriteAlpha{255};  // sprite opacity
    std::atomic<int32_t> alphaDepth{64};    // steps of the cross-fade
    std::atomic<int32_t> effectNumber{0};   // the transition of the next picture change
    std::string maskName;                   // the mask picture of the mask fade (script thread only)

    // Held by whichever thread draws into the shared surfaces, for one drawing step at a time. It
    // is never held across a wait or a request to the main thread.
    std::recursive_mutex ScreenLock;

    bool created = false;
};

}  // namespace textreel
