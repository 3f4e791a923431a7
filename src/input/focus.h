// Focus for keys and gamepads: the arrow keys and Tab / Shift+Tab move a focus over the entries of
// what is open (a choice menu, the save or load screen, the message window's button bar) in screen
// order; the pointer goes to the focused entry's centre, so the entry lights up and sounds as under
// the mouse, and Return or Space clicks it there. Nothing has the focus until the first press.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textreel {

class Engine;

// An entry that can take the focus: its rectangle (client pixels, edges inclusive) and its own
// index (the choice entry, the slot, the button).
struct FocusRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int index = 0;

    bool operator==(const FocusRect&) const = default;
};

enum class FocusStep {
    kForward,   // Down, Right, Tab
    kBackward,  // Up, Left, Shift+Tab
};

// Sorts entries into screen order: top to bottom, and left to right among entries of one row.
void SortInScreenOrder(std::vector<FocusRect>& entries);

// The position after one step in a list of count entries: from no focus (-1) forward goes to the
// first, backward to the last; at either end the focus stays (it does not wrap). -1 when the list
// is empty.
int StepFocus(int current, int count, FocusStep step);

// What the window side keeps between presses (main thread).
struct FocusState {
    std::string kind;              // "choice", "save", "load" or "bar"; empty: no focus
    std::vector<FocusRect> order;  // the entries in screen order when the focus was set
    int position = -1;             // in order
    int32_t uiState = 0;
    uint64_t resumes = 0;  // the script's resume count then: a new page or menu forgets it
};

// Writes the trace's focus event: the kind ("choice", "save", "load", "bar", "menu", "dialog"),
// the entry's own index and its rectangle.
void TraceFocus(Engine& engine, const std::string& kind, const FocusRect& entry);

// Where a focus step comes from: the keyboard's arrows and Tab, or the gamepad's D-pad and stick.
enum class FocusSource { kKeyboard, kPad };

// Main thread. An arrow key or Tab (shift: Shift+Tab) where something can take the focus: moves it
// and returns true; false when nothing can take it (the key then does what it did before). At a
// text wait the keyboard reaches the button bar only with Tab: the arrows move along it once it
// has the focus (else they advance as any key does), and Tab again leaves it.
bool FocusKey(Engine& engine, int key, bool shift, FocusSource source = FocusSource::kKeyboard);
// Main thread, Esc: takes the focus off the button bar; false when the bar does not have it.
bool LeaveBarFocus(Engine& engine);
// Main thread. Return or Space: clicks the focused entry and returns true; false when nothing has
// the focus.
bool ChooseFocus(Engine& engine);

}  // namespace textreel
