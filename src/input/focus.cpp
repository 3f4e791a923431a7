#include "input/focus.h"

#include <algorithm>
#include <string>

#include "platform/platform.h"
#include "saveload/save_load_screen.h"
#include "shell/button_bar.h"
#include "shell/engine.h"

namespace textreel {

void SortInScreenOrder(std::vector<FocusRect>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const FocusRect& a, const FocusRect& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
}

int StepFocus(int current, int count, FocusStep step) {
    if (count <= 0) {
        return -1;
    }
    if (current < 0 || current >= count) {
        return step == FocusStep::kForward ? 0 : count - 1;
    }
    return step == FocusStep::kForward ? std::min(current + 1, count - 1) : std::max(current - 1, 0);
}

namespace {

constexpr char kBar[] = "bar";
// A position outside every button, for taking the bar's highlight away.
constexpr int kNowhere = -32768;

// What can take the focus now, in screen order, and its kind; false when nothing can.
bool FocusTargets(Engine& e, std::string& kind, std::vector<FocusRect>& order) {
    if (e.ScriptBusy != 0 || e.MoviePlaying != kMovieNone || e.overlays.Count() != 0 || e.ModalOpen() ||
        e.LoadInProgress != 0) {
        return false;
    }
    order.clear();
    const int32_t state = e.UiState;
    if (state == kSaveScreen || state == kLoadScreen || state == kTitleLoadScreen) {
        kind = state == kSaveScreen ? "save" : "load";
        order = SaveLoadFocusEntries(e);
    } else if (state == 1) {
        kind = "choice";
        std::vector<MenuEntry> entries = e.menu.Entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            const MenuEntry& m = entries[i];
            order.push_back({m.left, m.top, m.right, m.bottom, static_cast<int>(i)});
        }
    } else if (state == 0 && e.ScriptWaiting() && e.AdvanceMode == 0 && e.MessageDrawn == 1 &&
               e.MessageVisible == 1) {
        kind = kBar;
        order = ButtonBarFocusEntries();
    }
    SortInScreenOrder(order);
    return !order.empty();
}

// Whether the kept focus still belongs to what is on the screen.
bool FocusCurrent(Engine& e, const std::string& kind, const std::vector<FocusRect>& order) {
    const FocusState& f = e.focus;
    return f.position >= 0 && f.kind == kind && f.order == order && f.uiState == e.UiState &&
           f.resumes == e.resumeCount;
}

void Centre(const FocusRect& r, int& x, int& y) {
    x = (r.left + r.right) / 2;
    y = (r.top + r.bottom) / 2;
}

}  // namespace

void TraceFocus(Engine& e, const std::string& kind, const FocusRect& r) {
    const std::string rect = "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                             std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
    e.trace.Event("focus", {{"kind", kind}, {"index", int64_t{r.index}}, {"rect", Trace::Json{rect}}});
}

namespace {

void DropFocus(Engine& e) {
    e.focus = FocusState{};
    ButtonBarHover(e, kNowhere, kNowhere);
}

}  // namespace

bool LeaveBarFocus(Engine& e) {
    std::string kind;
    std::vector<FocusRect> order;
    if (!FocusTargets(e, kind, order) || kind != kBar || !FocusCurrent(e, kind, order)) {
        return false;
    }
    DropFocus(e);
    return true;
}

bool FocusKey(Engine& e, int key, bool shift, FocusSource source) {
    FocusStep step;
    if (key == vk::kDown || key == vk::kRight || (key == vk::kTab && !shift)) {
        step = FocusStep::kForward;
    } else if (key == vk::kUp || key == vk::kLeft || key == vk::kTab) {
        step = FocusStep::kBackward;
    } else {
        return false;
    }
    std::string kind;
    std::vector<FocusRect> order;
    if (!FocusTargets(e, kind, order)) {
        return false;
    }
    FocusState& f = e.focus;
    const bool current = FocusCurrent(e, kind, order);
    if (kind == kBar && source == FocusSource::kKeyboard) {
        // Reading keeps the keys' meaning: only Tab takes the bar, and Tab gives it back.
        if (key == vk::kTab && current) {
            DropFocus(e);
            return true;
        }
        if (key != vk::kTab && !current) {
            return false;
        }
    }
    const int from = current ? f.position : -1;
    f.kind = kind;
    f.order = order;
    f.uiState = e.UiState;
    f.resumes = e.resumeCount;
    f.position = StepFocus(from, static_cast<int>(order.size()), step);
    const FocusRect& r = order[static_cast<size_t>(f.position)];
    TraceFocus(e, kind, r);
    // The pointer goes there, and the entry answers as it does to the mouse.
    InputEvent move;
    move.kind = InputEvent::Kind::kMouseMove;
    Centre(r, move.x, move.y);
    e.platform.SetCursorPosition(move.x, move.y);
    e.HandleInput(move);
    return true;
}

bool ChooseFocus(Engine& e) {
    std::string kind;
    std::vector<FocusRect> order;
    if (!FocusTargets(e, kind, order) || !FocusCurrent(e, kind, order)) {
        return false;
    }
    InputEvent click;
    click.kind = InputEvent::Kind::kButtonUp;
    click.button = InputEvent::kLeftButton;
    Centre(order[static_cast<size_t>(e.focus.position)], click.x, click.y);
    e.HandleInput(click);
    return true;
}

}  // namespace textreel
