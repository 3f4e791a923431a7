// A title stays inside its folder: paths out of it are refused like missing files, and files that
// are not regular files never hang or feed the engine.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// A 640 x 480 picture of one colour (0x00BBGGRR).
void WriteSolidPng(const std::string& path, uint32_t colour) {
    std::vector<uint8_t> rgb(640 * 480 * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = colour & 0xFF;
        rgb[i + 1] = (colour >> 8) & 0xFF;
        rgb[i + 2] = (colour >> 16) & 0xFF;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 640;
    image.height = 480;
    image.format = PNG_FORMAT_RGB;
    ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 640 * 3, nullptr), 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Containment, PathsOutOfTheTitleAndFilesThatAreNotRegularFailLikeMissingFiles) {
    E2eRun run(kTitles + "escape");
    const std::string secret = run.File("secret.png");
    WriteSolidPng(secret, 0x0000FF);                     // red: must never be shown
    WriteSolidPng(run.Title() + "/cg/a.png", 0x00FF00);  // green: shown through an inside link
    fs::create_symlink(secret, run.Title() + "/cg/out.png");
    fs::create_symlink("a.png", run.Title() + "/cg/in.png");
    ASSERT_EQ(mkfifo((run.Title() + "/cg/fifo.png").c_str(), 0600), 0);
    fs::create_directory(run.Title() + "/cg/folder.png");
    std::string scenario = ReadFile(run.Title() + "/scenario.txt");
    scenario.replace(scenario.find("%SECRET%"), 8, secret);
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary) << scenario;

    // Each refused or unreadable picture shows the load-failure box, which a click answers.
    std::string events = "wait\nscreenshot " + run.File("before.png") + "\nclick 1 1\n";
    for (int i = 0; i < 5; ++i) {
        events += "wait\nscreenshot " + run.File("box" + std::to_string(i) + ".png") + "\nclick 1 1\n";
    }
    events += "wait\nscreenshot " + run.File("after.png") + "\nclose\n";
    RunResult r = run.Run(events, 60000);
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"start", "end"}));
    ASSERT_EQ(r.Events("message").size(), 5u);
    for (const TraceEvent& m : r.Events("message")) {
        EXPECT_EQ(m.Get("text"), "画像の読み込み失敗");
        EXPECT_EQ(m.Get("caption"), "zovi");
    }
    std::vector<std::string> refused;
    for (const TraceEvent& e : r.Events("refused")) {
        refused.push_back(e.Get("path"));
        EXPECT_FALSE(e.Get("reason").empty());
    }
    EXPECT_EQ(refused, (std::vector<std::string>{"..\\secret.wav", "..\\secret.png", secret, "cg\\out.png"}));
    EXPECT_NE(r.stderrText.find("refused ..\\secret.png"), std::string::npos);
    EXPECT_NE(r.stderrText.find("refused cg\\out.png"), std::string::npos);

    // The picture behind the inside link is shown; the outside one never was.
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(LoadShot(run.File("box" + std::to_string(i) + ".png")).At(320, 100), 0x0000FFu) << i;
    }
    Shot after = LoadShot(run.File("after.png"));
    EXPECT_EQ(after.At(320, 100), 0x00FF00u);
}

}  // namespace
}  // namespace textreel::testing
