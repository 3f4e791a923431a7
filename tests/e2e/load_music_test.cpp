// The music a loaded game plays: the Ogg music the save names, even when the Windows program wrote
// it with its own folder in front, and otherwise the wave music or CD track the loaded scene set,
// found in the scenario before the saved line.
//
// load-music: $BGMWave bgm\first.wav / 一つ目の場面。 / $C / $BGMWave bgm\second.wav / :scene2 /
//   二つ目の場面。 / $C / $OGGPlay bgm\a.ogg / :scene3 / 三つ目の場面。 / $C / $OGGPlay STOP /
//   $BGMWave bgm\first.wav / :scene4 / 四つ目の場面。 / $C
// load-cd (BGMType="CD"): $cdda 2 / :scene1 / 一つ目の場面。 / $C / $cdda 3 / :scene2 / 二つ目の場面。
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "script/flag_block.h"
#include "support/e2e_run.h"
#include "support/ogg_maker.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

void Pictures(E2eRun& run) {
    for (const char* kind : {"save", "load"}) {
        std::string base = run.Title() + "/cg/menu/" + kind;
        WriteBytes(base + "_off.png", MakePng(1600, 600, 0x808080, {{800, 0, 800, 600, 0x000000}}));
        WriteBytes(base + "_on.png", MakePng(1600, 600, 0x00FFFF, {{800, 0, 800, 600, 0x000000}}));
    }
}

std::vector<uint8_t> Tune(int frames) {
    return MakeWav(22050, 1, Tone(22050, 1, frames, 440.0, 8000));
}

// A save file at the wait after the given text line (UTF-8), with the BGM name as given.
void WriteSave(E2eRun& run, const std::string& line, const std::string& bgm) {
    std::ifstream in(run.Title() + "/scenario.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = text.find(Utf8ToCp932(line) + "\r\n$C\r\n");
    ASSERT_NE(at, std::string::npos) << line;
    FlagBlock block;
    block.SetU32(FlagBlock::kSavedPosition, static_cast<uint32_t>(at + Utf8ToCp932(line).size() + 4));
    block.SetText(FlagBlock::kBackgroundName, FlagBlock::kNameSize, "FILL_WHITE");
    block.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, bgm);
    WriteBytes(run.Title() + "/save/save01.sav",
               std::vector<uint8_t>(block.bytes.begin(), block.bytes.end()));
}

// The sound events from the opening of the load screen on, as "event path" or "cd-track n".
std::vector<std::string> SoundAfterLoadScreen(const RunResult& r) {
    std::vector<std::string> out;
    bool open = false;
    for (const TraceEvent& t : r.trace) {
        if (t.Name() == "screen" && t.Get("action") == "open") {
            open = true;
        } else if (open && (t.Name() == "music-start" || t.Name() == "music-stop")) {
            out.push_back(t.Name() + " " + t.Get("path"));
        } else if (open && t.Name() == "cd-track") {
            out.push_back("cd-track " + t.Get("n"));
        } else if (open && t.Name() == "refused") {
            out.push_back("refused " + t.Get("path"));
        }
    }
    return out;
}

const std::string kToLastScene = "wait\nclick 400 300\nwait\nclick 400 300\nwait\nclick 400 300\nwait\n";
const std::string kLoadSlot1 = "click 545 590\nwait\nclick 100 200\nwait\n";

TEST(LoadMusic, TheLoadedScenesMusicPlaysWhateverTheScenePlayerLeftHad) {
    const struct {
        const char* name;
        const char* line;  // the saved wait follows this line
        const char* bgm;   // the saved BGM name
        std::vector<std::string> heard;
    } cases[] = {
        // No Ogg music saved: the wave music set before the saved line plays again.
        {"wave music of the scene",
         "二つ目の場面。",
         "",
         {"music-stop bgm\\first.wav", "music-start bgm\\second.wav"}},
        // Written by the Windows program: its folder in front of the name.
        {"a Windows save's music",
         "三つ目の場面。",
         "C:\\Games\\Title\\bgm\\a.ogg",
         {"music-start bgm\\a.ogg", "music-stop bgm\\first.wav"}},
        {"a name with no tail in the title",
         "三つ目の場面。",
         "C:\\Games\\Title\\bgm\\gone.ogg",
         {"refused C:\\Games\\Title\\bgm\\gone.ogg", "music-stop bgm\\first.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        E2eRun run(kTitles + "load-music");
        Pictures(run);
        WriteBytes(run.Title() + "/bgm/first.wav", Tune(220500));
        WriteBytes(run.Title() + "/bgm/second.wav", Tune(220500));
        WriteFile(run.Title() + "/bgm/a.ogg", EncodeOgg(Tone(22050, 1, 220500, 330.0, 8000), 22050, 1));
        WriteSave(run, c.line, c.bgm);
        RunResult r = run.Run(kToLastScene + kLoadSlot1 + "close\n");
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        ASSERT_EQ(r.Events("load").size(), 1u);
        EXPECT_EQ(r.Events("load")[0].Get("ok"), "true") << r.stderrText;
        EXPECT_EQ(SoundAfterLoadScreen(r), c.heard);
    }
}

TEST(LoadMusic, TheCdTrackOfTheLoadedScenePlays) {
    E2eRun run(kTitles + "load-cd");
    Pictures(run);
    WriteBytes(run.Title() + "/cd/track02.wav", Tune(220500));
    WriteBytes(run.Title() + "/cd/track03.wav", Tune(220500));
    WriteSave(run, "一つ目の場面。", "");
    RunResult r = run.Run("wait\nclick 400 300\nwait\n" + kLoadSlot1 + "close\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_EQ(r.Events("load").size(), 1u);
    EXPECT_EQ(r.Events("load")[0].Get("ok"), "true");
    EXPECT_EQ(SoundAfterLoadScreen(r), (std::vector<std::string>{"music-stop cd\\track03.wav", "cd-track 2",
                                                                 "music-start cd\\track02.wav"}));
}

}  // namespace
}  // namespace textreel::testing
