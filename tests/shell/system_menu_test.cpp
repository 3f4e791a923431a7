// The system menu's model (items, check marks, the grayed item), its commands with the env.dat
// bytes they leave, and the popup's layout and input.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "shell/popup_menu.h"
#include "shell/system_menu.h"
#include "support/engine_fixture.h"

namespace textreel {
namespace {

using testing::EngineFixture;

// The popup as "id text" lines, submenus as "> text" with their items indented, separators "-".
void Describe(const MenuItem& menu, const std::string& indent, std::vector<std::string>& out) {
    for (const MenuItem& item : menu.items) {
        switch (item.kind) {
            case MenuItem::Kind::kSeparator:
                out.push_back(indent + "-");
                break;
            case MenuItem::Kind::kSubmenu:
                out.push_back(indent + "> " + item.text);
                Describe(item, indent + "  ", out);
                break;
            case MenuItem::Kind::kCommand:
                out.push_back(indent + std::to_string(item.id) + " " + item.text);
                break;
        }
    }
}

TEST(SystemMenuModel, ItemsIdsAndTextsTopToBottom) {
    SystemMenu menu;
    EXPECT_EQ(menu.Root().text, "システム");
    std::vector<std::string> lines;
    Describe(menu.Root(), "", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"40025 シナリオの自動送り",
                                               "> 設定",
                                               "  > メッセージ速度",
                                               "    40029 行表示",
                                               "    40007 快速",
                                               "    40008 普通",
                                               "    40027 やや遅い",
                                               "    40009 遅い",
                                               "  40042 強制スキップする",
                                               "  -",
                                               "  40005 フルスクリーン",
                                               "  40031 画面エフェクト",
                                               "  -",
                                               "  > SE音量",
                                               "    40032 100%",
                                               "    40038 75%",
                                               "    40033 50%",
                                               "    40039 25%",
                                               "    40034 0%（OFF）",
                                               "  > BGM音量",
                                               "    40035 100%",
                                               "    40040 75%",
                                               "    40036 50%",
                                               "    40041 25%",
                                               "    40037 0%(OFF)",
                                               "-",
                                               "40010 タイトル画面へ戻る",
                                               "40001 システム終了",
                                               "-",
                                               "40002 システム確認"}));
    // A title that chose English sees every item in English.
    TextTable english;
    english.Use(Language::kEnglish, {});
    menu.Translate(english);
    EXPECT_EQ(menu.Root().text, "System");
    EXPECT_EQ(menu.Find(menu_id::kExit)->text, "Quit");
    EXPECT_EQ(menu.Find(menu_id::kSe0)->text, "0% (off)");
}

std::set<int> CheckedIds(const SystemMenu& menu) {
    std::set<int> out;
    for (int id = 40000; id < 40050; ++id) {
        if (menu.Checked(id)) {
            out.insert(id);
        }
    }
    return out;
}

TEST(SystemMenuModel, CheckMarksFollowTheSettings) {
    struct Case {
        MenuSettings settings;
        std::set<int> checked;
    };
    const Case cases[] = {
        // The defaults: 快速, windowed, effects on, SE 100%, BGM 75%, no forced skip.
        {{1, 0, 1, 1, 100, 75, 0}, {40007, 40031, 40032, 40040}},
        {{0, 1, 0, 0, 0, 0, 0}, {40029, 40042, 40005, 40034, 40037}},
        {{40, 5, 1, 3, 50, 25, 0}, {40008, 40042, 40031, 40033, 40041}},
        {{100, 0, 2, 1, 25, 100, 0}, {40027, 40031, 40039, 40035}},
        {{200, 0, 1, 0, 75, 50, 1}, {40009, 40038, 40036}},
    };
    for (const Case& c : cases) {
        SystemMenu menu;
        menu.Refresh(c.settings);
        EXPECT_EQ(CheckedIds(menu), c.checked) << "speed " << c.settings.speedMs;
    }
}

TEST(SystemMenuModel, AValueOfNoItemLeavesItsGroupAsItWas) {
    SystemMenu menu;
    menu.Refresh({40, 0, 1, 1, 50, 25, 0});
    menu.Refresh({7, 0, 1, 1, 60, -1, 0});
    EXPECT_EQ(CheckedIds(menu), (std::set<int>{40008, 40031, 40033, 40041}));
}

TEST(SystemMenuModel, AutoModeIsGrayedOutsideReadingAndNeverChecked) {
    for (int state : {0, 1, 10, 20, 30, 100}) {
        SystemMenu menu;
        menu.Refresh({1, 0, 1, 1, 100, 75, state});
        EXPECT_EQ(menu.Grayed(menu_id::kAutoMode), state != 0) << state;
        EXPECT_FALSE(menu.Checked(menu_id::kAutoMode));
    }
}

