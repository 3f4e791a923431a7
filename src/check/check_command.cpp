#include "check/check_command.h"

#include <cstdio>
#include <string>

#include "check/checker.h"
#include "platform/files.h"

namespace textreel::check {

namespace {

constexpr const char* kUsage = "usage: textreel --check [--json] [GAME_DIR]\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "textreel: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

}  // namespace

int RunCheckCommand(int argc, char** argv) {
    bool json = false;
    bool haveDir = false;
    std::string gameDir;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--check") {
            continue;
        }
        if (arg == "--json") {
            json = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("--check takes only --json and GAME_DIR, not " + arg);
        } else if (haveDir) {
            return Usage("only one GAME_DIR may be given");
        } else {
            gameDir = arg;
            haveDir = true;
        }
    }
    if (haveDir && (!files::IsDirectory(gameDir) || !files::ChangeDirectory(gameDir))) {
        return Usage("cannot open the game folder " + gameDir);
    }
    Report report = CheckTitle();
    std::string text = json ? FormatJson(report) : FormatText(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return report.Errors() > 0 ? 1 : 0;
}

}  // namespace textreel::check
