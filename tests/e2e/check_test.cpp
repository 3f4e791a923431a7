// `textreel --check` on small broken titles: each title holds one kind of mistake and, in
// expected.check, the exact lines the checker must print for it. The demo and the end-to-end test
// titles are checked too: they must have no error (or exactly the findings their expected.check
// lists, for the titles that are broken on purpose).
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/surface.h"
#include "shell/instance_file.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

struct CheckRun {
    int exitCode = -1;
    std::string out;
};

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

CheckRun RunCheck(const std::vector<std::string>& args) {
    std::string command = Quoted(TEXTREEL_BINARY_PATH) + " --check";
    for (const std::string& arg : args) {
        command += " " + Quoted(arg);
    }
    command += " 2>/dev/null";
    CheckRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        run.out.append(buffer, n);
    }
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A copy of a broken title in a fresh folder. A title without a start-up logo gets one of its
// screen's size, so that its findings are only the ones it was made for.
class TitleCopy {
  public:
    explicit TitleCopy(const fs::path& source) {
        std::random_device random;
        path_ = fs::temp_directory_path() /
                ("textreel-check-" + std::to_string(random()) + "-" + source.filename().string());
        fs::copy(source, path_, fs::copy_options::recursive);
        fs::path logo = path_ / "cg" / "menu" / "logo.bmp";
        if (!fs::exists(logo)) {
            std::string ist = ReadText(path_ / "title.ist");
            textreel::InstanceConfig config =
                textreel::ParseInstanceFile(std::vector<uint8_t>(ist.begin(), ist.end()));
            int w = config.windowWidth > 0 && config.windowWidth <= 2048 ? config.windowWidth : 640;
            int h = config.windowHeight > 0 && config.windowHeight <= 2048 ? config.windowHeight : 480;
            fs::create_directories(logo.parent_path());
            std::vector<uint8_t> bmp = textreel::testing::MakeBmp(textreel::Surface(w, h));
            std::ofstream(logo, std::ios::binary)
                .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
        }
    }
    ~TitleCopy() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Path() const { return path_.string(); }

  private:
    fs::path path_;
};

std::vector<fs::path> Titles(const std::string& folder) {
    std::vector<fs::path> titles;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory()) {
            titles.push_back(entry.path());
        }
    }
    std::sort(titles.begin(), titles.end());
    return titles;
}

// Exit 1 exactly when the expected lines hold an error.
int ExpectedExit(const std::string& expected) {
    return expected.find(": error: ") != std::string::npos ? 1 : 0;
}

TEST(Check, EachBrokenTitlePrintsExactlyItsFindings) {
    std::vector<fs::path> titles = Titles(TEXTREEL_TEST_DATA "/check/titles");
    ASSERT_GE(titles.size(), 15u);
    for (const fs::path& title : titles) {
        SCOPED_TRACE(title.filename().string());
        ASSERT_TRUE(fs::exists(title / "expected.check"));
        std::string expected = ReadText(title / "expected.check");
        TitleCopy copy(title);
        CheckRun run = RunCheck({copy.Path()});
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(run.exitCode, ExpectedExit(expected));
    }
}

TEST(Check, TestTitlesHaveNoErrorsUnlessTheyAreBrokenOnPurpose) {
    for (const fs::path& title : Titles(TEXTREEL_TEST_DATA "/e2e/titles")) {
        SCOPED_TRACE(title.filename().string());
        CheckRun run = RunCheck({title.string()});
        if (fs::exists(title / "expected.check")) {
            std::string expected = ReadText(title / "expected.check");
            EXPECT_EQ(run.out, expected);
            EXPECT_EQ(run.exitCode, ExpectedExit(expected));
        } else {
            EXPECT_EQ(run.exitCode, 0) << run.out;
        }
    }
}

TEST(Check, TheDemoIsClean) {
    CheckRun run = RunCheck({TEXTREEL_DEMO_DIR});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "0 errors, 0 warnings\n");
}

TEST(Check, JsonGivesOneObjectPerFindingAndTheCounts) {
    TitleCopy copy(fs::path(TEXTREEL_TEST_DATA "/check/titles/label-twice"));
    CheckRun run = RunCheck({"--json", copy.Path()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(
        run.out,
        "{\"file\":\"scenario.txt\",\"line\":4,\"level\":\"error\",\"message\":\"the label \\\"scene\\\" is "
        "defined again; the first one, on line 1, wins\"}\n"
        "{\"errors\":1,\"warnings\":0}\n");
}

TEST(Check, ABadCommandLineExitsWithTwo) {
    const std::string demo = TEXTREEL_DEMO_DIR;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--headless", demo}, {demo, demo}, {"/nonexistent/title"}, {"--jsn", demo}}) {
        SCOPED_TRACE(args[0]);
        CheckRun run = RunCheck(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
