// Titles a translation has changed through textreel.ini: rows that wrap at words. The trace's
// `text` event tells every title's rows, so that wrapping can be checked without pixels.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// The ink (any lit pixel) in a rectangle of a screenshot.
int Ink(const Shot& shot, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (uint32_t c : shot.Area(x0, y0, x1, y1)) {
        lit += c != 0 ? 1 : 0;
    }
    return lit;
}

TEST(Translation, ARowWrapsBeforeAWordThatWouldBeCut) {
    // textreel.ini: "[text]" / "wrap = words"; scenario line 1:
    // "The dawn train ran along the sea while the sky turned slowly to gold as morning came over ..."
    // "morning" starts at x 760, so wrapping by character would cut it after "mor".
    E2eRun run(kTitles + "word-wrap");
    RunResult r = run.Run("wait\nscreenshot " + run.File("wrapped.png") + "\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> text = r.Events("text");
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0].Get("rows"),
              "[\"The dawn train ran along the sea while the sky turned slowly to gold as \","
              "\"morning came over the water and the passengers woke one by one.\"]");
    EXPECT_EQ(text[1].Get("rows"), "[\"A short line stays on one row.\"]");
    Shot shot = LoadShot(run.File("wrapped.png"));
    // Nothing stands where "mor" would have been, and the word begins the second row at x 40.
    EXPECT_EQ(Ink(shot, 752, 445, 800, 471), 0);
    EXPECT_GT(Ink(shot, 36, 472, 106, 498), 100);
    EXPECT_GT(Ink(shot, 36, 445, 106, 471), 100);
    EXPECT_EQ(r.stderrText.find("textreel.ini"), std::string::npos) << r.stderrText;
}