// An engine with the defaults read (no env.dat yet) and a 10-byte scenario.
struct CommandFixture : EngineFixture {
    CommandFixture() {
        engine.scenario.LoadBytes(std::vector<uint8_t>(10, 'a'));
        engine.ReadEnvDat();
    }
    std::vector<uint8_t> Record() {
        std::vector<uint8_t> file = title.Read("save/env.dat");
        file.resize(std::min<size_t>(file.size(), 64));
        return file;
    }
};

std::vector<uint8_t> DefaultRecord() {
    std::vector<uint8_t> r(64, 0);
    r[0] = 1;     // SpeedMs
    r[4] = 1;     // windowed
    r[8] = 1;     // screenEffects
    r[12] = 100;  // seVolume
    r[14] = 75;   // bgmVolume
    return r;
}

TEST(SystemMenuCommands, EachSettingCommandLeavesItsBytesInEnvDat) {
    struct Case {
        int id;
        int offset;
        std::vector<uint8_t> bytes;
        bool refreshes;  // the marks move at once
    };
    const Case cases[] = {
        {40029, 0, {0, 0, 0, 0}, true},   {40007, 0, {1, 0, 0, 0}, true},   {40008, 0, {40, 0, 0, 0}, true},
        {40027, 0, {100, 0, 0, 0}, true}, {40009, 0, {200, 0, 0, 0}, true}, {40042, 60, {1, 0, 0, 0}, true},
        {40005, 4, {0, 0, 0, 0}, true},   {40031, 8, {0, 0, 0, 0}, true},   {40032, 12, {100, 0}, false},
        {40038, 12, {75, 0}, false},      {40033, 12, {50, 0}, false},      {40039, 12, {25, 0}, false},
        {40034, 12, {0, 0}, false},       {40035, 14, {100, 0}, false},     {40040, 14, {75, 0}, false},
        {40036, 14, {50, 0}, false},      {40041, 14, {25, 0}, false},      {40037, 14, {0, 0}, false},
    };
    for (const Case& c : cases) {
        CommandFixture f;
        RefreshMenuChecks(f.engine);
        std::set<int> before = CheckedIds(f.engine.systemMenu);
        RunMenuCommand(f.engine, c.id);
        std::vector<uint8_t> expected = DefaultRecord();
        std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + c.offset);
        EXPECT_EQ(f.Record(), expected) << c.id;
        EXPECT_EQ(f.title.Read("save/env.dat").size(), 74u) << c.id;
        if (c.refreshes) {
            // Every mark is set at once; 画面エフェクト has just been turned off.
            EXPECT_EQ(f.engine.systemMenu.Checked(c.id), c.id != menu_id::kScreenEffects) << c.id;
        } else {
            // A volume's mark moves only when the menu opens again.
            EXPECT_EQ(CheckedIds(f.engine.systemMenu), before) << c.id;
        }
        // The next opening moves the mark of a volume too.
        RefreshMenuChecks(f.engine);
        if (!c.refreshes) {
            EXPECT_TRUE(f.engine.systemMenu.Checked(c.id)) << c.id;
        }
    }
}

TEST(SystemMenuCommands, TogglesGoBackOnTheSecondChoice) {
    CommandFixture f;
    for (int id : {menu_id::kForcedSkip, menu_id::kFullScreen, menu_id::kScreenEffects}) {
        RunMenuCommand(f.engine, id);
        RunMenuCommand(f.engine, id);
    }
    EXPECT_EQ(f.Record(), DefaultRecord());
    EXPECT_EQ(f.engine.env.windowed, 1);
    EXPECT_FALSE(f.platform.Display().fullscreen);
}

TEST(SystemMenuCommands, AutoModeStartsAndEndsOnlyWhileReadingAndWritesNothing) {
    CommandFixture f;
    RunMenuCommand(f.engine, menu_id::kAutoMode);
    EXPECT_EQ(f.engine.AdvanceMode, 3);
    RunMenuCommand(f.engine, menu_id::kAutoMode);
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    f.engine.UiState = 1;
    RunMenuCommand(f.engine, menu_id::kAutoMode);
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    EXPECT_FALSE(f.title.Exists("save/env.dat"));
}

