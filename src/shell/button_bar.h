// The message window's button bar: skip, save, load and hide, with press feedback and hover.
#pragma once

#include <vector>

#include "input/focus.h"

namespace textreel {

class Engine;

// The click test; returns whether the click was handled (a screen opened or the window hid).
bool ButtonBarClick(Engine& engine, int x, int y);

// The four buttons as entries that can take the focus (index: skip 0, save 1, load 2, hide 3).
std::vector<FocusRect> ButtonBarFocusEntries();

// Highlights the button under the pointer and plays the move sound on entering a new one.
void ButtonBarHover(Engine& engine, int x, int y);

}  // namespace textreel
