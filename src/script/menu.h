// The choice menus as the window side sees them.
#pragma once

namespace textreel {

class Engine;

// A left click at client (x, y) while a menu waits (UiState 1, nothing being drawn): jumps to the
// label of the first entry under it and resumes the script thread. Returns whether an entry was
// hit.
bool MenuClick(Engine& engine, int x, int y);

// Script thread, going back to a menu's wait with the rollback: the menu is on the screen and in
// the table already, and the read position after its item lines; it is offered again (the trace
// learns its entries) and the thread waits for the choice as the menu command does. kind: the
// command ("selarea", "selword", "flagselect").
void WaitForChoiceAgain(Engine& engine, const char* kind);

}  // namespace textreel
