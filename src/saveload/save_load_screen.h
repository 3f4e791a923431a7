// The save and load screens: twelve slots over the game picture, each with the date of its save
// file and the title stored in it, and a return button.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/focus.h"

namespace textreel {

class Engine;

// UiState while a screen is open.
constexpr int kSaveScreen = 10;
constexpr int kLoadScreen = 20;
constexpr int kTitleLoadScreen = 30;

// Opens the screen of mode 10, 20 or 30 (main thread). A screen picture that cannot be loaded
// shows its message and the screen does not open. Returns whether it opened.
bool OpenSaveLoad(Engine& e, int mode);

// A left click while a screen is open.
void SaveLoadClick(Engine& e, int x, int y);

// The pointer moved while a screen is open: the active entry under it shows highlighted.
void SaveLoadHover(Engine& e, int x, int y);

// The entries that can take the focus while a screen is open: the return button (index 0) and the
// active slots (1 to 12).
std::vector<FocusRect> SaveLoadFocusEntries(Engine& e);

// One step k (8 to 16) of the fade back to the game: every byte of picture moves k*k/256 of the way
// towards target's byte, from where the previous step left it; step 16 reaches target exactly.
void FadeStep(uint8_t* picture, const uint8_t* target, size_t n, int k);

// Lets go of the pictures kept while a screen was open (a return to the title).
void ReleaseSaveLoad(Engine& e);

// The slot's date ("2008/12/24 14:57", or "--/--/--") and title ("None" without a file); false
// when the slot has no readable save file.
bool ReadSlotSummary(Engine& e, int slot, std::string& date, std::string& title);

}  // namespace textreel
