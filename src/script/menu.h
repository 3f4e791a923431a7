// The choice menus as the window side sees them.
#pragma once

namespace textreel {

class Engine;

// A left click at client (x, y) while a menu waits (UiState 1, nothing being drawn): jumps to the
// label of the first entry under it and resumes the script thread. Returns whether an entry was
// hit.
bool MenuClick(Engine& engine, int x, int y);

}  // namespace textreel
