// Keys and the gamepad without the mouse: a choice in each of the three menu kinds made by keys
// alone and by the pad alone, the save screen worked by keys, and the pad's other buttons.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

void CopyDemo(E2eRun& run, const std::string& name) {
    CopyFile(std::string(TEXTREEL_DEMO_DIR) + "/" + name, run.Title() + "/" + name);
}

void Picture(E2eRun& run, const std::string& name, uint32_t colour) {
    WriteBytes(run.Title() + "/" + name, MakePng(800, 600, colour));
}

std::vector<std::string> Field(const RunResult& r, const std::string& event, const std::string& key) {
    std::vector<std::string> values;
    for (const TraceEvent& e : r.Events(event)) {
        values.push_back(e.Get(key));
    }
    return values;
}

// The rect of entry i as the choices event writes it.
std::string EntryRect(const std::string& entries, int i) {
    size_t at = 0;
    for (int n = 0; n <= i; ++n) {
        at = entries.find("\"rect\":", at);
        if (at == std::string::npos) {
            return "";
        }
        at += 7;
    }
    return entries.substr(at, entries.find(']', at) + 1 - at);
}

TEST(Focus, AChoiceIsMadeByKeysAloneAndByThePadAlone) {
    // choice-area:    $selarea bg\lit.png / (100,100,299,199,left,0) / (400,100,599,199,right,0)
    // choice-word:    $selword / (north,0,北へ) / (hidden,5,隠れた道) / (south,2,南へ)
    // choice-gallery: $flagselect (bg\locked.png,bg\open.png,bg\hover.png) CGMODE
    //                 (0,0,99,99,one,2,) / (100,0,199,99,two,3,) / (200,0,299,99,free,0,)
    const std::function<void(E2eRun&)> area = [](E2eRun& run) {
        Picture(run, "bg/plain.png", 0xFF0000);
        Picture(run, "bg/lit.png", 0x0000FF);
    };
    const std::function<void(E2eRun&)> word = [](E2eRun& run) {
        for (const char* part : {"bar_a.bmp", "btnprts.bmp", "waiticon.bmp"}) {
            CopyDemo(run, std::string("cg/menu/") + part);
        }
        WriteBytes(run.Title() + "/cg/menu/menubar.bmp", MakeBmp(MakeMasked(400, 35, 0x206020, 0)));
    };
    const std::function<void(E2eRun&)> gallery = [](E2eRun& run) {
        Picture(run, "cg/02_seen.png", 0xFFFFFF);
        Picture(run, "bg/locked.png", 0x000000);
        Picture(run, "bg/open.png", 0xFF0000);
        Picture(run, "bg/hover.png", 0x00FF00);
    };
    // Tab from nothing takes the first entry, stops at the last, Shift+Tab goes back; the pad's
    // up from nothing takes the last entry, and right stays there.
    const std::string keys = "key Tab\nkey Tab\nkey Tab\nkey Shift+Tab\nkey Return\n";
    const std::string padLast = "pad up\npad right\npad a\n";
    const std::string padFirst = "pad down\npad a\n";
    const struct {
        const char* title;
        const std::function<void(E2eRun&)>& setup;
        const char* before;  // input that reaches the menu
        const std::string& events;
        std::vector<int> focus;
        int chosen;
        const char* label;
    } cases[] = {
        {"choice-area", area, "", keys, {0, 1, 1, 0}, 0, "left"},
        {"choice-area", area, "", padLast, {1, 1}, 1, "right"},
        {"choice-word", word, "click 400 300\nwait\n", keys, {0, 1, 1, 0}, 0, "north"},
        {"choice-word", word, "click 400 300\nwait\n", padLast, {1, 1}, 1, "south"},
        {"choice-gallery", gallery, "", keys, {0, 1, 1, 0}, 0, "one"},
        {"choice-gallery", gallery, "", padFirst, {0}, 0, "one"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " with " + c.events);
        E2eRun run(kTitles + c.title);
        c.setup(run);
        CopyDemo(run, "sound/move.wav");
        RunResult r = run.Run(std::string("wait\n") + c.before + c.events + "wait\nclose\n");
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
        std::vector<TraceEvent> choices = r.Events("choices");
        ASSERT_FALSE(choices.empty());
        std::vector<TraceEvent> focus = r.Events("focus");
        ASSERT_EQ(focus.size(), c.focus.size());
        for (size_t i = 0; i < focus.size(); ++i) {
            EXPECT_EQ(focus[i].Get("kind"), "choice");
            EXPECT_EQ(focus[i].Get("index"), std::to_string(c.focus[i]));
            EXPECT_EQ(focus[i].Get("rect"), EntryRect(choices[0].Get("entries"), c.focus[i]));
        }
        // The pointer went to each newly focused entry: the move sound plays as under the mouse.
        int moves = 0;
        for (size_t i = 0; i < c.focus.size(); ++i) {
            moves += i == 0 || c.focus[i] != c.focus[i - 1] ? 1 : 0;
        }
        EXPECT_EQ(Field(r, "sound", "path"),
                  std::vector<std::string>(static_cast<size_t>(moves), "sound\\move.wav"));
        std::vector<std::string> jumps = Field(r, "jump", "label");
        ASSERT_FALSE(jumps.empty());
        EXPECT_EQ(jumps[0], c.label);
    }
}

