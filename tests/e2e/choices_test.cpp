// The three choice menus played through the real binary: the trace's choices and jumps, the hover
// highlight in screenshots, the move sound, and a menu that has no entry at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

constexpr uint32_t kBlue = 0xFF0000;  // 0x00BBGGRR
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

void Picture(E2eRun& run, const std::string& name, uint32_t colour) {
    WriteBytes(run.Title() + "/" + name, MakePng(800, 600, colour));
}

void CopyDemo(E2eRun& run, const std::string& name) {
    CopyFile(std::string(TEXTREEL_DEMO_DIR) + "/" + name, run.Title() + "/" + name);
}

int Count(const RunResult& r, const std::string& event, const std::string& key, const std::string& value) {
    int n = 0;
    for (const TraceEvent& e : r.Events(event)) {
        n += e.Get(key) == value ? 1 : 0;
    }
    return n;
}

TEST(Choices, AnAreaMenuHighlightsUnderThePointerAndJumpsOnAClick) {
    E2eRun run(kTitles + "choice-area");
    Picture(run, "bg/plain.png", kBlue);
    Picture(run, "bg/lit.png", kRed);
    CopyDemo(run, "sound/move.wav");
    RunResult r =
        run.Run("wait\nmove 150 150\nscreenshot " + run.File("left.png") + "\nmove 160 160\nmove 450 150\n" +
                "screenshot " + run.File("right.png") + "\nmove 700 500\nscreenshot " + run.File("none.png") +
                "\nclick 700 500\nclick 450 150\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
    std::vector<TraceEvent> choices = r.Events("choices");
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].Get("kind"), "selarea");
    // The item behind an unset event flag is not entered.
    EXPECT_EQ(choices[0].Get("entries"),
              R"([{"label":"left","rect":[100,100,299,199]},{"label":"right","rect":[400,100,599,199]}])");
    Shot left = LoadShot(run.File("left.png"));
    EXPECT_EQ(left.At(150, 150), kRed);
    EXPECT_EQ(left.At(450, 150), kBlue);
    EXPECT_EQ(left.At(50, 50), kBlue);
    Shot right = LoadShot(run.File("right.png"));
    EXPECT_EQ(right.At(150, 150), kBlue);
    EXPECT_EQ(right.At(450, 150), kRed);
    Shot none = LoadShot(run.File("none.png"));
    EXPECT_EQ(none.At(150, 150), kBlue);
    EXPECT_EQ(none.At(450, 150), kBlue);
    // Entering each item plays the move sound once; moving within one or leaving all is silent.
    EXPECT_EQ(Count(r, "sound", "path", "sound\\move.wav"), 2);
    // The click beside the items does nothing; the one on "right" jumps there.
    EXPECT_EQ(Count(r, "jump", "label", "right"), 1);
    EXPECT_EQ(r.Events("jump").size(), 1u);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"右へ行った。"}));
}

