// Rollback through the real binary: BackSpace takes the story back one wait at a time, and what
// follows is what a straight run shows from that wait.
//
// rollback: $windowopen / $fill white / 一ページ目の一行目です。 / $C / 一ページ目の二行目です。 /
//   $P (line 6) / $fill blue / 二ページ目です。 / $P (line 9) / $eventjudge 4 seen /
//   三ページ目、初めてです。 / $P (line 12) / :back / $eventflag 4 / 四ページ目です。 / $C /
//   どちらへ行こうか。 / $C / $selword (line 19) / (north,0,北へ) / (south,0,南へ) / selend /
//   :north / $fill red / 北へ向かった。 / $C / $S / :south / 南へ向かった。 / $C / $S /
//   :seen / 三ページ目、二度目です。 / $P / $jmp back
// The table of TheWaitGoneBackToIsTheStraightRunsWait writes a scenario of its own per row.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "support/e2e_run.h"
#include "support/ogg_maker.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/rollback";
const std::string kNext = "click 400 300\nwait\n";
const std::string kBack = "key BackSpace\nwait\n";

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// The trace's events from index from on, without their times and without the events file's own
// input lines, to compare two runs from a point on.
std::vector<std::string> Tail(const RunResult& r, size_t from) {
    std::vector<std::string> out;
    for (size_t i = from; i < r.trace.size(); ++i) {
        const TraceEvent& t = r.trace[i];
        if (t.Name() == "input" || t.Name() == "exit") {
            continue;
        }
        std::string line;
        for (const auto& [key, value] : t.fields) {
            if (key != "ms") {
                line += key + "=" + value + " ";
            }
        }
        out.push_back(line);
    }
    return out;
}

// The index just after the last event of that name (or after the n-th text line).
size_t After(const RunResult& r, const std::string& name, size_t nth = 0) {
    size_t at = 0;
    size_t seen = 0;
    for (size_t i = 0; i < r.trace.size(); ++i) {
        if (r.trace[i].Name() == name && (nth == 0 || ++seen <= nth)) {
            at = i + 1;
        }
    }
    return at;
}

// Opens the backlog view, takes its picture and leaves it.
std::string Backlog(const E2eRun& run) {
    return "key PageUp\nwait\nscreenshot " + run.File("log.png") + "\nkey Escape\nwait\n";
}

// Every pixel but the wait icon's corner, which turns with the clock.
bool SamePicture(const Shot& a, const Shot& b) {
    if (a.width != b.width || a.height != b.height) {
        return false;
    }
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (!(x >= 700 && y >= 500 && y < 578) && a.At(x, y) != b.At(x, y)) {
                return false;
            }
        }
    }
    return true;
}

TEST(Rollback, ThreePagesBackIsTheStraightRunAtThatWait) {
    E2eRun straight(kTitle);
    RunResult s = straight.Run("wait\n" + kNext + "screenshot " + straight.File("here.png") + "\n" +
                               Backlog(straight) + Repeat(kNext, 3) + "close\n");
    ASSERT_FALSE(s.timedOut) << s.stderrText;

    // Four pages on, three steps back: the waits of lines 12, 9 and 6. The flag that page four set
    // is down again, so page three is read as the first time.
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\n" + Repeat(kNext, 4) + Repeat(kBack, 3) + "screenshot " +
                          run.File("back.png") + "\n" + Backlog(run) + Repeat(kNext, 3) + "close\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> steps = r.Events("rollback");
    ASSERT_EQ(steps.size(), 3u);
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].Get("steps"), std::to_string(i + 1));
        EXPECT_EQ(steps[i].Get("line"), std::to_string(12 - 3 * static_cast<int>(i)));
    }
    EXPECT_TRUE(SamePicture(LoadShot(straight.File("here.png")), LoadShot(run.File("back.png"))));
    // The backlog holds the lines up to that wait and no more.
    EXPECT_TRUE(SamePicture(LoadShot(straight.File("log.png")), LoadShot(run.File("log.png"))));
    // The page drawn again is not new text; from the wait on, the trace is the straight run's.
    EXPECT_EQ(Tail(r, After(r, "rollback")), Tail(s, After(s, "text", 2)));
    EXPECT_EQ(r.TextLines().size(), 8u);
    EXPECT_EQ(r.TextLines().back(), "四ページ目です。");
}

// The music, wave music and voice events from the last step back up to the next input: what the
// step back itself started or stopped, as "event path".
std::vector<std::string> SoundOfTheStepBack(const RunResult& r) {
    std::vector<std::string> out;
    for (size_t i = After(r, "rollback"); i < r.trace.size() && r.trace[i].Name() != "input"; ++i) {
        const std::string& name = r.trace[i].Name();
        if (name == "music-start" || name == "music-stop" || name == "voice-start" || name == "voice-stop") {
            out.push_back(name + " " + r.trace[i].Get("path"));
        }
    }
    return out;
}