TEST(Focus, TheSaveScreenIsWorkedByKeysAndTheKeysWithAMeaningNeverAdvance) {
    // save-load: 最初の行です。 / $C / 二番目の行です。 / $P ...
    E2eRun run(kTitles + "save-load");
    for (const char* kind : {"save", "load"}) {
        std::string base = run.Title() + "/cg/menu/" + kind;
        WriteBytes(base + "_off.png", MakePng(1600, 600, 0x808080, {{800, 0, 800, 600, 0x000000}}));
        WriteBytes(base + "_on.png", MakePng(1600, 600, 0x00FFFF, {{800, 0, 800, 600, 0x000000}}));
    }
    // At the first $C: keys of their own, then Tab takes the bar and the arrows walk it (skip,
    // hide, save), Return opens the save screen; there Down takes the return button, then slot 1,
    // which Return saves into; Up goes back to the return button, whose Return closes the screen.
    // Return then advances again.
    RunResult r = run.Run(
        "wait\nkey V\nkey Shift+C\nkey BackSpace\nwait\nkey Tab\nkey Right\nkey Right\nkey Return\nwait\n"
        "key Down\nkey Down\nscreenshot " +
        run.File("slot.png") + "\nkey Space\nwait\nkey Up\nkey Return\nwait\nkey Return\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
    std::vector<TraceEvent> focus = r.Events("focus");
    std::vector<std::string> seen;
    for (const TraceEvent& f : focus) {
        seen.push_back(f.Get("kind") + " " + f.Get("index") + " " + f.Get("rect"));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"bar 0 [33,579,138,600]", "bar 3 [174,579,278,600]",
                                              "bar 1 [352,579,457,600]", "save 0 [41,97,280,130]",
                                              "save 1 [41,176,373,217]", "save 0 [41,97,280,130]"}));
    EXPECT_EQ(Field(r, "save", "slot"), std::vector<std::string>{"1"});
    EXPECT_EQ(Field(r, "screen", "action"), (std::vector<std::string>{"open", "close"}));
    // The focused slot is lit (yellow) as under the pointer; the next one stays grey.
    Shot slot = LoadShot(run.File("slot.png"));
    const uint32_t lit = slot.At(370, 214);
    const uint32_t plain = slot.At(370, 277);
    EXPECT_TRUE((lit & 0xFF0000) == 0 && (lit & 0xFF) > 0xF0 && (lit & 0xFF00) > 0xF000) << std::hex << lit;
    EXPECT_TRUE((plain & 0xFF) == ((plain >> 16) & 0xFF) && (plain & 0xFF) < 0x90) << std::hex << plain;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"最初の行です。", "二番目の行です。"}));
}

