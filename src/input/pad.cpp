#include "input/pad.h"

#include "input/focus.h"
#include "saveload/save_load_screen.h"
#include "shell/button_bar.h"
#include "shell/engine.h"

namespace textreel {

namespace {

// A position that lies outside every button, slot and choice entry.
constexpr int kNowhere = -32768;

constexpr struct {
    const char* name;
    PadButton button;
} kPadNames[] = {
    {"a", PadButton::kA},
    {"b", PadButton::kB},
    {"x", PadButton::kX},
    {"y", PadButton::kY},
    {"lb", PadButton::kLeftShoulder},
    {"rb", PadButton::kRightShoulder},
    {"start", PadButton::kStart},
    {"back", PadButton::kBack},
    {"up", PadButton::kUp},
    {"down", PadButton::kDown},
    {"left", PadButton::kLeft},
    {"right", PadButton::kRight},
};

// A key pressed and released, as on the keyboard.
void Key(Engine& e, int key) {
    InputEvent event;
    event.kind = InputEvent::Kind::kKeyDown;
    event.key = key;
    e.HandleInput(event);
    event.kind = InputEvent::Kind::kKeyUp;
    e.HandleInput(event);
}

void Click(Engine& e, int button, int x, int y) {
    InputEvent event;
    event.kind = InputEvent::Kind::kButtonUp;
    event.button = button;
    event.x = x;
    event.y = y;
    e.HandleInput(event);
}

// The D-pad and the stick: the arrow keys in a menu or dialog, the focus elsewhere (never an
// advance, as an arrow key can be where nothing takes the focus).
void Direction(Engine& e, int key) {
    if (e.overlays.Count() != 0) {
        Key(e, key);
    } else {
        FocusKey(e, key, false, FocusSource::kPad);
    }
}

// The right click where the pointer stands (the system menu opens there).
void RightClick(Engine& e) {
    int x = e.instance.windowWidth / 2;
    int y = e.instance.windowHeight / 2;
    e.platform.CursorPosition(x, y);
    Click(e, InputEvent::kRightButton, x, y);
}

void Wheel(Engine& e, int delta) {
    InputEvent event;
    event.kind = InputEvent::Kind::kWheel;
    event.wheel = delta;
    e.HandleInput(event);
}

// The centre of the entry with this index, from a list of entries that can take the focus.
bool EntryCentre(const std::vector<FocusRect>& entries, int index, int& x, int& y) {
    for (const FocusRect& r : entries) {
        if (r.index == index) {
            x = (r.left + r.right) / 2;
            y = (r.top + r.bottom) / 2;
            return true;
        }
    }
    return false;
}

bool ScreenOpen(Engine& e) {
    const int32_t state = e.UiState;
    return state == kSaveScreen || state == kLoadScreen || state == kTitleLoadScreen;
}

void ToggleAutoMode(Engine& e) {
    if (e.UiState != 0 || e.MoviePlaying != kMovieNone) {
        return;
    }
    if (e.AdvanceMode == 3) {
        e.EndAutoMode();
        return;
    }
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    }
    e.StartAutoMode();
}

// Hides the message window as the bar's hide button does (its click, feedback included); when it
// is hidden, shows it again as a click does.
void HideMessageWindow(Engine& e) {
    if (e.UiState != 0 || e.MessageDrawn != 1 || e.MoviePlaying != kMovieNone) {
        return;
    }
    int x = kNowhere;
    int y = kNowhere;
    if (e.MessageVisible == 1 && !EntryCentre(ButtonBarFocusEntries(), 3, x, y)) {
        return;
    }
    Click(e, InputEvent::kLeftButton, x, y);
}

}  // namespace

bool PadButtonByName(const std::string& name, PadButton& button) {
    for (const auto& p : kPadNames) {
        if (name == p.name) {
            button = p.button;
            return true;
        }
    }
    return false;
}

void PadButtonPressed(Engine& e, PadButton button) {
    const bool menuOpen = e.overlays.Count() != 0;
    switch (button) {
        case PadButton::kA:
            if (menuOpen) {
                Key(e, vk::kReturn);
            } else if (!ChooseFocus(e)) {
                Click(e, InputEvent::kLeftButton, kNowhere, kNowhere);
            }
            break;
        case PadButton::kB: {
            int x = 0;
            int y = 0;
            if (menuOpen && e.MoviePlaying == kMovieNone) {
                Key(e, vk::kEscape);
            } else if (ScreenOpen(e) && EntryCentre(SaveLoadFocusEntries(e), 0, x, y)) {
                Click(e, InputEvent::kLeftButton, x, y);  // the screen's return button
            } else {
                RightClick(e);
            }
            break;
        }
        case PadButton::kX:
            Key(e, vk::kBack);
            break;
        case PadButton::kY:
            if (!menuOpen) {
                ToggleAutoMode(e);
            }
            break;
        case PadButton::kLeftShoulder:
            Wheel(e, 1);
            break;
        case PadButton::kRightShoulder:
            Wheel(e, -1);
            break;
        case PadButton::kStart:
            if (menuOpen) {
                Key(e, vk::kEscape);
            } else if (e.MoviePlaying == kMovieNone) {
                RightClick(e);
            }
            break;
        case PadButton::kBack:
            if (!menuOpen) {
                HideMessageWindow(e);
            }
            break;
        case PadButton::kUp:
            Direction(e, vk::kUp);
            break;
        case PadButton::kDown:
            Direction(e, vk::kDown);
            break;
        case PadButton::kLeft:
            Direction(e, vk::kLeft);
            break;
        case PadButton::kRight:
            Direction(e, vk::kRight);
            break;
    }
}

}  // namespace textreel
