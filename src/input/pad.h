// The gamepad in charge, on the main thread: each button does what a key or the mouse does.
// A clicks at the focus (or advances, as a left click), B is the right click (the system menu; it
// leaves the backlog view and closes a screen or menu), the D-pad and the left stick move the focus
// as the arrow keys, LB and RB turn the wheel (the backlog), X is BackSpace, Y turns auto mode on
// and off, Start opens the system menu and Back hides the message window as the bar's button does.
#pragma once

#include <string>

#include "platform/platform.h"

namespace textreel {

class Engine;

// The events file's name of a button ("a", "lb", "up", ...); false for an unknown name.
bool PadButtonByName(const std::string& name, PadButton& button);

void PadButtonPressed(Engine& engine, PadButton button);

}  // namespace textreel
