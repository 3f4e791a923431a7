// The reading aids played through the real binary: the text stream (--text-out) to a file and to a
// FIFO with and without a reader, copying lines to the clipboard (Shift+C) with its notice, and
// self-voicing (V) with eSpeak NG heard in --audio-out.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/e2e_run.h"
#include "support/ogg_maker.h"
#include "support/recording.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// tests/e2e/titles/reading/scenario.txt:
//   one / $C / 二行目です。 / $C / three / $nonsense command / four / $S
const std::vector<std::string> kFirstThree = {"one", "二行目です。", "three"};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& line : lines) {
        s += line + "\n";
    }
    return s;
}

// Polls an outside process's observable state (a trace file, a FIFO) until done() or ten seconds.
template <typename Done>
bool Await(Done done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

bool TraceHasText(E2eRun& run, const std::string& line) {
    for (const TraceEvent& e : run.ReadTrace()) {
        if (e.Name() == "text" && e.Get("line") == line) {
            return true;
        }
    }
    return false;
}

TEST(TextStream, EachLineShownIsAppendedToTheFileAsItIsShown) {
    E2eRun run(kTitles + "reading");
    const std::string out = run.File("lines.txt");
    {
        std::ofstream earlier(out);
        earlier << "earlier\n";
    }
    RunResult r = run.Run("wait\nclick 10 10\nwait\nclick 10 10\nwait\nclose\n", 20000, {"--text-out", out});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> shown = r.TextLines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3), kFirstThree);
    // What the file held stays; every line shown follows, UTF-8, one a line.
    EXPECT_EQ(Slurp(out), "earlier\n" + Joined(shown));
}

TEST(TextStream, AFolderOrAnUnwritablePathIsACommandLineError) {
    E2eRun run(kTitles + "reading");
    RunResult r = run.Run("wait\nclose\n", 20000, {"--text-out", run.Title()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.stderrText.find("text stream"), std::string::npos) << r.stderrText;
    RunResult missing = RunBinary({"--headless", "--text-out"}, run.RuntimeDir());
    EXPECT_EQ(missing.exitCode, 2);
}

TEST(TextStream, AFifoWithoutAReaderNeverHoldsTheGameUp) {
    E2eRun run(kTitles + "reading");
    const std::string fifo = run.File("stream.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    RunResult r = run.Run("wait\nclick 10 10\nwait\nclick 10 10\nwait\nclose\n", 20000, {"--text-out", fifo});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> shown = r.TextLines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3), kFirstThree);
}

TEST(TextStream, AFifoReaderGetsTheLinesAndOneThatComesLateOrLeavesDoesNotStopTheGame) {
    // The reader is another process acting in real time.
    E2eRun run(kTitles + "reading", Time::kReal);
    const std::string fifo = run.File("stream.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // "one" is shown with nobody reading; the reader opens before "二行目です。"; it leaves before
    // "three", and the game plays on to its end.
    run.Start("wait\nsleep 2500\nclick 10 10\nwait\nsleep 2500\nclick 10 10\nwait\nclose\n", "trace.jsonl",
              {"--text-out", fifo});
    ASSERT_TRUE(Await([&] { return TraceHasText(run, "one"); }));
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string got;
    ASSERT_TRUE(Await([&] {
        char buffer[256];
        ssize_t n = read(reader, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<size_t>(n));
        }
        return got.find('\n') != std::string::npos;
    }));
    close(reader);
    RunResult r = run.Finish();
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(got, "二行目です。\n");
    std::vector<std::string> shown = r.TextLines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[2], "three");
}

TEST(Clipboard, ShiftCCopiesEachNewLineShowsANoticeAndDoesNotAdvance) {
    E2eRun run(kTitles + "reading");
    const std::string clip = run.File("clipboard.txt");
    setenv("TEXTREEL_HEADLESS_CLIPBOARD", clip.c_str(), 1);
    RunResult r = run.Run("wait\nscreenshot " + run.File("before.png") + "\nkey Shift+C\nwait\nscreenshot " +
                          run.File("notice.png") + "\nsleep 2200\nscreenshot " + run.File("after.png") +
                          "\nclick 10 10\nwait\nkey Shift+C\nwait\nclick 10 10\nwait\nclose\n");
    unsetenv("TEXTREEL_HEADLESS_CLIPBOARD");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> toggles = r.Events("clipboard");
    ASSERT_EQ(toggles.size(), 2u);
    EXPECT_EQ(toggles[0].Get("state"), "on");
    EXPECT_EQ(toggles[1].Get("state"), "off");
    // The key left the story where it was: "二行目です。" came with the click after it.
    std::vector<std::string> shown = r.TextLines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3), kFirstThree);
    int64_t secondAt = -1;
    for (const TraceEvent& e : r.Events("text")) {
        if (e.Get("line") == "二行目です。") {
            secondAt = e.Ms();
        }
    }
    EXPECT_GT(secondAt, toggles[0].Ms());
    EXPECT_LT(secondAt, toggles[1].Ms());
    // The line shown while copying was on is on the clipboard; "three" came after it was off.
    EXPECT_EQ(Slurp(clip), "二行目です。");
    // The notice stands over the top of the picture for a moment, then goes.
    Shot before = LoadShot(run.File("before.png"));
    Shot notice = LoadShot(run.File("notice.png"));
    Shot after = LoadShot(run.File("after.png"));
    EXPECT_NE(notice.Area(0, 0, 640, 60), before.Area(0, 0, 640, 60));
    ASSERT_GE(r.Events("notice").size(), 1u);
    EXPECT_EQ(r.Events("notice")[0].Get("text"), "クリップボードへのコピー：オン");
    EXPECT_EQ(after.Area(0, 0, 640, 60), before.Area(0, 0, 640, 60));
}

