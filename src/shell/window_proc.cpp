// The window side: every player input arrives here on the main thread and is routed by the shared
// state (reading, choice menu, save/load screen, backlog view, skip or auto mode, movie).
#include <cstdint>
#include <cstdio>
#include <vector>

#include "graphics/screen.h"
#include "input/focus.h"
#include "input/keys.h"
#include "input/pad.h"
#include "input/quick_save.h"
#include "input/rollback.h"
#include "platform/error_log.h"
#include "platform/platform.h"
#include "saveload/save_load_screen.h"
#include "script/menu.h"
#include "shell/button_bar.h"
#include "shell/display_mode.h"
#include "shell/engine.h"
#include "shell/reading_aids.h"
#include "shell/system_menu.h"
#include "sound/sound.h"
#include "text/message_window.h"

namespace textreel {

namespace {

// A position that lies outside every button, slot and choice entry, for key releases.
constexpr int kNowhere = -32768;

void AdvanceHandler(Engine& e, int x, int y) {
    if (e.SyncLock != 0) {
        return;
    }
    // A click that moves the story on silences the speech of what it leaves, and a line waiting
    // for the title's voice is not spoken.
    if (e.UiState == 0 ? e.ScriptWaiting() : e.UiState == 1) {
        e.access->Cut();
    }
    if (e.ScriptBusy == 0 && e.VoicePlaying == 1) {
        e.VoiceStopRequest();
    }
    int32_t state = e.UiState;
    if (state == 100) {
        LeaveBacklogView(e);
        return;
    }
    if (state != 0) {
        if (e.ScriptBusy == 1) {
            return;
        }
        if (state == kSaveScreen || state == kLoadScreen || state == kTitleLoadScreen) {
            SaveLoadClick(e, x, y);
        } else if (!ButtonBarClick(e, x, y)) {
            // The choice menu: the save and load buttons first, then the menu's entries.
            MenuClick(e, x, y);
        }
        return;
    }
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    } else if (e.AdvanceMode == 3 && e.AutoStoppable == 1) {
        e.EndAutoMode();
    } else if (ButtonBarClick(e, x, y)) {
        return;
    }
    if (e.MessageDrawn == 1 && e.MessageVisible == 0) {
        MessageWindowSwap(e, 0);
        return;
    }
    e.ResumeScript();
}

void RightClickHandler(Engine& e, int x, int y) {
    if (e.UiState == 100) {
        LeaveBacklogView(e);
        return;
    }
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    }
    OpenSystemMenu(e, x, y);
}

// Highlights the choice entry under the pointer: its hovered look is in WindowLayer, its plain look
// in BackSurface.
void ChoiceHover(Engine& e, int x, int y) {
    GraphicsState& g = e.graphics;
    int under = 99;
    bool playMove = false;
    {
        std::lock_guard lock(g.ScreenLock);
        std::vector<MenuEntry> entries = e.menu.Entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            const MenuEntry& m = entries[i];
            const Surface& look = m.Contains(x, y) ? g.WindowLayer : g.BackSurface;
            CopyRect(look, m.left, m.top, m.right - m.left, m.bottom - m.top, g.ScreenSurface, m.left, m.top);
            if (under == 99 && m.Contains(x, y)) {
                under = static_cast<int>(i);
            }
        }
        playMove = under != 99 && under != e.lastHoveredChoice;
        e.lastHoveredChoice = under;
        CopyScreenToWindow(e);
    }
    if (playMove) {
        PlayInterfaceSound(e, "sound\\move.wav");
        // A word button says its word; a picture's area its label.
        e.access->Say(e.Title(e.menu.Spoken(static_cast<size_t>(under))).ToUtf8());
    }
}

void HoverRouting(Engine& e, int x, int y) {
    int32_t state = e.UiState;
    if (state != 0) {
        if (e.ScriptBusy == 1) {
            return;
        }
        if (state == kSaveScreen || state == kLoadScreen || state == kTitleLoadScreen) {
            SaveLoadHover(e, x, y);
            return;
        }
        if (state == 100) {
            return;
        }
        ChoiceHover(e, x, y);
    }
    if (e.ScriptBusy == 0 && e.MessageVisible == 1) {
        ButtonBarHover(e, x, y);
    }
}

void Wheel(Engine& e, int delta) {
    if (e.MoviePlaying != kMovieNone || e.ScriptBusy != 0) {
        return;
    }
    if (delta >= 0) {
        BacklogStep(e, 0);
    } else if (e.UiState == 100) {
        BacklogStep(e, 1);
    } else if (e.UiState == 0) {
        if (e.MessageDrawn == 1 && e.MessageVisible == 0) {
            return;
        }
        AdvanceHandler(e, 0, 0);
    }
}