// A focus set on a page or menu is not kept for the next one, even one laid out alike: the first
// Tab there takes the first entry again.
TEST(Focus, TheFocusStartsAfreshOnEveryPageAndMenu) {
    // save-load: 最初の行です。 / $C / 二番目の行です。 / $P ...: the bar at each wait.
    E2eRun bar(kTitles + "save-load");
    RunResult r = bar.Run("wait\nkey Tab\nkey Right\nclick 400 300\nwait\nkey Tab\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.TextLines().size(), 2u);
    EXPECT_EQ(Field(r, "focus", "index"), (std::vector<std::string>{"0", "3", "0"}));
    // choice-word: どちらへ行こうか。 / $C / $selword (two entries shown): the same menu again
    // after going back to the wait before it.
    E2eRun menu(kTitles + "choice-word");
    for (const char* part : {"bar_a.bmp", "btnprts.bmp", "waiticon.bmp"}) {
        CopyDemo(menu, std::string("cg/menu/") + part);
    }
    WriteBytes(menu.Title() + "/cg/menu/menubar.bmp", MakeBmp(MakeMasked(400, 35, 0x206020, 0)));
    r = menu.Run(
        "wait\nclick 400 300\nwait\nkey Tab\nkey Tab\nkey BackSpace\nwait\nclick 400 300\nwait\nkey Tab\n"
        "key Return\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Field(r, "focus", "kind"), (std::vector<std::string>{"choice", "choice", "choice"}));
    EXPECT_EQ(Field(r, "focus", "index"), (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(Field(r, "jump", "label"), std::vector<std::string>{"north"});
}

// Every pixel above the button bar but the wait icon's and the notice's corners.
bool SamePage(const Shot& a, const Shot& b) {
    for (int y = 0; y < 578; ++y) {
        for (int x = 0; x < 800; ++x) {
            const bool icon = x >= 700 && y >= 500;
            const bool notice = x < 400 && y < 40;
            if (!icon && !notice && a.At(x, y) != b.At(x, y)) {
                return false;
            }
        }
    }
    return true;
}

TEST(Keys, AtATextWaitEveryKeyAdvancesAndInTheBacklogEveryKeyLeavesIt) {
    // save-load: 最初の行です。 / $C / 二番目の行です。 / $P ...; each row's keys come at the first $C.
    const std::string view = "key PageUp\nscreenshot VIEW\n";
    const struct {
        std::string keys;
        size_t lines;                     // text lines shown by the end: 2 when the keys advanced
        std::vector<std::string> events;  // of save, load, rollback, notice, clipboard, display, focus
        bool backlog;                     // the keys open the backlog view, which they must leave
    } rows[] = {
        {"key Down", 2, {}, false},
        {"key Up", 2, {}, false},
        {"key Left", 2, {}, false},
        {"key Right", 2, {}, false},
        {"key Return", 2, {}, false},
        {"key Escape", 2, {}, false},
        {"key Shift", 2, {}, false},
        {"key Ctrl", 2, {}, false},
        {"key Alt", 1, {}, false},
        {"key Alt+Return", 1, {"display"}, false},
        {"key Shift+C", 1, {"clipboard", "notice"}, false},
        // Tab takes the bar, the arrows walk it, Tab or Escape leaves it; the keys advance again.
        {"key Tab\nkey Right\nkey Tab\nkey Down", 2, {"focus", "focus"}, false},
        {"key Shift+Tab\nkey Escape\nkey Return", 2, {"focus"}, false},
        {view + "key Down", 1, {}, true},
        {view + "key Return", 1, {}, true},
        {view + "key Shift", 1, {}, true},
        {view + "key BackSpace", 1, {}, true},
        {view + "key F5", 1, {}, true},
        {view + "key F8", 1, {}, true},
        {view + "key F9", 1, {}, true},
        {view + "key V", 1, {}, true},
        {view + "key Shift+C", 1, {}, true},
        {view + "click 400 300", 1, {}, true},
        {view + "rclick 400 300", 1, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keys);
        E2eRun run(kTitles + "save-load");
        std::string keys = row.keys;
        if (size_t at = keys.find("VIEW"); at != std::string::npos) {
            keys.replace(at, 4, run.File("view.png"));
        }
        RunResult r = run.Run("wait\nscreenshot " + run.File("page.png") + "\n" + keys +
                              "\nwait\nscreenshot " + run.File("end.png") + "\nclose\n");
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        EXPECT_EQ(r.TextLines().size(), row.lines);
        std::vector<std::string> seen;
        bool startUp = true;  // the window's first display event
        for (const TraceEvent& t : r.trace) {
            const std::string& name = t.Name();
            if (name == "display" && startUp) {
                startUp = false;
            } else if (name == "save" || name == "load" || name == "rollback" || name == "notice" ||
                       name == "clipboard" || name == "display" || name == "focus") {
                seen.push_back(name);
            }
        }
        EXPECT_EQ(seen, row.events);
        if (row.backlog) {
            Shot page = LoadShot(run.File("page.png"));
            EXPECT_FALSE(SamePage(page, LoadShot(run.File("view.png"))));
            EXPECT_TRUE(SamePage(page, LoadShot(run.File("end.png"))));
        }
    }
}

TEST(Pad, TheButtonsWorkTheMenuAndTheBarWithoutAdvancingAndYTurnsAutoModeOn) {
    // save-load: four lines with $C and $P waits, then $S; auto mode reads them all alone.
    E2eRun run(kTitles + "save-load");
    RunResult r =
        run.Run("wait\npad start\nwait\npad down\npad b\nwait\npad x\npad down\nwait\npad y\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Field(r, "menu", "action"), (std::vector<std::string>{"open", "close"}));
    // The D-pad walks the open menu, then the bar; X (BackSpace) and the D-pad do not advance: the
    // second line follows Y.
    EXPECT_EQ(Field(r, "focus", "kind"), (std::vector<std::string>{"menu", "bar"}));
    EXPECT_EQ(Field(r, "focus", "index"), (std::vector<std::string>{"0", "0"}));
    size_t y = 0;
    size_t second = 0;
    for (size_t i = 0; i < r.trace.size(); ++i) {
        y = r.trace[i].Get("command") == "pad y" ? i : y;
        second = r.trace[i].Get("line") == "二番目の行です。" ? i : second;
    }
    EXPECT_GT(second, y);
    EXPECT_GT(y, 0u);
    EXPECT_EQ(r.TextLines(),
              (std::vector<std::string>{"最初の行です。", "二番目の行です。",
                                        "三番目の行、ここでセーブします。", "四番目の行です。"}));
}

}  // namespace
}  // namespace textreel::testing
