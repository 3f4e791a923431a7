// The message window's button bar: skip, save, load and hide, with press feedback and hover.
#pragma once

namespace textreel {

class Engine;

// The click test; returns whether the click was handled (a screen opened or the window hid).
bool ButtonBarClick(Engine& engine, int x, int y);

// Highlights the button under the pointer and plays the move sound on entering a new one.
void ButtonBarHover(Engine& engine, int x, int y);

}  // namespace textreel