// Self-voicing, kept on in the title's settings file so that it speaks from the first line.
void SpeechOn(E2eRun& run) {
    mkdir((run.Title() + "/save").c_str(), 0755);
    std::ofstream(run.Title() + "/save/textreel.cfg") << "speech=on\n";
}

std::vector<TraceEvent> Spoken(const RunResult& r, const std::string& except = "読み上げ：オン") {
    std::vector<TraceEvent> out;
    for (const TraceEvent& e : r.Events("speak")) {
        if (e.Get("text") != except) {
            out.push_back(e);
        }
    }
    return out;
}

int64_t InputAt(const RunResult& r, const std::string& command) {
    for (const TraceEvent& e : r.Events("input")) {
        if (e.Get("command") == command) {
            return e.Ms();
        }
    }
    return -1;
}

// Speech is loud enough in a 50 ms window: eSpeak NG's voice is far above the silence around it.
auto Loud(const Recording& rec) {
    return [&rec](size_t a, size_t b) { return rec.Rms(a, b) > 300; };
}
auto Silent(const Recording& rec) {
    return [&rec](size_t a, size_t b) { return rec.Rms(a, b) < 30; };
}

TEST(SelfVoicing, EachLineIsSpokenAsItIsShownAndAClickCutsItShort) {
    // tests/e2e/titles/speech/scenario.txt:
    //   Self-voicing reads every line aloud, and a click cuts it short at once, however long the
    //   line may be. / $C / $wait 2500 / 短い行。 / $S
    E2eRun run(kTitles + "speech");
    SpeechOn(run);
    const std::string wav = run.File("out.wav");
    RunResult r = run.Run("wait\nsleep 1500\nclick 10 10\nwait\nsleep 1500\nclose\n", 30000,
                          {"--speech", "espeak", "--audio-out", wav});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> spoken = Spoken(r);
    ASSERT_EQ(spoken.size(), 2u) << r.stderrText;
    EXPECT_EQ(spoken[0].Get("text"), r.TextLines()[0]);
    EXPECT_EQ(spoken[1].Get("text"), "短い行。");
    EXPECT_EQ(spoken[0].Get("backend"), "espeak");
    // Speech is spoken no earlier than the line is shown.
    EXPECT_GE(spoken[0].Ms(), r.Events("text")[0].Ms());
    const int64_t click = InputAt(r, "click 10 10");
    ASSERT_GT(click, spoken[0].Ms());
    Recording rec = ReadRecording(wav);
    // Heard within 300 ms of the line, and still going when the click comes...
    EXPECT_GT(rec.Share(spoken[0].Ms(), spoken[0].Ms() + 300, Loud(rec)), 0.0);
    EXPECT_GE(rec.Share(spoken[0].Ms() + 300, click, Loud(rec)), 0.4);
    // ...which silences it while "$wait 2500" runs; then the next line speaks.
    EXPECT_GE(rec.Share(click + 300, click + 2300, Silent(rec)), 0.9);
    EXPECT_GT(rec.Share(spoken[1].Ms(), spoken[1].Ms() + 300, Loud(rec)), 0.0);
}

