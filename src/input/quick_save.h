// Quick save and continue: F5 keeps the game in the save folder's "quick.sav" and F9 takes it
// back; every normal end of a running story keeps it in "auto.sav", which F8 and --continue take
// back. The files have the slots' format; they are not among the twelve slots.
#pragma once

namespace textreel {

class Engine;

constexpr char kQuickSaveFile[] = "quick.sav";
constexpr char kAutoSaveFile[] = "auto.sav";

// Main thread: whether a key may save or load now: the story waits for a click or a choice and
// nothing is being drawn; no movie, screen, backlog view, dialog, menu or load is in the way.
bool QuickKeysAllowed(Engine& engine);

// Main thread, F5: writes "quick.sav" (no question), with a notice.
void QuickSave(Engine& engine);
// Main thread, F9 and F8: loads "quick.sav" or "auto.sav" as a slot is loaded; a notice says so
// when there is none.
void QuickLoad(Engine& engine, const char* fileName);
// Main thread, at the end of a run whose story is still going: writes "auto.sav".
void AutoSave(Engine& engine);

}  // namespace textreel