// The index just after the first input event at or after from, or after the input of the events
// line that holds text.
size_t AfterInput(const RunResult& r, size_t from, const std::string& text = "") {
    for (size_t i = from; i < r.trace.size(); ++i) {
        if (r.trace[i].Name() == "input" && r.trace[i].Get("command").find(text) != std::string::npos) {
            return i + 1;
        }
    }
    return r.trace.size();
}

TEST(Rollback, TheWaitGoneBackToIsTheStraightRunsWait) {
    const std::string kWhite = "$imgblt bg\\white.png";
    const struct {
        const char* what;
        std::vector<std::string> lines;  // the scenario, UTF-8
        std::string toTarget;            // events from the first wait to the wait gone back to
        int ahead;                       // waits read past it before going back
        int after;                       // clicks read on after it
        std::vector<std::string> heard;  // what the step back starts and stops
    } cases[] = {
        {"the font of the page, not the later one's",
         {"$windowopen", kWhite, "始発まで、", "$C", "あと少し。", "$P", "$setfontsize 28",
          "$setfontcolor FFE080", "大きな文字の頁。", "$P", "$S"},
         "",
         2,
         1,
         {}},
        {"a point counted once",
         {"$windowopen", kWhite, "$pointflag 3 1", "一回目の数え。", "$C", "$pointjudge 3 2 twice",
          "一度だけ数えた。", "$C", "$pointflag 3 1", "次の頁。", "$C", "$S", ":twice", "二度数えた。", "$C",
          "$S"},
         "",
         2,
         1,
         {}},
        {"a sprite blended once at spralpha 128",
         {"$windowopen", kWhite, "$spralpha 128", "$sprite 0 100 cg\\red.png", "赤い立ち絵。", "$C",
          "$sprite 1 500 cg\\red.png", "もう一枚。", "$C", "$spralpha 255", "$fill blue", "青い画面。", "$C",
          "$S"},
         "",
         2,
         1,
         {}},
        {"the word buttons under the text after a choice",
         {"$windowopen", kWhite, "どちらへ行こうか。", "$C", "$selword", "(north,0,北へ)", "(south,0,南へ)",
          "selend", ":north", "北へ向かった。", "$C", "$fill red", "次の場面。", "$C", "$S", ":south",
          "南へ向かった。", "$C", "$S"},
         "click 400 300\nwait\nclick 400 85\nwait\n",
         1,
         1,
         {}},
        {"wave music and Ogg music play on, the later Ogg music gives way",
         {"$windowopen", kWhite, "$BGMWave bgm\\wave.wav", "$OGGPlay bgm\\a.ogg", "音楽の場面。", "$C",
          "$OGGPlay bgm\\b.ogg", "別の音楽。", "$C", "まだ続く。", "$C", "$S"},
         "",
         1,
         2,
         {"music-stop bgm\\b.ogg", "music-start bgm\\a.ogg"}},
        {"a voice that had ended stays silent",
         {"$windowopen", kWhite, "$talk voice\\short.wav", "短い声。", "$C", "声のあとの場面。", "$C",
          "$talk voice\\long.wav", "長い声。", "$C", "$S"},
         "click 400 300\nwait\n",
         1,
         1,
         {"voice-stop voice\\long.wav"}},
    };
    auto prepare = [](E2eRun& run, const std::vector<std::string>& lines) {
        std::string scenario;
        for (const std::string& line : lines) {
            scenario += Utf8ToCp932(line) + "\r\n";
        }
        std::ofstream(run.Title() + "/scenario.txt", std::ios::binary) << scenario;
        WriteBytes(run.Title() + "/bg/white.png", MakePng(800, 600, 0xFFFFFF));
        // Soft edges: the mask's left half opaque, its right half at half strength.
        WriteBytes(run.Title() + "/cg/red.png",
                   MakePng(200, 300, 0x0000FF, {{100, 0, 50, 300, 0x000000}, {150, 0, 50, 300, 0x808080}}));
        const std::vector<int16_t> tone = Tone(22050, 1, 22050 * 30, 440.0, 8000);
        WriteBytes(run.Title() + "/bgm/wave.wav", MakeWav(22050, 1, tone));
        WriteFile(run.Title() + "/bgm/a.ogg", EncodeOgg(Tone(22050, 1, 22050 * 5, 330.0, 8000), 22050, 1));
        WriteFile(run.Title() + "/bgm/b.ogg", EncodeOgg(Tone(22050, 1, 22050 * 5, 550.0, 8000), 22050, 1));
        WriteBytes(run.Title() + "/voice/short.wav", MakeWav(22050, 1, Tone(22050, 1, 1100, 660.0, 8000)));
        WriteBytes(run.Title() + "/voice/long.wav", MakeWav(22050, 1, tone));
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        E2eRun straight(kTitle);
        prepare(straight, c.lines);
        RunResult s =
            straight.Run("wait\n" + c.toTarget + "screenshot " + straight.File("here.png") + "\n" +
                         Repeat(kNext, c.after) + "screenshot " + straight.File("on.png") + "\nclose\n");
        ASSERT_FALSE(s.timedOut) << s.stderrText;

        E2eRun run(kTitle);
        prepare(run, c.lines);
        RunResult r = run.Run("wait\n" + c.toTarget + Repeat(kNext, c.ahead) + Repeat(kBack, c.ahead) +
                              "screenshot " + run.File("back.png") + "\n" + Repeat(kNext, c.after) +
                              "screenshot " + run.File("on.png") + "\nclose\n");
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        ASSERT_EQ(r.Events("rollback").size(), static_cast<size_t>(c.ahead));
        EXPECT_TRUE(SamePicture(LoadShot(straight.File("here.png")), LoadShot(run.File("back.png"))));
        EXPECT_EQ(SoundOfTheStepBack(r), c.heard);
        // Reading on: the same trace and the same screen as the straight run's. The main thread
        // starts music while the script thread goes on, so the two keep their own order.
        auto apart = [](std::vector<std::string> events) {
            auto sound = std::stable_partition(events.begin(), events.end(), [](const std::string& e) {
                return e.find("event=music-") == std::string::npos &&
                       e.find("event=voice-") == std::string::npos;
            });
            std::rotate(events.begin(), sound, events.end());
            return events;
        };
        EXPECT_EQ(apart(Tail(r, AfterInput(r, After(r, "rollback")))),
                  apart(Tail(s, AfterInput(s, 0, "here.png"))));
        EXPECT_TRUE(SamePicture(LoadShot(straight.File("on.png")), LoadShot(run.File("on.png"))));
    }
}