TEST(Translation, AnUntouchedTitleTellsItsRowsAsItAlwaysCutThem) {
    // text-page has no textreel.ini; its lines are short Japanese lines, one row each.
    E2eRun run(kTitles + "text-page");
    RunResult r = run.Run("wait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> text = r.Events("text");
    ASSERT_FALSE(text.empty());
    for (const TraceEvent& e : text) {
        EXPECT_EQ(e.Get("rows"), "[\"" + e.Get("line") + "\"]");
    }
}

// The columns from the first to the last one where a button's text differs from its bar.
int TextWidth(const Shot& shot, int top, uint32_t bar) {
    int first = -1;
    int last = -1;
    for (int x = 250; x < 640; ++x) {
        for (int y = top + 2; y < top + 34; ++y) {
            if (shot.At(x, y) != bar) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

TEST(Translation, AnEnglishTitleDrawsProportionalButtonsAndEnglishTexts) {
    // textreel.ini: "encoding = utf-8", "latin = proportional", "language = en", and in [texts]
    // "確認 = Are you sure?". Scenario: "$selword" / "(thin,0,iiiiiiiiii)" / "(wide,0,MMMMMMMMMM)".
    E2eRun run(kTitles + "translated-menu");
    for (const char* part : {"bar_a.bmp", "btnprts.bmp", "waiticon.bmp"}) {
        CopyFile(std::string(TEXTREEL_DEMO_DIR) + "/cg/menu/" + part, run.Title() + "/cg/menu/" + part);
    }
    constexpr uint32_t kBar = 0x206020;
    WriteBytes(run.Title() + "/cg/menu/menubar.bmp", MakeBmp(MakeMasked(400, 35, kBar, 0)));
    RunResult r =
        run.Run("wait\nclick 400 300\nwait\nmove 10 10\nscreenshot " + run.File("buttons.png") +
                "\nrclick 700 500\nwait\nanswer cancel\nmenu 40001\nwait\nclick 300 130\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    // Ten i's take far less room than ten M's; fixed-width Latin gives both ten half cells.
    Shot shot = LoadShot(run.File("buttons.png"));
    const int thin = TextWidth(shot, 70, kBar);
    const int wide = TextWidth(shot, 120, kBar);
    EXPECT_GT(thin, 10);
    EXPECT_GT(wide, thin * 2) << thin << " " << wide;
    // The confirmation speaks English, with the title's own caption; cancelled, the story goes on.
    std::vector<TraceEvent> boxes = r.Events("message");
    ASSERT_EQ(boxes.size(), 1u) << r.stderrText;
    EXPECT_EQ(boxes[0].Get("text"), "The game will end.");
    EXPECT_EQ(boxes[0].Get("caption"), "Are you sure?");
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"Which way?", "Wide."}));
}

// The save screens' pictures, as the save-load tests make them.
void ScreenPictures(E2eRun& run) {
    for (const char* kind : {"save", "load"}) {
        std::string base = run.Title() + "/cg/menu/" + kind;
        WriteBytes(base + "_off.png", MakePng(1600, 600, 0x808080, {{800, 0, 800, 600, 0x000000}}));
        WriteBytes(base + "_on.png", MakePng(1600, 600, 0x00FFFF, {{800, 0, 800, 600, 0x000000}}));
    }
}

std::string SavedTitle(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != 1424) {
        return "(no save)";
    }
    std::string title = bytes.substr(1373, 50);
    return title.substr(0, title.find('\0'));
}

struct Utf8Case {
    const char* title;
    const char* name;
    const char* opening;    // the line before the page break that precedes the saved page
    const char* firstLine;  // as shown, the name put in
    const char* saveTitle;  // the save title: the first 30 bytes cut to whole characters, then "…"
    const char* nextLine;
};

// A UTF-8 title names its player in the name entry, shows the name in its lines, saves, and in a
// later run loads the save, name and all.
void PlayUtf8Title(const Utf8Case& c) {
    E2eRun run(kTitles + c.title);
    ScreenPictures(run);
    const std::string save = "click 400 590\nwait\nclick 100 200\nwait\nclick 60 110\nwait\n";
    RunResult saving =
        run.Run("wait\ntext " + std::string(c.name) + "\nwait\nclick 400 300\nwait\n" + save + "close\n");
    ASSERT_FALSE(saving.timedOut) << saving.stderrText;
    std::vector<TraceEvent> dialogs = saving.Events("dialog");
    ASSERT_EQ(dialogs.size(), 1u) << saving.stderrText;
    EXPECT_EQ(dialogs[0].Get("value"), c.name);
    EXPECT_EQ(saving.TextLines(), (std::vector<std::string>{c.opening, c.firstLine}));
    ASSERT_EQ(saving.Events("save").size(), 1u);
    EXPECT_EQ(SavedTitle(run.Title() + "/save/save01.sav"), c.saveTitle);

    // Another name first, then the load brings back the saved one.
    RunResult loading =
        run.Run("wait\ntext X\nwait\nclick 545 590\nwait\nclick 100 200\nwait\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(loading.timedOut) << loading.stderrText;
    std::vector<TraceEvent> loads = loading.Events("load");
    ASSERT_EQ(loads.size(), 1u) << loading.stderrText;
    EXPECT_EQ(loads[0].Get("ok"), "true");
    // The saved page is drawn again with the saved name, and the story goes on with it.
    std::vector<std::string> lines = loading.TextLines();
    EXPECT_EQ(lines, (std::vector<std::string>{c.opening, c.firstLine, c.nextLine}));
    EXPECT_TRUE(loading.Events("message").empty()) << loading.stderrText;
}

TEST(Translation, ARussianTitleShowsSavesAndLoadsItsText) {
    // "$name_entry" / "Начало." / "$P" / "Привет, ＊＊＊!! Поезд шёл вдоль моря, ..." / "$C" / "Дальше,
    // ＊＊＊." (UTF-8, textreel.ini: "encoding = utf-8"). Byte 30 of the saved line falls inside "е": the
    // title keeps "По".
    PlayUtf8Title({"utf8-russian", "Иван", "Начало.",
                   "Привет, Иван!! Поезд шёл вдоль моря, и небо медленно становилось золотым.",
                   "Привет, Иван!! По\xE2\x80\xA6", "Дальше, Иван."});
}

TEST(Translation, AKoreanTitleShowsSavesAndLoadsItsText) {
    // "$name_entry" / "시작." / "$P" / "안녕하세요, ＊＊＊! 열차는 바다를 따라 달렸다." / "$C" / "다음 줄,
    // ＊＊＊." Byte 30 falls inside "차".
    PlayUtf8Title({"utf8-korean", "민수", "시작.", "안녕하세요, 민수! 열차는 바다를 따라 달렸다.",
                   "안녕하세요, 민수! 열\xE2\x80\xA6", "다음 줄, 민수."});
}

}  // namespace
}  // namespace textreel::testing