TEST(Choices, AWordMenuSlidesInItsButtonsAndHighlightsTheTextUnderThePointer) {
    E2eRun run(kTitles + "choice-word");
    for (const char* part : {"bar_a.bmp", "btnprts.bmp", "waiticon.bmp"}) {
        CopyDemo(run, std::string("cg/menu/") + part);
    }
    WriteBytes(run.Title() + "/cg/menu/menubar.bmp", MakeBmp(MakeMasked(400, 35, 0x206020, 0)));
    CopyDemo(run, "sound/move.wav");
    CopyDemo(run, "sound/click.wav");
    RunResult r =
        run.Run("wait\nclick 400 300\nwait\nmove 10 10\nscreenshot " + run.File("plain.png") +
                "\nmove 300 80\nscreenshot " + run.File("first.png") + "\nmove 300 130\nscreenshot " +
                run.File("second.png") + "\nclick 80 590\nclick 200 590\nclick 300 130\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
    std::vector<TraceEvent> choices = r.Events("choices");
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].Get("kind"), "selword");
    EXPECT_EQ(choices[0].Get("entries"),
              R"([{"label":"north","rect":[240,70,640,105]},{"label":"south","rect":[241,120,641,155]}])");
    Shot plain = LoadShot(run.File("plain.png"));
    // The bar lies over the picture; beside it the white picture shows.
    EXPECT_EQ(plain.At(260, 75), 0x206020u);
    EXPECT_EQ(plain.At(700, 75), kWhite);
    Shot first = LoadShot(run.File("first.png"));
    Shot second = LoadShot(run.File("second.png"));
    // Only the text of the button under the pointer changes to its highlighted colour.
    EXPECT_NE(first.Area(240, 70, 640, 105), plain.Area(240, 70, 640, 105));
    EXPECT_EQ(first.Area(241, 120, 641, 155), plain.Area(241, 120, 641, 155));
    EXPECT_EQ(second.Area(240, 70, 640, 105), plain.Area(240, 70, 640, 105));
    EXPECT_NE(second.Area(241, 120, 641, 155), plain.Area(241, 120, 641, 155));
    bool light = false;
    for (int x = 288; x < 340; ++x) {
        for (int y = 128; y < 150; ++y) {
            light |= second.At(x, y) == 0xB0B0B0u || (second.At(x, y) & 0xFF) > 0x90;
        }
    }
    EXPECT_TRUE(light);
    // Skip and hide do nothing in a menu; the click on the second button jumps to "south".
    EXPECT_EQ(Count(r, "jump", "label", "south"), 1);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"どちらへ行こうか。", "南へ向かった。"}));
}

TEST(Choices, AGalleryUnlocksSeenPicturesAndAFlagMenuUnlocksRecordFlags) {
    E2eRun run(kTitles + "choice-gallery");
    Picture(run, "cg/02_seen.png", kWhite);
    Picture(run, "bg/locked.png", kBlack);
    Picture(run, "bg/open.png", kBlue);
    Picture(run, "bg/hover.png", kGreen);
    CopyDemo(run, "sound/move.wav");
    RunResult r =
        run.Run("wait\nmove 700 500\nscreenshot " + run.File("gallery.png") + "\nmove 50 50\nscreenshot " +
                run.File("hover.png") + "\nclick 150 50\nclick 50 50\nwait\nmove 700 500\nscreenshot " +
                run.File("records.png") + "\nclick 150 50\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
    std::vector<TraceEvent> choices = r.Events("choices");
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].Get("kind"), "flagselect");
    EXPECT_EQ(choices[0].Get("entries"),
              R"([{"label":"one","rect":[0,0,99,99]},{"label":"free","rect":[200,0,299,99]}])");
    EXPECT_EQ(choices[1].Get("entries"), R"([{"label":"rec","rect":[100,0,199,99]}])");
    Shot gallery = LoadShot(run.File("gallery.png"));
    EXPECT_EQ(gallery.At(50, 50), kBlue);    // picture 2 was seen
    EXPECT_EQ(gallery.At(150, 50), kBlack);  // picture 3 was not
    EXPECT_EQ(gallery.At(250, 50), kBlue);   // flag 0 is always open
    Shot hover = LoadShot(run.File("hover.png"));
    EXPECT_EQ(hover.At(50, 50), kGreen);
    EXPECT_EQ(hover.At(250, 50), kBlue);
    Shot records = LoadShot(run.File("records.png"));
    EXPECT_EQ(records.At(150, 50), kBlue);
    EXPECT_EQ(records.At(250, 50), kBlack);
    std::vector<TraceEvent> jumps = r.Events("jump");
    ASSERT_EQ(jumps.size(), 2u);
    EXPECT_EQ(jumps[0].Get("label"), "one");
    EXPECT_EQ(jumps[1].Get("label"), "rec");
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"記録で開いた。"}));
}

TEST(Choices, AMenuWithNoEntryStillClosesFromTheCloseBox) {
    E2eRun run(kTitles + "choice-empty");
    RunResult r = run.Run("answer ok\nwait\nclick 10 10\nclick 400 300\nwait\nclose\n", 60000);
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("choices").size(), 1u);
    EXPECT_EQ(r.Events("choices")[0].Get("entries"), "[]");
    EXPECT_TRUE(r.TextLines().empty());
    EXPECT_TRUE(r.Events("jump").empty());
}

}  // namespace
}  // namespace textreel::testing
