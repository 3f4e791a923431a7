// Quick save and continue: F5 keeps the game in the save folder's "quick.sav" and F9 takes it
// back; the end of a run whose story is still going keeps the last place the player read at in
// "auto.sav", which F8 and --continue take back. The files have the slots' format; they are not
// among the twelve slots.
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
// Script thread, at a text wait or a choice menu that waits for the player: once message text has
// been shown since the run started or returned to the title, this place becomes the one the
// automatic save keeps, if a load could take the game back to it.
void NoteReadingPlace(Engine& engine);

// Main thread, at the end of a run whose story is still going: writes the last reading place into
// "auto.sav". A run that read nothing (it only showed the title menu) leaves the file as it was.
void AutoSave(Engine& engine);

}  // namespace textreel
