// The sentences self-voicing says for what is not a message line: a save or load slot, an item of
// the system menu, a message box. Text in and out is UTF-8.
#pragma once

#include <string>

namespace textreel {

// "スロット3、2026年12月8日 14時57分、夜明け前の駅で" from the slot's number, the date as the
// screens show it ("2026/12/08 14:57") and its title; an empty slot is "スロット3、空き".
std::string SpokenSlot(int slot, bool filled, const std::string& date, const std::string& title);

// The return button of the save and load screens.
std::string SpokenReturnButton();

// A menu item with its state: "画面効果、チェックあり", "シナリオの自動送り、使用不可".
std::string SpokenMenuItem(const std::string& text, bool checked, bool grayed);

// A message box: its caption, then its text.
std::string SpokenMessageBox(const std::string& caption, const std::string& text);

}  // namespace textreel
