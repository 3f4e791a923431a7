#include "shell/system_menu.h"

#include <cstdio>
#include <utility>

#include "shell/dialogs.h"
#include "shell/display_mode.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "shell/popup_menu.h"

namespace textreel {

namespace {

using Kind = MenuItem::Kind;

MenuItem Command(int id, const char* utf8) {
    MenuItem item;
    item.kind = Kind::kCommand;
    item.id = id;
    item.text = Sjis(utf8);
    return item;
}

MenuItem Submenu(const char* utf8, std::vector<MenuItem> items) {
    MenuItem item;
    item.kind = Kind::kSubmenu;
    item.text = Sjis(utf8);
    item.items = std::move(items);
    return item;
}

MenuItem Separator() {
    MenuItem item;
    item.kind = Kind::kSeparator;
    return item;
}

MenuItem* FindIn(MenuItem& menu, int id) {
    for (MenuItem& item : menu.items) {
        if (item.kind == Kind::kCommand && item.id == id) {
            return &item;
        }
        if (item.kind == Kind::kSubmenu) {
            if (MenuItem* found = FindIn(item, id)) {
                return found;
            }
        }
    }
    return nullptr;
}

// The value each command of a group stands for.
const std::vector<std::pair<int32_t, int>> kSpeeds = {{0, menu_id::kSpeedLine},
                                                      {1, menu_id::kSpeedFast},
                                                      {40, menu_id::kSpeedNormal},
                                                      {100, menu_id::kSpeedSlowish},
                                                      {200, menu_id::kSpeedSlow}};
const std::vector<std::pair<int32_t, int>> kSeVolumes = {{100, menu_id::kSe100},
                                                         {75, menu_id::kSe75},
                                                         {50, menu_id::kSe50},
                                                         {25, menu_id::kSe25},
                                                         {0, menu_id::kSe0}};
const std::vector<std::pair<int32_t, int>> kBgmVolumes = {{100, menu_id::kBgm100},
                                                          {75, menu_id::kBgm75},
                                                          {50, menu_id::kBgm50},
                                                          {25, menu_id::kBgm25},
                                                          {0, menu_id::kBgm0}};

int32_t ValueOf(const std::vector<std::pair<int32_t, int>>& group, int id) {
    for (const auto& [value, item] : group) {
        if (item == id) {
            return value;
        }
    }
    return -1;
}

void TraceMenu(Engine& e, const char* action, int id = 0, const std::string& reason = {}) {
    if (id == 0) {
        e.trace.Event("menu", {{"action", std::string(action)}});
    } else {
        e.trace.Event("menu", {{"action", std::string(action)}, {"id", int64_t{id}}, {"reason", reason}});
    }
}

}  // namespace

SystemMenu::SystemMenu() {
    root_ = Submenu(
        "システム",
        {Command(menu_id::kAutoMode, "シナリオの自動送り"),
         Submenu(
             "設定",
             {Submenu("メッセージ速度",
                      {Command(menu_id::kSpeedLine, "行表示"), Command(menu_id::kSpeedFast, "快速"),
                       Command(menu_id::kSpeedNormal, "普通"), Command(menu_id::kSpeedSlowish, "やや遅い"),
                       Command(menu_id::kSpeedSlow, "遅い")}),
              Command(menu_id::kForcedSkip, "強制スキップする"), Separator(),
              Command(menu_id::kFullScreen, "フルスクリーン"),
              Command(menu_id::kScreenEffects, "画面エフェクト"), Separator(),
              Submenu("SE音量", {Command(menu_id::kSe100, "100%"), Command(menu_id::kSe75, "75%"),
                                 Command(menu_id::kSe50, "50%"), Command(menu_id::kSe25, "25%"),
                                 Command(menu_id::kSe0, "0%（OFF）")}),
              Submenu("BGM音量", {Command(menu_id::kBgm100, "100%"), Command(menu_id::kBgm75, "75%"),
                                  Command(menu_id::kBgm50, "50%"), Command(menu_id::kBgm25, "25%"),
                                  Command(menu_id::kBgm0, "0%(OFF)")})}),
         Separator(), Command(menu_id::kReturnToTitle, "タイトル画面へ戻る"),
         Command(menu_id::kExit, "システム終了"), Separator(), Command(menu_id::kVersion, "システム確認")});
}

const MenuItem* SystemMenu::Find(int id) const {
    return const_cast<SystemMenu*>(this)->FindMutable(id);
}

MenuItem* SystemMenu::FindMutable(int id) {
    return FindIn(root_, id);
}

bool SystemMenu::Checked(int id) const {
    const MenuItem* item = Find(id);
    return item != nullptr && item->checked;
}

bool SystemMenu::Grayed(int id) const {
    const MenuItem* item = Find(id);
    return item != nullptr && item->grayed;
}

void SystemMenu::SetChecked(int id, bool on) {
    if (MenuItem* item = FindMutable(id)) {
        item->checked = on;
    }
}

void SystemMenu::CheckGroup(const std::vector<std::pair<int32_t, int>>& group, int32_t value) {
    bool known = false;
    for (const auto& entry : group) {
        known = known || entry.first == value;
    }
    if (!known) {
        return;
    }
    for (const auto& [v, id] : group) {
        SetChecked(id, v == value);
    }
}

void SystemMenu::Refresh(const MenuSettings& s) {
    CheckGroup(kSpeeds, s.speedMs);
    SetChecked(menu_id::kForcedSkip, s.forcedSkip != 0);
    SetChecked(menu_id::kFullScreen, s.windowed == 0);
    SetChecked(menu_id::kScreenEffects, s.screenEffects != 0);
    CheckGroup(kSeVolumes, s.seVolume);
    CheckGroup(kBgmVolumes, s.bgmVolume);
    if (MenuItem* item = FindMutable(menu_id::kAutoMode)) {
        item->grayed = s.uiState != 0;
        item->checked = false;
    }
}

int32_t SpeedOfCommand(int id) {
    return ValueOf(kSpeeds, id);
}

int32_t SeVolumeOfCommand(int id) {
    return ValueOf(kSeVolumes, id);
}

int32_t BgmVolumeOfCommand(int id) {
    return ValueOf(kBgmVolumes, id);
}

MenuSettings CurrentMenuSettings(const Engine& e) {
    MenuSettings s;
    s.speedMs = e.env.SpeedMs;
    s.forcedSkip = e.env.ForcedSkip;
    s.windowed = e.env.windowed;
    s.screenEffects = e.env.screenEffects;
    s.seVolume = e.env.seVolume;
    s.bgmVolume = e.env.bgmVolume;
    s.uiState = e.UiState;
    return s;
}

void RefreshMenuChecks(Engine& e) {
    e.systemMenu.Refresh(CurrentMenuSettings(e));
    e.WriteEnvDat();
}

void OpenSystemMenu(Engine& e, int x, int y) {
    if (SystemMenuOpen(e)) {
        return;
    }
    RefreshMenuChecks(e);
    if (e.Quitting()) {
        return;
    }
    // A window that was chosen from or closed has already left the overlay stack.
    e.popupMenu = std::make_unique<PopupMenuWindow>(e, x, y);
    TraceMenu(e, "open");
    e.overlays.Push(e, e.popupMenu.get());
}

bool SystemMenuOpen(const Engine& e) {
    return e.popupMenu != nullptr && !e.popupMenu->Done();
}

void CloseSystemMenu(Engine& e) {
    if (!SystemMenuOpen(e)) {
        return;
    }
    e.popupMenu->Finish(e, 0);
    e.overlays.Remove(e, e.popupMenu.get());
}

void MenuClosed(Engine& e, int chosen) {
    TraceMenu(e, "close");
    if (chosen != 0) {
        // The choice arrives after the popup has gone, as a posted command.
        e.Post([&e, chosen] { RunMenuCommand(e, chosen); });
    }
}

void RunMenuCommand(Engine& e, int id) {
    e.trace.Event("command", {{"id", int64_t{id}}});
    if (int32_t speed = SpeedOfCommand(id); speed >= 0) {
        e.env.SpeedMs = speed;
        RefreshMenuChecks(e);
        return;
    }
    if (int32_t volume = SeVolumeOfCommand(id); volume >= 0) {
        e.env.seVolume = static_cast<int16_t>(volume);
        // The voice streamer reads the setting at every refill, so the change is heard at once.
        e.WriteEnvDat();
        return;
    }
    if (int32_t volume = BgmVolumeOfCommand(id); volume >= 0) {
        e.env.bgmVolume = static_cast<int16_t>(volume);
        // The music streamers read the setting at every refill, so the change is heard at once.
        // A movie reads it for every piece of sound it queues.
        e.WriteEnvDat();
        return;
    }
    switch (id) {
        case menu_id::kAutoMode:
            if (e.UiState == 0) {
                if (e.AdvanceMode != 0) {
                    e.EndAutoMode();
                } else {
                    e.StartAutoMode();
                }
            }
            break;
        case menu_id::kForcedSkip:
            e.env.ForcedSkip = e.env.ForcedSkip == 0 ? 1 : 0;
            RefreshMenuChecks(e);
            break;
        case menu_id::kFullScreen:
            ToggleFullScreen(e);
            RefreshMenuChecks(e);
            break;
        case menu_id::kScreenEffects:
            e.env.screenEffects = e.env.screenEffects == 0 ? 1 : 0;
            RefreshMenuChecks(e);
            break;
        case menu_id::kReturnToTitle:
            if (e.MessageBox(Sjis(msg::kConfirmTitle), Sjis(msg::kConfirmCaption),
                             MessageBoxKind::kOkCancel) == MessageBoxAnswer::kOk) {
                e.Restart();
            }
            break;
        case menu_id::kExit:
            if (e.MessageBox(Sjis(msg::kConfirmExit), Sjis(msg::kConfirmCaption),
                             MessageBoxKind::kOkCancel) == MessageBoxAnswer::kOk) {
                e.RequestClose();
            }
            break;
        case menu_id::kVersion:
            RunVersionDialog(e);
            break;
        default:
            break;
    }
    e.NotifyStateChange();
}

bool ChooseMenuCommand(Engine& e, int id, std::string& why) {
    if (!SystemMenuOpen(e)) {
        why = "no popup menu is open";
    } else if (e.systemMenu.Find(id) == nullptr) {
        why = "the popup menu has no command " + std::to_string(id);
    } else if (e.systemMenu.Grayed(id)) {
        why = "the command " + std::to_string(id) + " is grayed";
    } else {
        e.popupMenu->Finish(e, id);
        e.overlays.Remove(e, e.popupMenu.get());
        return true;
    }
    TraceMenu(e, "refused", id, why);
    return false;
}

}  // namespace textreel
