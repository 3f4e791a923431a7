// Movies as a player sees and hears them: the first picture on the screen, the sound with it, Esc
// and the right button cutting it short, a left click doing nothing, the game's picture back after
// it, and the files that cannot be played.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/movie_maker.h"
#include "support/ogg_maker.h"
#include "support/recording.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/movie";

void Make(const std::string& path, MovieRecipe movie) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::string error;
    ASSERT_TRUE(MakeMovie(movie, path, &error)) << path << ": " << error;
}

// The title's movies: a long red one with a 440 Hz tone, a long blue one in 16:9 (in AVI), a
// file of noise, and a one-second green one with a 660 Hz tone that plays out.
void MakeMovies(const std::string& title) {
    MovieRecipe red;
    red.frames = 250;
    red.colour = [](int) { return std::array<uint8_t, 3>{230, 20, 20}; };
    red.sound = true;
    Make(title + "/movie/red.mpg", red);

    MovieRecipe wide;
    wide.width = 128;
    wide.height = 72;
    wide.frames = 250;
    wide.container = "avi";
    wide.colour = [](int) { return std::array<uint8_t, 3>{20, 20, 230}; };
    Make(title + "/movie/wide.avi", wide);

    std::vector<uint8_t> noise(4096);
    uint32_t seed = 12345;
    for (uint8_t& b : noise) {
        seed = seed * 1103515245 + 12345;
        b = static_cast<uint8_t>(seed >> 24);
    }
    WriteFile(title + "/movie/corrupt.mpg", noise);

    MovieRecipe green;
    green.colour = [](int) { return std::array<uint8_t, 3>{20, 220, 20}; };
    green.sound = true;
    green.toneHz = 660;
    green.amplitude = 12000;
    Make(title + "/movie/short.mpg", green);
}

bool Near(uint32_t pixel, int r, int g, int b) {
    auto channel = [&](int shift) { return static_cast<int>((pixel >> shift) & 0xff); };
    return std::abs(channel(0) - r) < 40 && std::abs(channel(8) - g) < 40 && std::abs(channel(16) - b) < 40;
}

std::vector<const TraceEvent*> Named(const RunResult& r, const std::string& name) {
    std::vector<const TraceEvent*> out;
    for (const TraceEvent& e : r.trace) {
        if (e.Name() == name) {
            out.push_back(&e);
        }
    }
    return out;
}

