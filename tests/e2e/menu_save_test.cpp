// Saves made while a choice menu waits, loaded in a later run: the menu comes back ready for a
// click, and the story goes on after the choice as in a run that never stopped.
//
// The title (menu-save):
//   どこへ行こうか。 / $C / $selword / (north,0,北へ) / (south,0,南へ) / selend
//   :north / 北へ向かった。 / $C / $selarea bg\lit.png / (100,100,...,left,0) /
//   (400,100,...,right,0) / selend
//   :left / 左へ行った。 / $C / $imgblt bg\plain.png / $flagselect (bg\locked.png,...) /
//   (0,0,99,99,one,0,) / (100,0,199,99,two,0,) / $flagselend / :one ... / :two 二つ目を選んだ。
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/menu-save";

void Pictures(E2eRun& run) {
    for (const char* kind : {"save", "load"}) {
        std::string base = run.Title() + "/cg/menu/" + kind;
        WriteBytes(base + "_off.png", MakePng(1600, 600, 0x808080, {{800, 0, 800, 600, 0x000000}}));
        WriteBytes(base + "_on.png", MakePng(1600, 600, 0x00FFFF, {{800, 0, 800, 600, 0x000000}}));
    }
    WriteBytes(run.Title() + "/bg/plain.png", MakePng(800, 600, 0xFF0000));
    WriteBytes(run.Title() + "/bg/lit.png", MakePng(800, 600, 0x0000FF));
    WriteBytes(run.Title() + "/bg/locked.png", MakePng(800, 600, 0x404040));
    WriteBytes(run.Title() + "/bg/open.png", MakePng(800, 600, 0x00FF00));
    WriteBytes(run.Title() + "/bg/hover.png", MakePng(800, 600, 0xFFFF00));
}

const std::string kSaveButton = "click 400 590\n";
const std::string kLoadButton = "click 545 590\n";
const std::string kSlot1 = "click 100 200\n";
// Clicks that reach each menu from the start, and the entries each test chooses.
const std::string kToWords = "wait\nclick 400 300\nwait\n";
const std::string kChooseNorth = "click 300 80\nwait\n";
const std::string kToAreas = kToWords + kChooseNorth + "click 400 300\nwait\n";
const std::string kChooseLeft = "click 150 150\nwait\n";
const std::string kToGallery = kToAreas + kChooseLeft + "click 400 300\nwait\n";
const std::string kChooseTwo = "click 150 50\nwait\n";

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text lines and choice menus of a run, in order, as one list.
std::vector<std::string> Story(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& t : r.trace) {
        if (t.Name() == "text") {
            out.push_back("text " + t.Get("line"));
        } else if (t.Name() == "choices") {
            out.push_back("choices " + t.Get("kind") + " " + t.Get("entries"));
        } else if (t.Name() == "jump") {
            out.push_back("jump " + t.Get("label"));
        }
    }
    return out;
}

std::vector<std::string> From(const std::vector<std::string>& story, const std::string& first) {
    for (size_t i = 0; i < story.size(); ++i) {
        if (story[i] == first) {
            return std::vector<std::string>(story.begin() + static_cast<std::ptrdiff_t>(i), story.end());
        }
    }
    return {};
}

struct MenuCase {
    const char* name;
    std::string toMenu;  // from the start to the menu waiting
    std::string choose;  // the click on an entry, then the line after it
    const char* kind;
    const char* after;  // the first text line after the choice
};