TEST(SelfVoicing, DISABLED_VTurnsItOnAndOffWithoutAdvancingAndTheSettingIsKept) {
    E2eRun run(kTitles + "reading");
    RunResult r = run.Run("wait\nkey V\nwait\nclick 10 10\nwait\nkey V\nwait\nclick 10 10\nwait\nclose\n",
                          30000, {"--speech", "espeak"});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<std::string> shown = r.TextLines();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3), kFirstThree);
    // Turned on, it speaks the line on the screen ("one"), then the lines shown while it is on;
    // "three" came after the second V.
    std::vector<TraceEvent> spoken = Spoken(r);
    ASSERT_EQ(spoken.size(), 2u) << r.stderrText;
    EXPECT_EQ(spoken[0].Get("text"), "one");
    EXPECT_EQ(spoken[1].Get("text"), "二行目です。");
    EXPECT_EQ(Slurp(run.Title() + "/save/textreel.cfg"), "speech=off\n");
}

TEST(SelfVoicing, VPressedDuringTheLogoIsKept) {
    E2eRun run(kTitles + "reading");
    RunResult r = run.Run("key V\nwait\nclose\n", 30000, {"--speech", "espeak"}, true);
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_FALSE(r.Events("notice").empty());
    EXPECT_EQ(r.Events("notice")[0].Get("text"), "読み上げ：オン");
    std::vector<TraceEvent> spoken = Spoken(r);
    ASSERT_EQ(spoken.size(), 1u) << r.stderrText;
    EXPECT_EQ(spoken[0].Get("text"), "one");
}

