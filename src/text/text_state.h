// The text state: where message text goes, the font settings and the wait icon.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace textreel {

struct TextPoint {
    std::atomic<int32_t> x{0};
    std::atomic<int32_t> y{0};
    void Set(int32_t nx, int32_t ny) {
        x = nx;
        y = ny;
    }
    void Set(const TextPoint& other) { Set(other.x.load(), other.y.load()); }
};

// A row of a message line as drawn: its cells and a digest of their pixels right after drawing, so
// that a later line over the same cells can tell whether that text is still on the page.
struct InkedRow {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;   // exclusive
    int32_t bottom = 0;  // exclusive
    uint64_t digest = 0;
    uint32_t readPos = 0;  // the scenario position of the line that drew it
};

struct TextState {
    TextPoint TextOrigin;
    TextPoint TextCursor;
    TextPoint LineEndCursor;
    // The message area rectangle and its stored copy (left, top, right, bottom).
    int32_t areaLeft = 40;
    int32_t areaTop = 325;
    int32_t areaRight = 780;
    int32_t areaBottom = 580;
    int32_t wrapLimit = 780;
    int32_t pageLimit = 580;

    std::atomic<int32_t> fontSize{21};
    std::atomic<uint32_t> fontColor{0xFFFFFF};

    // The wait icon: the frame its next step shows, and set while the step draws.
    std::atomic<int32_t> iconFrame{0};
    std::atomic<int32_t> iconBusy{0};
    // Skip mode shows the page at most once per display frame: the clock time of the next copy,
    // and set while the window lags behind the page (script thread only).
    std::atomic<int64_t> nextSkipCopyMs{0};
    std::atomic<int32_t> pageUnshown{0};
    // The backlog viewer: the index of the oldest line shown.
    std::atomic<int32_t> backlogPosition{0};
    // With word wrapping: the slot after the newest line shown.
    std::atomic<int32_t> backlogBottom{0};
    // The rows of text drawn since the page was last cleared, while a watcher observes the trace
    // (guarded by the graphics ScreenLock).
    std::vector<InkedRow> inkedRows;
};

}  // namespace textreel
