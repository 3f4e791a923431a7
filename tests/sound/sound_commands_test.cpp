// The sound commands' rules, each as a table of scenario lines and the sound events they cause.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "script/commands.h"
#include "sound/sound.h"
#include "support/engine_fixture.h"
#include "support/ogg_maker.h"

namespace textreel::testing {
namespace {

struct Fixture : EngineFixture {
    Fixture() {
        std::vector<uint8_t> ogg = EncodeOgg(Tone(44100, 2, 20000, 440, 8000), 44100, 2);
        title.Write("bgm/a.ogg", ogg);
        title.Write("voice/v.ogg", ogg);
        title.Write("CD/track03.ogg", ogg);
        title.Write("se/hit.ogg", ogg);
        engine.workDir = title.Path() + "/";
        engine.env.ApplyDefaults();
        seen = engine.trace.CapturedLines().size();
    }
    ~Fixture() { StopAllSound(engine); }

    // Runs one scenario line through its command, then what it posted to the main thread.
    void Line(const std::string& line) {
        const std::string keyword =
            line.substr(1, line.find(' ') == std::string::npos ? std::string::npos : line.find(' ') - 1);
        auto run = [&](void (*cmd)(Engine&, const char*, int)) {
            cmd(engine, line.c_str(), static_cast<int>(line.size()));
        };
        if (keyword == "OGGPlay") {
            run(&CmdOGGPlay);
        } else if (keyword == "onestopbgm") {
            run(&CmdOnestopbgm);
        } else if (keyword == "BGMWave") {
            run(&CmdBGMWave);
        } else if (keyword == "cdda") {
            run(&CmdCdda);
        } else if (keyword == "wave") {
            run(&CmdWave);
        } else if (keyword == "talk") {
            run(&CmdTalk);
        } else {
            ADD_FAILURE() << line;
        }
        engine.ServeRequestsUntil([] { return true; });
    }

    // The sound events since the last call, shortened to "name field...".
    std::vector<std::string> Events() {
        std::vector<std::string> out;
        std::vector<std::string> lines = engine.trace.CapturedLines();
        for (size_t i = seen; i < lines.size(); ++i) {
            const std::string& l = lines[i];
            size_t at = l.find("\"event\":\"");
            std::string name = l.substr(at + 9, l.find('"', at + 9) - at - 9);
            if (name == "music-start" || name == "music-stop" || name == "voice-start" ||
                name == "voice-stop" || name == "effect" || name == "fade" || name == "cd-track") {
                out.push_back(l.substr(at + 1));
            }
        }
        seen = lines.size();
        return out;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (const std::string& e : Events()) {
            out.push_back(e.substr(8, e.find('"', 8) - 8));
        }
        return out;
    }

    size_t seen = 0;
};

using Names = std::vector<std::string>;

TEST(SoundCommands, MusicCommands) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        Names events;
    };
    const Case cases[] = {
        {"the same line twice starts once", {"$OGGPlay bgm\\a.ogg", "$OGGPlay bgm\\a.ogg"}, {"music-start"}},
        {"after STOP the same line starts again",
         {"$OGGPlay bgm\\a.ogg", "$OGGPlay STOP", "$OGGPlay bgm\\a.ogg"},
         {"music-start", "music-stop", "music-start"}},
        {"a fade without a number stops at once",
         {"$OGGPlay bgm\\a.ogg", "$OGGPlay FADEOUT"},
         {"music-start", "fade", "music-stop"}},
        {"a fade with a number lets the music go on",
         {"$OGGPlay bgm\\a.ogg", "$OGGPlay FADEOUT 50"},
         {"music-start", "fade"}},
        {"onestopbgm and its STOP",
         {"$onestopbgm bgm\\a.ogg", "$onestopbgm STOP"},
         {"music-start", "music-stop"}},
        {"a missing file stays silent", {"$OGGPlay bgm\\none.ogg"}, {}},
        {"a line without an argument does nothing",
         {"$OGGPlay", "$OGGPlay ", "$talk", "$wave", "$BGMWave"},
         {}},
        {"wave music and its STOP",
         {"$BGMWave bgm\\a.ogg", "$BGMWave bgm\\a.ogg", "$BGMWave STOP"},
         {"music-start", "music-stop"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        for (const std::string& line : c.lines) {
            f.Line(line);
        }
        EXPECT_EQ(f.Names(), c.events) << c.what;
    }
}

TEST(SoundCommands, OnACdTitleTheOggMusicCommandsDoNothing) {
    Fixture f;
    f.engine.instance.cdMusic = true;
    for (const char* line : {"$OGGPlay bgm\\a.ogg", "$onestopbgm bgm\\a.ogg", "$BGMWave bgm\\a.ogg"}) {
        f.Line(line);
    }
    EXPECT_EQ(f.Names(), Names{});
}

TEST(SoundCommands, MusicLoopsAndPlayOnceAsTheCommandSays) {
    Fixture f;
    f.Line("$OGGPlay bgm\\a.ogg");
    f.Line("$onestopbgm voice\\v.ogg");
    std::vector<std::string> events = f.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_NE(events[0].find("\"loop\":true"), std::string::npos);
    EXPECT_NE(events[2].find("\"loop\":false"), std::string::npos);
}

TEST(SoundCommands, Cdda) {
    struct Case {
        const char* what;
        bool loading;
        std::vector<std::string> lines;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"the first track is the current one", false, {"$cdda 1"}, {}},
        {"the same track twice plays once",
         false,
         {"$cdda 3", "$cdda 3"},
         {R"(event":"cd-track","n":3,"file":"cd\\track03.ogg"})",
          R"(event":"music-start","path":"cd\\track03.ogg","loop":true})"}},
        {"a track without a ripped copy", false, {"$cdda 4"}, {R"(event":"cd-track","n":4,"file":"none"})"}},
        {"STOP makes the track play again",
         false,
         {"$cdda 3", "$cdda STOP", "$cdda 3"},
         {R"(event":"cd-track","n":3,"file":"cd\\track03.ogg"})",
          R"(event":"music-start","path":"cd\\track03.ogg","loop":true})",
          R"(event":"music-stop","path":"cd\\track03.ogg","loop":true})",
          R"(event":"cd-track","n":3,"file":"cd\\track03.ogg"})",
          R"(event":"music-start","path":"cd\\track03.ogg","loop":true})"}},
        {"a load's replay plays no track", true, {"$cdda 3"}, {}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.engine.instance.cdMusic = true;
        f.engine.sound.cdFound = 1;
        f.engine.LoadInProgress = c.loading ? 1 : 0;
        for (const std::string& line : c.lines) {
            f.Line(line);
        }
        EXPECT_EQ(f.Events(), c.events) << c.what;
    }
}