// The entries under the pointer are spoken, and the trace names the menu's labels and the jump
// taken, in the title's own encoding: the Shift-JIS title, and a translation of it in UTF-8 whose
// words and labels are Russian.
TEST(SelfVoicing, ChoiceEntriesAreSpokenAsThePointerReachesThem) {
    struct Case {
        const char* scenario;  // empty: tests/e2e/titles/choice-word/scenario.txt as it is
        std::vector<std::string> spoken;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        // $selword / (north,0,北へ) / (hidden,5,隠れた道) / (south,2,南へ) / selend
        {"", {"北へ", "南へ", "北へ"}, {"north", "south"}},
        {"$windowopen\r\n$effect 1\r\n$fill white\r\nКуда пойти?\r\n$C\r\n$eventflag 2\r\n$selword\r\n"
         "(север,0,На север)\r\n(hidden,5,Тайный путь)\r\n(юг,2,На юг)\r\nselend\r\n:север\r\n"
         "Пошли на север.\r\n$S\r\n:юг\r\nПошли на юг.\r\n$S\r\n",
         {"На север", "На юг", "На север"},
         {"север", "юг"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.labels[0]);
        E2eRun run(kTitles + "choice-word");
        SpeechOn(run);
        if (*c.scenario != 0) {
            std::ofstream(run.Title() + "/scenario.txt", std::ios::binary) << c.scenario;
            std::ofstream(run.Title() + "/textreel.ini") << "[text]\nencoding = utf-8\n";
        }
        for (const char* part : {"bar_a.bmp", "btnprts.bmp", "waiticon.bmp"}) {
            CopyFile(std::string(TEXTREEL_DEMO_DIR) + "/cg/menu/" + part, run.Title() + "/cg/menu/" + part);
        }
        WriteBytes(run.Title() + "/cg/menu/menubar.bmp", MakeBmp(MakeMasked(400, 35, 0x206020, 0)));
        RunResult r = run.Run(
            "wait\nclick 400 300\nwait\nmove 300 80\nsleep 400\nmove 300 130\nsleep 400\n"
            "move 300 135\nsleep 400\nmove 300 80\nsleep 400\nclick 300 80\nwait\nclose\n",
            30000, {"--speech", "espeak"});
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        ASSERT_EQ(r.Events("choices").size(), 1u);
        std::vector<std::string> after;
        for (const TraceEvent& e : Spoken(r)) {
            if (e.Ms() >= r.Events("choices")[0].Ms() && e.Ms() < InputAt(r, "click 300 80")) {
                after.push_back(e.Get("text"));
            }
        }
        // A move within the same entry says nothing again.
        EXPECT_EQ(after, c.spoken) << r.stderrText;
        const std::string entries = r.Events("choices")[0].Get("entries");
        for (const std::string& label : c.labels) {
            EXPECT_NE(entries.find("\"label\":\"" + label + "\""), std::string::npos) << entries;
        }
        std::vector<std::string> jumps;
        for (const TraceEvent& e : r.Events("jump")) {
            jumps.push_back(e.Get("label"));
        }
        EXPECT_EQ(jumps, std::vector<std::string>{c.labels[0]});
    }
}

TEST(SelfVoicing, TheTitlesVoiceGoesFirstAndTheLineIsSpokenAfterIt) {
    // tests/e2e/titles/voice/scenario.txt:
    //   $wave se\ding.wav / $talk voice\a.ogg / one / $talk voice\b.ogg / two / $C / $S
    constexpr int kRate = 44100;
    E2eRun run(kTitles + "voice");
    SpeechOn(run);
    WriteFile(run.Title() + "/voice/a.ogg", EncodeOgg(Tone(kRate, 1, kRate / 4, 440, 10000), kRate, 1));
    WriteFile(run.Title() + "/voice/b.ogg", EncodeOgg(Tone(kRate, 1, kRate, 1320, 10000), kRate, 1));
    RunResult r = run.Run("wait\nsleep 2500\nclose\n", 30000, {"--speech", "espeak"});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    int64_t bStopped = -1;
    for (const TraceEvent& e : r.Events("voice-stop")) {
        if (e.Get("path") == "voice\\b.ogg") {
            bStopped = e.Ms();
        }
    }
    ASSERT_GT(bStopped, 0) << r.stderrText;
    std::vector<TraceEvent> spoken = Spoken(r);
    ASSERT_FALSE(spoken.empty()) << r.stderrText;
    EXPECT_EQ(spoken.back().Get("text"), "two");
    EXPECT_GE(spoken.back().Ms(), bStopped);
}

// A private speech-dispatcher for one test: its own socket, configuration and logs, and one
// output module that writes each text it is given to a file instead of speaking it.
class PrivateSpeechd {
  public:
    explicit PrivateSpeechd(const std::string& dir) : dir_(dir) {
        for (const char* sub : {"", "/conf", "/conf/modules", "/log", "/home"}) {
            mkdir((dir + sub).c_str(), 0755);
        }
        std::ofstream(dir + "/conf/speechd.conf") << "LogLevel 3\nLogDir \"" << dir << "/log\"\n"
                                                  << "AudioOutputMethod \"libao\"\n"
                                                  << "AddModule \"capture\" \"sd_generic\" \"capture.conf\"\n"
                                                  << "DefaultModule capture\n";
        std::ofstream(dir + "/conf/modules/capture.conf")
            << "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " << Said() << "\"\n"
            << "AddVoice \"en\" \"male1\" \"plain\"\nAddVoice \"ja\" \"male1\" \"plain\"\n"
            << "GenericLanguage \"en\" \"english\" \"utf-8\"\nGenericLanguage \"ja\" \"japanese\" "
               "\"utf-8\"\n";
        // No sound device here: libao's null driver takes the modules' sound.
        std::ofstream(dir + "/home/.libao") << "default_driver=null\n";
        pid_ = fork();
        if (pid_ == 0) {
            setenv("HOME", (dir + "/home").c_str(), 1);
            const std::string conf = dir + "/conf";
            const std::string log = dir + "/log";
            execlp("speech-dispatcher", "speech-dispatcher", "-s", "-t", "30", "-c", "unix_socket", "-S",
                   Socket().c_str(), "-C", conf.c_str(), "-L", log.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~PrivateSpeechd() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string Socket() const { return dir_ + "/speechd.sock"; }
    std::string Said() const { return dir_ + "/said.txt"; }
    bool Ready() const {
        struct stat st {};
        return Await([&] { return stat(Socket().c_str(), &st) == 0; });
    }

  private:
    std::string dir_;
    pid_t pid_ = -1;
};

bool SpeechdInstalled() {
    return std::system("command -v speech-dispatcher >/dev/null 2>&1") == 0;
}

TEST(SelfVoicing, SpeechDispatcherIsGivenEachLineWhenItAnswers) {
    if (!SpeechdInstalled()) {
        GTEST_SKIP() << "speech-dispatcher is not installed (scripts/install-deps installs it)";
    }
    // speech-dispatcher hears the lines in real time.
    E2eRun run(kTitles + "reading", Time::kReal);
    SpeechOn(run);
    PrivateSpeechd speechd(run.File("speechd"));
    ASSERT_TRUE(speechd.Ready()) << "speech-dispatcher made no socket; see " << run.File("speechd/log");
    setenv("SPEECHD_ADDRESS", ("unix_socket:" + speechd.Socket()).c_str(), 1);
    RunResult r =
        run.Run("wait\nsleep 800\nclick 10 10\nwait\nsleep 800\nclose\n", 30000, {"--speech", "speechd"});
    unsetenv("SPEECHD_ADDRESS");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> spoken = Spoken(r);
    ASSERT_GE(spoken.size(), 2u) << r.stderrText;
    EXPECT_EQ(spoken[0].Get("text"), "one");
    EXPECT_EQ(spoken[0].Get("backend"), "speechd");
    EXPECT_EQ(spoken[1].Get("text"), "二行目です。");
    // The service received the texts through the client connection.
    EXPECT_TRUE(Await([&] { return Slurp(speechd.Said()).find("二行目です。") != std::string::npos; }))
        << Slurp(speechd.Said());
    EXPECT_NE(Slurp(speechd.Said()).find("one"), std::string::npos);
}

std::vector<std::string> SpokenSince(const RunResult& r, int64_t ms) {
    std::vector<std::string> out;
    for (const TraceEvent& e : Spoken(r)) {
        if (e.Ms() >= ms) {
            out.push_back(e.Get("text"));
        }
    }
    return out;
}

TEST(SelfVoicing, SystemMenuItemsAndMessageBoxesAreSpoken) {
    // The menu opened at (100, 100) has its rows 20 pixels apart from y 103: "シナリオの自動送り",
    // then "設定". "システム終了" asks "終了します。" in a box captioned "確認".
    E2eRun run(kTitles + "system-menu");
    SpeechOn(run);
    RunResult r = run.Run(
        "wait\nrclick 100 100\nwait\nmove 110 113\nsleep 400\nmove 110 133\nsleep 400\n"
        "menu 40001\nanswer cancel\nwait\nsleep 400\nclose\n",
        30000, {"--speech", "espeak"});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> menus = r.Events("menu");
    ASSERT_FALSE(menus.empty());
    EXPECT_EQ(SpokenSince(r, menus[0].Ms()),
              (std::vector<std::string>{"シナリオの自動送り", "設定", "確認、終了します。"}))
        << r.stderrText;
}

// The screens' pictures: grey with the slots left plain, and the lit look in yellow.
void ScreenPictures(E2eRun& run) {
    for (const char* kind : {"save", "load"}) {
        std::string base = run.Title() + "/cg/menu/" + kind;
        WriteBytes(base + "_off.png", MakePng(1600, 600, 0x808080, {{800, 0, 800, 600, 0x000000}}));
        WriteBytes(base + "_on.png", MakePng(1600, 600, 0x00FFFF, {{800, 0, 800, 600, 0x000000}}));
    }
}

TEST(SelfVoicing, SaveSlotsAreSpokenWithTheirDateAndTitle) {
    // The save button of the bar at (400, 590); slot 1 around (100, 200), slot 2 around (100, 260).
    E2eRun run(kTitles + "save-load");
    ScreenPictures(run);
    SpeechOn(run);
    RunResult r = run.Run(
        "wait\nclick 400 590\nwait\nmove 100 260\nsleep 400\nclick 100 200\nwait\n"
        "move 100 260\nsleep 400\nmove 100 200\nsleep 400\nclose\n",
        30000, {"--speech", "espeak"});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_EQ(r.Events("save").size(), 1u) << r.stderrText;
    std::vector<std::string> spoken = SpokenSince(r, r.Events("screen")[0].Ms());
    ASSERT_GE(spoken.size(), 3u) << r.stderrText;
    // An empty slot before the save, the saved one after it with its date.
    EXPECT_EQ(spoken[0], "スロット2、空き");
    EXPECT_EQ(spoken[spoken.size() - 2], "スロット2、空き");
    const std::string& saved = spoken.back();
    EXPECT_EQ(saved.rfind("スロット1、20", 0), 0u) << saved;
    EXPECT_NE(saved.find("年"), std::string::npos) << saved;
    EXPECT_NE(saved.find("分"), std::string::npos) << saved;
}

}  // namespace
}  // namespace textreel::testing
