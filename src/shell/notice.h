// A notice: one line of the engine's own drawn over the game for a moment ("quick save made"),
// without taking input or touching the engine's surfaces.
#pragma once

#include <cstdint>
#include <string>

namespace textreel {

class Engine;

struct NoticeState {
    // The platform layer the notice uses: below the dialogs and menus, above the game picture.
    static constexpr int kLayer = 90;
    static constexpr int64_t kShownMs = 1500;
    int64_t until = 0;  // clock time at which the notice goes; 0 while none shows
    std::string text;   // Shift-JIS, for the trace and tests
};

// Main thread: shows text (Shift-JIS) for kShownMs, replacing a notice that shows.
void ShowNotice(Engine& engine, const std::string& text);
// Main thread, at every tick: takes the notice away once its time is over.
void ExpireNotice(Engine& engine);

}  // namespace textreel