TEST(Rollback, AChoiceTakenBackMayBeAnsweredTheOtherWay) {
    const std::string toMenu = "wait\n" + Repeat(kNext, 5) + "click 400 300\nwait\n";
    E2eRun straight(kTitle);
    RunResult s =
        straight.Run(toMenu + "click 400 135\nwait\nscreenshot " + straight.File("south.png") + "\nclose\n");
    ASSERT_FALSE(s.timedOut) << s.stderrText;

    // North first, then BackSpace at the wait after it: the menu is offered again (the pointer
    // where the straight run had it) and south is chosen.
    E2eRun run(kTitle);
    RunResult r = run.Run(toMenu + "click 400 85\nwait\nmove 400 300\n" + kBack +
                          "click 400 135\nwait\nscreenshot " + run.File("south.png") + "\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> steps = r.Events("rollback");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].Get("steps"), "1");
    EXPECT_EQ(steps[0].Get("line"), "19");
    ASSERT_EQ(r.Events("choices").size(), 2u);
    EXPECT_EQ(Tail(r, After(r, "rollback")), Tail(s, After(s, "text", 6)));
    EXPECT_EQ(r.TextLines().back(), "南へ向かった。");
    // The red of the north page is gone with it.
    EXPECT_TRUE(SamePicture(LoadShot(straight.File("south.png")), LoadShot(run.File("south.png"))));
}

TEST(Rollback, AHundredStepsBackAndNoFurther) {
    E2eRun run(kTitle);
    // 105 pages of one line; the wait of page i is on line 2 i + 2.
    std::string scenario = "$windowopen\r\n$fill white\r\n";
    for (int i = 1; i <= 105; ++i) {
        scenario += "page " + std::to_string(i) + "\r\n$P\r\n";
    }
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary) << scenario;
    RunResult r = run.Run("wait\n" + Repeat(kNext, 104) + Repeat(kBack, 101) + kNext + "close\n", 60000);
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> steps = r.Events("rollback");
    ASSERT_EQ(steps.size(), 100u);
    EXPECT_EQ(steps.back().Get("steps"), "100");
    EXPECT_EQ(steps.back().Get("line"), "12");
    // The press past the limit neither goes back nor advances; the click reads page 6.
    ASSERT_EQ(r.TextLines().size(), 106u);
    EXPECT_EQ(r.TextLines().back(), "page 6");
}

TEST(Rollback, BackSpaceNeverAdvancesAndWaitsForMenusAndScreensToClose) {
    E2eRun run(kTitle);
    for (const char* part : {"save_off.png", "save_on.png"}) {
        CopyFile(std::string(TEXTREEL_DEMO_DIR) + "/cg/menu/" + part, run.Title() + "/cg/menu/" + part);
    }
    RunResult r = run.Run("wait\n" + kBack + kNext +
                          // The system menu open: nothing; closed: one step back.
                          "rclick 400 300\nwait\n" + kBack + "key Escape\nwait\n" + kBack +
                          // The save screen open: nothing.
                          "click 400 590\nwait\n" + kBack + "close\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.Events("menu").size(), 2u);
    ASSERT_EQ(r.Events("screen").size(), 1u);
    std::vector<TraceEvent> steps = r.Events("rollback");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].Get("line"), "4");
    EXPECT_EQ(r.TextLines(),
              (std::vector<std::string>{"一ページ目の一行目です。", "一ページ目の二行目です。"}));
}

}  // namespace
}  // namespace textreel::testing