TEST(MenuSave, ASaveMadeAtEachMenuLoadsAndTheChoiceGoesOnAsWithoutTheRoundTrip) {
    const MenuCase cases[] = {
        {"selword", kToWords, kChooseNorth, "selword", "text 北へ向かった。"},
        {"selarea", kToAreas, kChooseLeft, "selarea", "text 左へ行った。"},
        {"flagselect", kToGallery, kChooseTwo, "flagselect", "text 二つ目を選んだ。"},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.name);
        E2eRun run(kTitle);
        Pictures(run);
        RunResult straight = run.Run(c.toMenu + c.choose + "close\n");
        ASSERT_FALSE(straight.timedOut) << straight.stderrText;
        std::vector<std::string> expected = From(Story(straight), c.after);
        ASSERT_FALSE(expected.empty());

        // The bar's SAVE is not offered over the picture grid of flagselect; its save is the one a
        // player makes at the word menu, moved to where the grid waits (as the original program
        // writes it: the start of the line after "$flagselend").
        bool crafted = std::string(c.kind) == "flagselect";
        RunResult saving = run.Run((crafted ? kToWords : c.toMenu) + kSaveButton + "wait\n" + kSlot1 +
                                   "wait\nclick 60 110\nwait\nclose\n");
        ASSERT_FALSE(saving.timedOut) << saving.stderrText;
        ASSERT_EQ(saving.Events("save").size(), 1u) << saving.stderrText;
        ASSERT_EQ(saving.Events("save")[0].Get("ok"), "true");
        std::string slot = run.Title() + "/save/save01.sav";
        if (crafted) {
            std::vector<uint8_t> scenario = ReadFile(run.Title() + "/scenario.txt");
            std::string text(scenario.begin(), scenario.end());
            size_t end = text.find("$flagselend\r\n");
            ASSERT_NE(end, std::string::npos);
            auto p = static_cast<uint32_t>(end + 13);
            std::vector<uint8_t> block = ReadFile(slot);
            ASSERT_EQ(block.size(), 1424u);
            for (int i = 0; i < 4; ++i) {
                block[static_cast<size_t>(i)] = static_cast<uint8_t>(p >> (8 * i));
            }
            WriteBytes(slot, block);
        }

        RunResult loading =
            run.Run("wait\n" + kLoadButton + "wait\n" + kSlot1 + "wait\n" + c.choose + "close\n");
        ASSERT_FALSE(loading.timedOut) << loading.stderrText;
        ASSERT_EQ(loading.Events("load").size(), 1u) << loading.stderrText;
        EXPECT_EQ(loading.Events("load")[0].Get("ok"), "true");
        EXPECT_TRUE(loading.Events("message").empty()) << loading.Events("message")[0].Get("text");
        // The menu is offered again after the load, then the choice leads where it led before.
        std::vector<std::string> story = Story(loading);
        std::vector<std::string> choices;
        for (const std::string& s : story) {
            if (s.rfind("choices ", 0) == 0) {
                choices.push_back(s);
            }
        }
        ASSERT_FALSE(choices.empty());
        EXPECT_EQ(choices.back().rfind(std::string("choices ") + c.kind, 0), 0u) << choices.back();
        EXPECT_EQ(From(story, c.after), expected);
    }
}

// A menu whose "selend" is the scenario's last line: a save made while it waits stands just past
// the last line, which is inside the scenario, so the save loads and offers the menu again.
//   Where now? / $C / $jmp ask / :north / North it is. / $C / $S /
//   :ask / $selword / (north,0,North) / (south,0,South) / selend
TEST(MenuSave, ASaveAtAMenuThatEndsTheScenarioLoads) {
    E2eRun run(kTitle);
    std::ofstream(run.Title() + "/title.ist", std::ios::binary)
        << "InstanceName=\"e2e-menu-last\"\r\nWindowWidth=\"800\"\r\nWindowHeight=\"600\"\r\n";
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary)
        << "$windowopen\r\n$fill white\r\nWhere now?\r\n$C\r\n$jmp ask\r\n:north\r\nNorth it "
           "is.\r\n$C\r\n$S\r\n"
           ":ask\r\n$selword\r\n(north,0,North)\r\n(south,0,South)\r\nselend\r\n";
    RunResult saving = run.Run(kToWords + "key F5\nwait\nclose\n");
    ASSERT_EQ(saving.Events("save").size(), 1u) << saving.stderrText;
    ASSERT_EQ(saving.Events("save")[0].Get("ok"), "true");
    RunResult loading = run.Run("wait\nkey F9\nwait\n" + kChooseNorth + "close\n");
    ASSERT_EQ(loading.Events("load").size(), 1u) << loading.stderrText;
    EXPECT_EQ(loading.Events("load")[0].Get("ok"), "true");
    EXPECT_TRUE(loading.Events("message").empty()) << loading.stderrText;
    // The menu is offered again, and its choice leads on.
    std::vector<std::string> story = Story(loading);
    ASSERT_GE(story.size(), 3u);
    EXPECT_EQ(story[story.size() - 3].rfind("choices selword", 0), 0u) << story[story.size() - 3];
    EXPECT_EQ(story[story.size() - 2], "jump north");
    EXPECT_EQ(story.back(), "text North it is.");
}

}  // namespace
}  // namespace textreel::testing