TEST(SystemMenuCommands, TheConfirmationsAskFirst) {
    CommandFixture f;
    f.platform.SetAnswer(MessageBoxAnswer::kCancel);
    RunMenuCommand(f.engine, menu_id::kReturnToTitle);
    RunMenuCommand(f.engine, menu_id::kExit);
    EXPECT_FALSE(f.engine.RestartPending());
    EXPECT_FALSE(f.engine.Quitting());
    EXPECT_EQ(f.platform.Messages(), (std::vector<std::string>{"タイトルに戻ります", "終了します。"}));

    f.platform.SetAnswer(MessageBoxAnswer::kOk);
    RunMenuCommand(f.engine, menu_id::kReturnToTitle);
    EXPECT_TRUE(f.engine.RestartPending());
    RunMenuCommand(f.engine, menu_id::kExit);
    EXPECT_TRUE(f.engine.Quitting());
}

TEST(SystemMenuCommands, ChoosingNeedsAnOpenMenuAndAnEnabledCommand) {
    CommandFixture f;
    std::string why;
    EXPECT_FALSE(ChooseMenuCommand(f.engine, menu_id::kSpeedSlow, why));
    EXPECT_EQ(why, "no popup menu is open");
    f.engine.UiState = 1;
    OpenSystemMenu(f.engine, 10, 10);
    EXPECT_FALSE(ChooseMenuCommand(f.engine, menu_id::kAutoMode, why));
    EXPECT_EQ(why, "the command 40025 is grayed");
    EXPECT_FALSE(ChooseMenuCommand(f.engine, 40003, why));
    EXPECT_TRUE(SystemMenuOpen(f.engine));
    EXPECT_TRUE(ChooseMenuCommand(f.engine, menu_id::kSpeedSlow, why));
    EXPECT_FALSE(SystemMenuOpen(f.engine));
    EXPECT_EQ(f.engine.overlays.Count(), 0);
}

InputEvent Mouse(InputEvent::Kind kind, int x, int y, int button = 0) {
    InputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.button = button;
    return e;
}

InputEvent KeyDown(int key) {
    InputEvent e;
    e.kind = InputEvent::Kind::kKeyDown;
    e.key = key;
    return e;
}

// The middle of item index of an open panel.
void RowCentre(const PopupMenuWindow::Panel& p, int index, int& x, int& y) {
    x = p.x + p.width / 2;
    y = p.y + p.rowTop[static_cast<size_t>(index)] + p.rowHeight[static_cast<size_t>(index)] / 2;
}

TEST(PopupMenu, StaysInsideThePictureWhereverItOpens) {
    struct Case {
        int width, height, x, y;
    };
    const Case cases[] = {{800, 600, 0, 0},    {800, 600, 799, 599}, {800, 600, 790, 10},
                          {640, 480, 10, 470}, {320, 240, 319, 239}, {160, 120, 80, 60}};
    for (const Case& c : cases) {
        EngineFixture f(c.width, c.height);
        PopupMenuWindow popup(f.engine, c.x, c.y);
        int x = 0;
        int y = 0;
        // Open the deepest submenus too: 設定, then SE音量.
        RowCentre(popup.Panels()[0], 1, x, y);
        popup.Input(f.engine, Mouse(InputEvent::Kind::kMouseMove, x, y));
        ASSERT_EQ(popup.Panels().size(), 2u);
        RowCentre(popup.Panels()[1], 6, x, y);
        popup.Input(f.engine, Mouse(InputEvent::Kind::kMouseMove, x, y));
        ASSERT_EQ(popup.Panels().size(), 3u);
        for (const PopupMenuWindow::Panel& p : popup.Panels()) {
            EXPECT_GE(p.x, 0);
            EXPECT_GE(p.y, 0);
            if (p.width <= c.width && p.height <= c.height) {
                EXPECT_LE(p.x + p.width, c.width) << c.width << " " << c.x;
                EXPECT_LE(p.y + p.height, c.height) << c.height << " " << c.y;
            }
        }
        Viewport b = popup.Bounds();
        EXPECT_GT(b.width, 0);
    }
}

