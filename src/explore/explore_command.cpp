#include "explore/explore_command.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "explore/explorer.h"
#include "explore/route_graph.h"
#include "platform/child_work.h"
#include "platform/files.h"
#include "platform/signals.h"

namespace textreel::explore {

namespace {

constexpr const char* kUsage =
    "usage: textreel --explore [--json] [--graph FILE.svg] [--max-seconds N] [--seed N] [--exhaustive]\n"
    "                         [GAME_DIR]\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "textreel: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

bool ParseCount(const std::string& text, int64_t& out) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        out = out * 10 + (c - '0');
    }
    return true;
}

}  // namespace

int RunExploreCommand(int argc, char** argv) {
    bool json = false;
    bool haveDir = false;
    std::string gameDir;
    std::string graphPath;
    ExploreOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--explore") {
            continue;
        }
        if (arg == "--json") {
            json = true;
        } else if (arg == "--exhaustive") {
            options.exhaustive = true;
        } else if (arg == "--graph") {
            if (i + 1 >= argc) {
                return Usage("--graph needs a file name (.svg or .dot)");
            }
            graphPath = argv[++i];
            if (!graphPath.empty() && graphPath[0] != '/') {
                graphPath = files::CurrentDirectory() + "/" + graphPath;
            }
        } else if (arg == "--max-seconds") {
            if (i + 1 >= argc || !ParseCount(argv[i + 1], options.maxSeconds) || options.maxSeconds == 0) {
                return Usage("--max-seconds needs a whole number of seconds from 1");
            }
            ++i;
        } else if (arg == "--seed") {
            if (i + 1 >= argc || !ParseCount(argv[i + 1], options.seed)) {
                return Usage("--seed needs a whole number");
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(
                "--explore takes --json, --graph FILE, --max-seconds N, --seed N, --exhaustive and GAME_DIR, "
                "not " +
                arg);
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
    // SIGTERM or SIGINT ends the exploration as when its time is up: the report of what was
    // played so far is printed.
    // The graph's layout counts against the same time limit and ends on the same signals.
    const int64_t startMs = SteadyNowMs();
    std::atomic<bool> stop{false};
    options.stop = &stop;
    ExploreResult result;
    SignalWatcher watcher([&stop] { stop = true; });
    result = ExploreTitle(options);
    if (!result.book) {
        std::fprintf(stderr, "textreel: there is no scenario file (*.txt) to explore\n");
        return 1;
    }
    if (!graphPath.empty()) {
        DrawLimits limits;
        limits.stop = &stop;
        limits.byTimeLimit = options.maxSeconds > 0;
        limits.deadlineMs = options.maxSeconds > 0 ? startMs + options.maxSeconds * 1000 : 0;
        std::string message;
        WriteRouteGraph(BuildRouteGraph(*result.book, result.edges), graphPath, limits, message);
        if (!message.empty()) {
            std::fprintf(stderr, "textreel: %s\n", message.c_str());
        }
    }
    std::string text = json ? result.book->FormatJson() : result.book->FormatText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return result.book->Faults().empty() ? 0 : 1;
}

}  // namespace textreel::explore