TEST(Movie, PlaysInTheWindowUntilEscOrARightClickOrItsEndAndTheStoryGoesOn) {
    E2eRun run(kTitle, Time::kReal);
    MakeMovies(run.Title());
    const std::string wav = run.File("out.wav");
    auto shot = [&](const char* name) { return "screenshot " + run.File(name) + "\n"; };
    RunResult r = run.Run("wait\n" + shot("before.png") + "click 10 10\n" +
                              // The red movie: the wait ends once its first picture is on the screen.
                              "wait\n" + shot("red.png") + "move 300 200\nclick 300 200\nwait\n" +
                              shot("red-click.png") + "sleep 600\nkey Escape\nwait\n" + shot("after.png") +
                              "click 10 10\n" +
                              // The wide movie, ended by the right button.
                              "wait\n" + shot("wide.png") + "sleep 600\nrclick 10 10\nwait\nclick 10 10\n" +
                              // The missing file and the file of noise: a box each, then the story goes on.
                              "wait\nanswer ok\nwait\nclick 10 10\nwait\nanswer ok\nwait\nclick 10 10\n",
                          60000, {"--audio-out", wav});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    // The short movie played out by itself and the scenario ended after it.
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"first", "after red", "after wide", "after missing",
                                                       "after corrupt", "after short"}));

    std::vector<const TraceEvent*> starts = Named(r, "movie-start");
    std::vector<const TraceEvent*> stops = Named(r, "movie-stop");
    ASSERT_EQ(starts.size(), 3u) << r.stderrText;
    ASSERT_EQ(stops.size(), 4u) << r.stderrText;
    EXPECT_EQ(starts[0]->Get("path"), "movie\\red.mpg");
    EXPECT_EQ(starts[0]->Get("width"), "64");
    EXPECT_EQ(starts[0]->Get("height"), "48");
    int64_t duration = std::stoll(starts[0]->Get("duration"));
    EXPECT_GT(duration, 9500);
    EXPECT_LT(duration, 10700);
    EXPECT_EQ(starts[1]->Get("width"), "128");
    EXPECT_EQ(stops[0]->Get("reason"), "key");
    EXPECT_GE(std::stoll(stops[0]->Get("frames")), 1);
    EXPECT_EQ(stops[1]->Get("reason"), "click");
    EXPECT_EQ(stops[2]->Get("path"), "movie\\corrupt.mpg");
    EXPECT_EQ(stops[2]->Get("reason"), "error");
    EXPECT_EQ(stops[2]->Get("frames"), "0");
    EXPECT_EQ(stops[3]->Get("reason"), "end");
    // Every picture of the short movie was either shown or (on a machine too slow) dropped.
    EXPECT_EQ(std::stoll(stops[3]->Get("frames")) + std::stoll(stops[3]->Get("dropped")), 25);

    std::vector<const TraceEvent*> messages = Named(r, "message");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0]->Get("text"), "ムービーファイルがみつかりません。");
    EXPECT_EQ(messages[0]->Get("caption"), "MovieTest");
    EXPECT_EQ(messages[1]->Get("text"), "オープン失敗");
    EXPECT_EQ(messages[1]->Get("caption"), "　");

    // The movie fills the window; a left click changes nothing; after it the game's picture is back.
    Shot before = LoadShot(run.File("before.png"));
    Shot red = LoadShot(run.File("red.png"));
    EXPECT_TRUE(Near(red.At(320, 240), 230, 20, 20)) << std::hex << red.At(320, 240);
    EXPECT_TRUE(Near(red.At(2, 2), 230, 20, 20)) << std::hex << red.At(2, 2);
    EXPECT_TRUE(Near(LoadShot(run.File("red-click.png")).At(320, 240), 230, 20, 20));
    Shot after = LoadShot(run.File("after.png"));
    EXPECT_EQ(after.At(320, 100), before.At(320, 100));
    // A 16:9 movie keeps its shape: black above and below.
    Shot wide = LoadShot(run.File("wide.png"));
    EXPECT_TRUE(Near(wide.At(320, 240), 20, 20, 230)) << std::hex << wide.At(320, 240);
    EXPECT_TRUE(Near(wide.At(320, 70), 20, 20, 230)) << std::hex << wide.At(320, 70);
    EXPECT_EQ(wide.At(320, 50), 0u);
    EXPECT_EQ(wide.At(320, 430), 0u);

    // Each movie is heard while it plays, and not after it.
    Recording rec = ReadRecording(wav);
    auto has = [&](double hz) { return [&rec, hz](size_t a, size_t b) { return rec.Tone(a, b, hz) > 800; }; };
    EXPECT_GE(rec.Share(starts[0]->Ms() + 150, stops[0]->Ms(), has(440)), 0.5);
    EXPECT_EQ(rec.Share(stops[0]->Ms() + 200, stops[1]->Ms(), has(440)), 0.0);
    EXPECT_GE(rec.Share(starts[2]->Ms() + 150, stops[3]->Ms() - 100, has(660)), 0.5);
}

TEST(Movie, ClosingDuringAMovieEndsTheProgram) {
    E2eRun run(kTitle, Time::kReal);
    MakeMovies(run.Title());
    RunResult r = run.Run("wait\nclick 10 10\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    std::vector<const TraceEvent*> stops = Named(r, "movie-stop");
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0]->Get("reason"), "close");
    EXPECT_EQ(r.trace.back().Name(), "exit");
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"first"}));
}

}  // namespace
}  // namespace textreel::testing