TEST(SoundCommands, CddaWritesTheBgmNameAndItsStopClearsItEvenDuringALoad) {
    Fixture f;
    f.engine.instance.cdMusic = true;
    f.engine.sound.cdFound = 1;
    f.Line("$cdda 3");
    EXPECT_EQ(f.engine.flags.Text(FlagBlock::kBgmName, FlagBlock::kNameSize), "3");
    f.engine.LoadInProgress = 1;
    f.Line("$cdda STOP");
    EXPECT_EQ(f.engine.flags.Text(FlagBlock::kBgmName, FlagBlock::kNameSize), "");
    EXPECT_EQ(f.Names(), (Names{"cd-track", "music-start", "music-stop"}));
    EXPECT_EQ(f.engine.sound.cdTrack, 0);
}

TEST(SoundCommands, CddaWithoutACdDoesNothing) {
    Fixture f;
    f.engine.instance.cdMusic = true;
    f.Line("$cdda 3");
    EXPECT_EQ(f.Names(), Names{});
}

TEST(SoundCommands, VoicesAndEffects) {
    struct Case {
        const char* what;
        int seVolume;
        int advanceMode;
        bool loading;
        std::vector<std::string> lines;
        Names events;
    };
    const Case cases[] = {
        {"a voice plays", 100, 0, false, {"$talk voice\\v.ogg"}, {"voice-start"}},
        {"a new voice cuts off the one speaking",
         100,
         0,
         false,
         {"$talk voice\\v.ogg", "$talk bgm\\a.ogg"},
         {"voice-start", "voice-stop", "voice-start"}},
        {"purge stops the voice",
         100,
         0,
         false,
         {"$talk voice\\v.ogg", "$talk purge"},
         {"voice-start", "voice-stop"}},
        {"no voice at effect volume 0", 0, 0, false, {"$talk voice\\v.ogg", "$wave se\\hit.ogg"}, {}},
        {"no voice or effect in skip mode", 100, 1, false, {"$talk voice\\v.ogg", "$wave se\\hit.ogg"}, {}},
        {"no voice or effect in a load's replay",
         100,
         0,
         true,
         {"$talk voice\\v.ogg", "$wave se\\hit.ogg"},
         {}},
        {"an Ogg effect plays", 100, 3, false, {"$wave se\\hit.ogg"}, {"effect"}},
        {"a missing effect plays nothing", 100, 0, false, {"$wave se\\none.wav"}, {}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.engine.env.seVolume = static_cast<int16_t>(c.seVolume);
        f.engine.AdvanceMode = c.advanceMode;
        f.engine.LoadInProgress = c.loading ? 1 : 0;
        for (const std::string& line : c.lines) {
            f.Line(line);
        }
        EXPECT_EQ(f.Names(), c.events) << c.what;
        EXPECT_EQ(f.engine.VoicePlaying, c.events.empty() || c.events.back() != "voice-start" ? 0 : 1)
            << c.what;
    }
}

TEST(SoundCommands, AutoModeWaitsForTheVoiceToEnd) {
    Fixture f;
    f.Line("$talk voice\\v.ogg");
    ASSERT_EQ(f.engine.VoicePlaying, 1);
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        WaitForVoiceEnd(f.engine);
        returned = true;
    });
    // The wait holds while the voice plays; the stop request ends it.
    EXPECT_FALSE(returned);
    f.engine.VoiceStopRequest();
    waiter.join();
    EXPECT_TRUE(returned);
}

}  // namespace
}  // namespace textreel::testing
