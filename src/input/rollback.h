// Rollback: BackSpace (and the gamepad's X) takes the story back one wait point at a time ("$C",
// "$X", "$P", "$W" and choice menus), up to a hundred, with the picture, sprites, message window,
// backlog, flags, points and music as they were there. The persistent flags and the read marks
// stay. The state comes back through the load path without its transition; the page of the wait is
// drawn again at full speed.
#pragma once

#include <cstdint>

namespace textreel {

class Engine;

// Script thread, at a wait point or a choice menu that waits for the player: keeps the game state
// of this wait as the newest rollback record (not while a rollback brings back an earlier one).
// linePosition: a position on the line that waits (the wait code's or the menu command's line).
void RecordWait(Engine& engine, uint32_t linePosition);

// Main thread: whether BackSpace may go back now: the story waits for a click or a choice and
// nothing is being drawn; no movie, screen, backlog view, dialog, menu, skip mode or load.
bool RollbackAllowed(Engine& engine);

// Main thread, BackSpace: goes back one wait when it is allowed and there is one to go back to;
// otherwise nothing happens. It never advances the story.
void Rollback(Engine& engine);

// A load or a return to the title starts a new history.
void ForgetRollback(Engine& engine);

}  // namespace textreel