TEST(PopupMenu, HoverOpensASubmenuAndAClickChooses) {
    CommandFixture f;
    OpenSystemMenu(f.engine, 100, 100);
    PopupMenuWindow& popup = *f.engine.popupMenu;
    EXPECT_EQ(popup.Panels()[0].x, 100);
    int x = 0;
    int y = 0;
    RowCentre(popup.Panels()[0], 1, x, y);  // 設定
    f.engine.HandleInput(Mouse(InputEvent::Kind::kMouseMove, x, y));
    RowCentre(popup.Panels()[1], 0, x, y);  // メッセージ速度
    f.engine.HandleInput(Mouse(InputEvent::Kind::kMouseMove, x, y));
    ASSERT_EQ(popup.Panels().size(), 3u);
    // A click on a separator does nothing; one on 遅い chooses it.
    RowCentre(popup.Panels()[1], 2, x, y);
    f.engine.HandleInput(Mouse(InputEvent::Kind::kButtonUp, x, y, InputEvent::kLeftButton));
    EXPECT_TRUE(SystemMenuOpen(f.engine));
    RowCentre(popup.Panels()[0], 1, x, y);
    f.engine.HandleInput(Mouse(InputEvent::Kind::kMouseMove, x, y));
    RowCentre(popup.Panels()[1], 0, x, y);
    f.engine.HandleInput(Mouse(InputEvent::Kind::kMouseMove, x, y));
    RowCentre(popup.Panels()[2], 4, x, y);
    f.engine.HandleInput(Mouse(InputEvent::Kind::kButtonUp, x, y, InputEvent::kRightButton));
    EXPECT_FALSE(SystemMenuOpen(f.engine));
    // The command arrives as a posted request, after the menu has gone.
    EXPECT_EQ(f.engine.env.SpeedMs, 1);
    f.engine.ServeRequestsUntil([] { return true; });
    EXPECT_EQ(f.engine.env.SpeedMs, 200);
    EXPECT_EQ(f.Record()[0], 200);
}

TEST(PopupMenu, AGrayedItemIgnoresClicksAndAClickOutsideCloses) {
    CommandFixture f;
    f.engine.UiState = 20;
    OpenSystemMenu(f.engine, 100, 100);
    int x = 0;
    int y = 0;
    RowCentre(f.engine.popupMenu->Panels()[0], 0, x, y);
    f.engine.HandleInput(Mouse(InputEvent::Kind::kButtonUp, x, y, InputEvent::kLeftButton));
    EXPECT_TRUE(SystemMenuOpen(f.engine));
    f.engine.HandleInput(Mouse(InputEvent::Kind::kButtonUp, 5, 5, InputEvent::kLeftButton));
    EXPECT_FALSE(SystemMenuOpen(f.engine));
    f.engine.ServeRequestsUntil([] { return true; });
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    std::vector<std::string> lines = f.engine.trace.CapturedLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[lines.size() - 2].find("\"action\":\"open\""), std::string::npos);
    EXPECT_NE(lines.back().find("\"action\":\"close\""), std::string::npos);
}

TEST(PopupMenu, KeysWalkTheItemsAndEscapeCloses) {
    CommandFixture f;
    OpenSystemMenu(f.engine, 100, 100);
    // Down twice (the first item, then 設定), Right into it (メッセージ速度), Down (強制スキップする).
    for (int key : {vk::kDown, vk::kDown, vk::kRight, vk::kDown, vk::kReturn}) {
        f.engine.HandleInput(KeyDown(key));
    }
    EXPECT_FALSE(SystemMenuOpen(f.engine));
    f.engine.ServeRequestsUntil([] { return true; });
    EXPECT_EQ(f.engine.env.ForcedSkip, 1);

    OpenSystemMenu(f.engine, 100, 100);
    f.engine.HandleInput(KeyDown(vk::kUp));  // from no highlight: the last item, システム確認
    f.engine.HandleInput(KeyDown(vk::kEscape));
    EXPECT_FALSE(SystemMenuOpen(f.engine));
    f.engine.ServeRequestsUntil([] { return true; });
    EXPECT_EQ(f.engine.overlays.Count(), 0);
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

TEST(PopupMenu, ThePaintingAtTheWindowsResolutionIsTheGamePaintingScaledOutsideTheText) {
    testing::EngineFixture f(640, 480);
    PopupMenuWindow popup(f.engine, 50, 40);
    Viewport b = popup.Bounds();
    OverlayCanvas game(b.width, b.height);
    popup.Paint(game);
    OverlayCanvas sharp(b.width * 2, b.height * 2);
    ASSERT_TRUE(popup.PaintSharp(sharp, 2.0));
    // The outline, the panel and the separators, left of where the text starts.
    int compared = 0;
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < PopupMenuWindow::kGutter; ++x) {
            for (int k = 0; k < 4; ++k) {
                EXPECT_EQ(sharp.At(2 * x + k % 2, 2 * y + k / 2), game.At(x, y)) << x << "," << y;
            }
            ++compared;
        }
    }
    EXPECT_EQ(game.At(0, 0) & 0xFFFFFF, PopupMenuWindow::kOutline);
    EXPECT_EQ(game.At(5, 5) & 0xFFFFFF, PopupMenuWindow::kPanel);
    EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace textreel
