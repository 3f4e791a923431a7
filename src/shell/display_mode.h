// The display mode: a fixed-size window centred on the desktop, or full screen as a borderless
// window over the display with the picture scaled to fit. The display's own mode never changes, so
// nothing needs restoring at the end. `windowed` in the settings follows the real mode.
#pragma once

namespace textreel {

class Engine;

// Switches to full screen (target 0) or to the window (target 1; only the low byte of target
// counts). Returns 1 when it switched, 0 when that mode was already active.
int SwitchDisplayMode(Engine& engine, int target);
// Start-up: switches into the mode stored in `windowed`.
void ApplyStoredDisplayMode(Engine& engine);
// The menu's "フルスクリーン" and Alt+Enter: the other mode, stored in env.dat.
void ToggleFullScreen(Engine& engine);

}  // namespace textreel
