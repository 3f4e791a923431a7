// Rollback: BackSpace (and the gamepad's X) takes the story back one wait point at a time ("$C",
// "$X", "$P", "$W" and choice menus), up to a hundred, to the page exactly as the story showed and
// held it there: the screen, the text and picture settings, the backlog, flags, points and the
// music. The persistent flags, the read marks and the generator of `random` stay. No command runs
// again: the state kept at the wait replaces the engine's, and the script thread waits there anew.
#pragma once

#include <cstdint>

#include "input/rollback_history.h"

namespace textreel {

class Engine;

// Script thread, at a wait point or a choice menu that waits for the player, just before it
// suspends itself: keeps the engine's state as the newest rollback record (not while a rollback
// takes the story back to an earlier one). linePosition: a position on the line that waits (the
// wait code's or the menu command's); waitCode: the line's wait code the thread stops at, or
// RollbackRecord::kChoiceWait with the menu command's keyword.
void RecordWait(Engine& engine, uint32_t linePosition, int32_t waitCode, const char* menuKind = nullptr);

// Script thread, between two lines: when a rollback has asked it to go back, target receives the
// record whose wait it takes up again (without running any of that line or menu), and true.
bool TakeRollbackArrival(Engine& engine, RollbackRecord& target);

// Main thread: whether BackSpace may go back now: the story waits for a click or a choice and
// nothing is being drawn; no movie, screen, backlog view, dialog, menu, skip mode or load.
bool RollbackAllowed(Engine& engine);

// Main thread, BackSpace: goes back one wait when it is allowed and there is one to go back to;
// otherwise nothing happens. It never advances the story.
void Rollback(Engine& engine);

// A load or a return to the title starts a new history.
void ForgetRollback(Engine& engine);

}  // namespace textreel
