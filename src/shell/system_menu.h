// The system menu: the "システム" popup that a right click opens, its commands and their check
// marks. The model here holds the items and their marks; system_menu.cpp runs the commands on an
// engine, and popup_menu.cpp draws the open menu and takes the player's input.
#pragma once

#include "shell/texts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace textreel {

class Engine;

// Command ids of the popup's items.
namespace menu_id {
constexpr int kAutoMode = 40025;
constexpr int kSpeedLine = 40029;
constexpr int kSpeedFast = 40007;
constexpr int kSpeedNormal = 40008;
constexpr int kSpeedSlowish = 40027;
constexpr int kSpeedSlow = 40009;
constexpr int kForcedSkip = 40042;
constexpr int kFullScreen = 40005;
constexpr int kScreenEffects = 40031;
constexpr int kSe100 = 40032;
constexpr int kSe75 = 40038;
constexpr int kSe50 = 40033;
constexpr int kSe25 = 40039;
constexpr int kSe0 = 40034;
constexpr int kBgm100 = 40035;
constexpr int kBgm75 = 40040;
constexpr int kBgm50 = 40036;
constexpr int kBgm25 = 40041;
constexpr int kBgm0 = 40037;
constexpr int kReturnToTitle = 40010;
constexpr int kExit = 40001;
constexpr int kVersion = 40002;
}  // namespace menu_id

struct MenuItem {
    enum class Kind { kCommand, kSubmenu, kSeparator };
    Kind kind = Kind::kCommand;
    int id = 0;                   // commands only
    std::string text;             // Shift-JIS
    std::vector<MenuItem> items;  // submenus only
    bool checked = false;
    bool grayed = false;
};

// What the check marks and the grayed item follow.
struct MenuSettings {
    int32_t speedMs = 1;
    int32_t forcedSkip = 0;
    int32_t windowed = 1;
    int32_t screenEffects = 1;
    int32_t seVolume = 100;
    int32_t bgmVolume = 75;
    int32_t uiState = 0;
};

// The popup's items, top to bottom, with their marks. The marks persist between refreshes: a
// setting value that names no item of its group leaves that group's marks as they were.
class SystemMenu {
  public:
    SystemMenu();

    // The "システム" popup itself (a submenu whose items are the top level).
    const MenuItem& Root() const { return root_; }
    // The command item with this id, anywhere in the popup; nullptr when there is none.
    const MenuItem* Find(int id) const;
    bool Checked(int id) const;
    bool Grayed(int id) const;

    // Sets the check marks and the grayed state from the settings (the refresh without its write).
    void Refresh(const MenuSettings& s);
    // Words every item as the texts table has it (once, at start-up).
    void Translate(const TextTable& texts);

  private:
    MenuItem* FindMutable(int id);
    void SetChecked(int id, bool on);
    // Puts the mark on the item of value in a group of (value, id) pairs and takes it from the
    // others; a value of no pair touches nothing.
    void CheckGroup(const std::vector<std::pair<int32_t, int>>& group, int32_t value);

    MenuItem root_;
};

// The message speed (ms per character) and the volume each command sets; -1 for other ids.
int32_t SpeedOfCommand(int id);
int32_t SeVolumeOfCommand(int id);
int32_t BgmVolumeOfCommand(int id);

// The settings of an engine, as the menu sees them.
MenuSettings CurrentMenuSettings(const Engine& engine);

// Main thread. The check-mark refresh: sets the marks from the engine's settings and writes
// env.dat.
void RefreshMenuChecks(Engine& engine);
// The right click's menu: refreshes the marks and opens the popup with its top-left corner at
// (x, y) in game pixels (moved inward where it would leave the picture).
void OpenSystemMenu(Engine& engine, int x, int y);
bool SystemMenuOpen(const Engine& engine);
// Closes the open popup without a command.
void CloseSystemMenu(Engine& engine);
// The popup has closed, with the chosen command or 0: traces the close and posts the command.
void MenuClosed(Engine& engine, int chosen);
// Runs a command of the popup (as the player's choice arrives after the menu has closed).
void RunMenuCommand(Engine& engine, int id);
// The events file's `menu ID`: chooses the command in the open popup. Fails with the reason when
// no popup is open, the popup has no such command, or the item is grayed.
bool ChooseMenuCommand(Engine& engine, int id, std::string& why);

}  // namespace textreel