void KeyUp(Engine& e, int key, bool shift) {
    if (e.MoviePlaying != kMovieNone) {
        if (key == vk::kEscape) {
            e.CutMovieShort("key");
        }
        return;
    }
    if (key == vk::kBack) {
        // Rollback: back to the wait before this one. BackSpace never advances.
        Rollback(e);
        return;
    }
    if (key == vk::kF5 || key == vk::kF8 || key == vk::kF9) {
        // Quick save, and the loads of the quick and the automatic save; they never advance.
        if (QuickKeysAllowed(e)) {
            if (key == vk::kF5) {
                QuickSave(e);
            } else {
                QuickLoad(e, key == vk::kF9 ? kQuickSaveFile : kAutoSaveFile);
            }
        }
        return;
    }
    if (e.ScriptBusy == 0 && key == vk::kPageUp) {
        BacklogStep(e, 0);
        return;
    }
    if (e.ScriptBusy == 0 && key == vk::kPageDown && e.UiState == 100) {
        BacklogStep(e, 1);
        return;
    }
    // The arrows and Tab move the focus, Return and Space click it, where something takes it; Esc
    // leaves the button bar's.
    if (FocusKey(e, key, shift) || (key == vk::kEscape && LeaveBarFocus(e))) {
        return;
    }
    if ((key == vk::kReturn || key == vk::kSpace) && ChooseFocus(e)) {
        return;
    }
    if (KeyNeverAdvances(key, shift) || key == vk::kAlt) {
        return;
    }
    if (e.MessageDrawn == 1 && e.MessageVisible == 0) {
        return;
    }
    AdvanceHandler(e, kNowhere, kNowhere);
}

}  // namespace

void Engine::HandleInput(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::kButtonUp || event.kind == InputEvent::Kind::kKeyUp ||
        event.kind == InputEvent::Kind::kPadButton) {
        ++PlayerActions;
    }
    const bool keyUp = event.kind == InputEvent::Kind::kKeyUp;
    if (event.kind == InputEvent::Kind::kKeyDown) {
        modifierKeys.Press(event.key);
    }
    // A modifier held for a chord does nothing when it is released; Alt never advances either.
    const bool modifier = keyUp && ModifierKeys::IsModifier(event.key);
    const bool modifierAlone = modifier && modifierKeys.ReleasedAlone(event.key);
    if (keyUp && event.alt && event.key == vk::kReturn) {
        // Alt+Enter switches between the window and full screen, wherever the game stands.
        ToggleFullScreen(*this);
        NotifyStateChange();
        return;
    }
    if (event.kind == InputEvent::Kind::kPadButton) {
        // A pad button acts through the keys and clicks it stands for, menus and dialogs included.
        PadButtonPressed(*this, event.pad);
        NotifyStateChange();
        return;
    }
    if (event.kind != InputEvent::Kind::kCloseRequest && event.kind != InputEvent::Kind::kWake &&
        !(event.alt && event.key == vk::kReturn) && overlays.Route(*this, event)) {
        // An open dialog or menu takes all input.
        NotifyStateChange();
        return;
    }
    if (modifier && !modifierAlone) {
        return;
    }
    if (keyUp && UiState == 100 && MoviePlaying == kMovieNone && event.key != vk::kPageUp &&
        event.key != vk::kPageDown) {
        // Every other key leaves the backlog view, and does nothing else there.
        LeaveBacklogView(*this);
        NotifyStateChange();
        return;
    }
    if (ReadingAidKey(*this, event)) {
        NotifyStateChange();
        return;
    }
    if (event.kind == InputEvent::Kind::kScriptedText) {
        ErrorPrintf("textreel: there is no name-entry dialog to type into\n");
    }
    switch (event.kind) {
        case InputEvent::Kind::kCloseRequest:
            BeginClose();
            break;
        case InputEvent::Kind::kMouseMove:
            if (MoviePlaying == kMovieNone) {
                HoverRouting(*this, event.x, event.y);
            }
            break;
        case InputEvent::Kind::kButtonUp:
            if (event.button == InputEvent::kLeftButton) {
                if (MoviePlaying == kMovieNone) {
                    AdvanceHandler(*this, event.x, event.y);
                }
            } else if (event.button == InputEvent::kRightButton) {
                if (MoviePlaying != kMovieNone) {
                    CutMovieShort("click");
                    break;
                }
                if (AdvanceMode == 3) {
                    AdvanceMode = 0;
                }
                RightClickHandler(*this, event.x, event.y);
            }
            break;
        case InputEvent::Kind::kWheel:
            Wheel(*this, event.wheel);
            break;
        case InputEvent::Kind::kKeyUp:
            KeyUp(*this, event.key, event.shift);
            break;
        case InputEvent::Kind::kRepaint:
            Repaint(*this);
            break;
        case InputEvent::Kind::kTextInput:
        case InputEvent::Kind::kWake:
        case InputEvent::Kind::kKeyDown:
        case InputEvent::Kind::kButtonDown:
        case InputEvent::Kind::kTextEditing:
        case InputEvent::Kind::kScriptedText:
        case InputEvent::Kind::kPadButton:
            break;
    }
    NotifyStateChange();
}

void Engine::StartSkipMode() {
    // The order keeps the player's speed in savedSpeedMs whenever AdvanceMode says skip, for an
    // env.dat write from the other thread.
    savedSpeedMs = env.SpeedMs.load();
    AdvanceMode = 1;
    env.SpeedMs = 0;
    ResumeScript();
}

void Engine::EndSkipMode() {
    env.SpeedMs = savedSpeedMs.load();
    AdvanceMode = 0;
}

void Engine::StartAutoMode() {
    AdvanceMode = 3;
    if (MessageVisible == 0) {
        MessageWindowSwap(*this, 0);
    }
    ResumeScript();
}

void Engine::EndAutoMode() {
    AdvanceMode = 0;
}

}  // namespace textreel
