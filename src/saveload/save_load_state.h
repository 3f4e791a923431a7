// What the save and load screens keep while one is open (main thread only).
#pragma once

#include <array>
#include <cstdint>

#include "graphics/surface.h"

namespace textreel {

struct SaveLoadState {
    // The pictures of BackSurface and WindowLayer from before the screen opened.
    Surface savedBack;
    Surface savedLayer;
    bool holding = false;
    int32_t previousUiState = 0;
    // Entry 0 is the return button, entries 1 to 12 the slots.
    std::array<bool, 13> active{};
};

}  // namespace textreel
