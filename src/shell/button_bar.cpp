#include "shell/button_bar.h"

#include <cstdint>

#include "graphics/screen.h"
#include "saveload/save_load_screen.h"
#include "shell/engine.h"
#include "sound/sound.h"

namespace textreel {

namespace {

constexpr int kBarTop = 578;
constexpr int kBarHeight = 22;
constexpr char kClickSound[] = "sound\\click.wav";
constexpr char kMoveSound[] = "sound\\move.wav";

enum Button { kSkip = 0, kSave = 1, kLoad = 2, kHide = 3, kButtonCount = 4 };

struct ButtonRect {
    int left, top, right, bottom;
    bool strictClick;  // the click test leaves out the edges
};

constexpr ButtonRect kButtons[kButtonCount] = {
    {33, 579, 138, 600, false},   // skip
    {352, 579, 457, 600, true},   // save
    {493, 579, 597, 600, true},   // load
    {174, 579, 278, 600, false},  // hide the message window
};

bool Inside(const ButtonRect& r, int x, int y) {
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

bool StrictlyInside(const ButtonRect& r, int x, int y) {
    return x > r.left && x < r.right && y > r.top && y < r.bottom;
}

// The pressed look for a moment, with the click sound.
void PressFeedback(Engine& e, int index) {
    const ButtonRect& r = kButtons[index];
    PlayInterfaceSound(e, kClickSound);
    GraphicsState& g = e.graphics;
    {
        std::lock_guard lock(g.ScreenLock);
        e.platform.BlitToWindow(g.ButtonStrip.View(), r.left, r.top - kBarTop + kBarHeight, r.right - r.left,
                                r.bottom - r.top, r.left, r.top);
    }
    e.SleepFor(70);
    std::lock_guard lock(g.ScreenLock);
    e.platform.BlitToWindow(g.WindowLayer.View(), r.left, r.top, r.right - r.left, r.bottom - r.top, r.left,
                            r.top);
}

}  // namespace

std::vector<FocusRect> ButtonBarFocusEntries() {
    std::vector<FocusRect> entries;
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonRect& r = kButtons[i];
        entries.push_back({r.left, r.top, r.right, r.bottom, i});
    }
    return entries;
}

bool ButtonBarClick(Engine& e, int xIn, int yIn) {
    if (e.MessageDrawn != 1) {
        return false;
    }
    // Click positions are taken as signed 16-bit values.
    int x = static_cast<int16_t>(xIn);
    int y = static_cast<int16_t>(yIn);
    int hit = -1;
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonRect& r = kButtons[i];
        if (r.strictClick ? StrictlyInside(r, x, y) : Inside(r, x, y)) {
            hit = i;
            break;
        }
    }
    bool visible = e.MessageVisible == 1;
    bool skipping = e.AdvanceMode == 1;
    bool busy = e.ScriptBusy != 0;
    switch (hit) {
        case kSkip:
            // Starting skip mode also lets the click advance the text.
            if (visible && !skipping && e.UiState == 0) {
                PressFeedback(e, kSkip);
                e.StartSkipMode();
            }
            return false;
        case kSave:
        case kLoad:
            if (!skipping && !busy && visible) {
                PressFeedback(e, hit);
                OpenSaveLoad(e, hit == kSave ? kSaveScreen : kLoadScreen);
                return true;
            }
            return false;
        case kHide:
            if (visible && !skipping && !busy && e.UiState == 0) {
                PressFeedback(e, kHide);
                MessageWindowSwap(e, 1);
                return true;
            }
            return false;
        default:
            return false;
    }
}

void ButtonBarHover(Engine& e, int x, int y) {
    GraphicsState& g = e.graphics;
    int under = 99;
    bool playMove = false;
    {
        std::lock_guard lock(g.ScreenLock);
        for (int i = 0; i < kButtonCount; ++i) {
            const ButtonRect& r = kButtons[i];
            int w = r.right - r.left;
            int h = r.bottom - r.top;
            if (Inside(r, x, y)) {
                // Outside reading, skip and hide do not react at all.
                if (e.UiState != 0 && (i == kSkip || i == kHide)) {
                    break;
                }
                CopyRect(g.ButtonStrip, r.left, r.top - kBarTop, w, h, g.ScreenSurface, r.left, r.top);
                playMove = i != e.lastHoveredButton;
                under = i;
            } else {
                CopyRect(g.WindowLayer, r.left, r.top, w, h, g.ScreenSurface, r.left, r.top);
            }
        }
        e.lastHoveredButton = under;
        CopyScreenToWindow(e);
    }
    if (playMove) {
        PlayInterfaceSound(e, kMoveSound);
    }
}

}  // namespace textreel
