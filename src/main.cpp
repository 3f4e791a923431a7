// textreel [--headless [--fast]] [--events FILE] [--trace FILE] [--audio-out FILE.wav] [--scale N]
//          [--scaling sharp|nearest|smooth] [--seed N] [--text-out FILE] [--speech speechd|espeak|off]
//          [--continue] [GAME_DIR | FILE.ist]
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "check/check_command.h"
#include "explore/explore_command.h"
#include "launcher/launcher.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "shell/engine.h"

namespace {

constexpr const char* kUsage =
    "usage: textreel [--headless [--fast]] [--events FILE] [--trace FILE] [--audio-out FILE.wav]\n"
    "                [--scale N] [--scaling sharp|nearest|smooth] [--seed N] [--text-out FILE]\n"
    "                [--speech speechd|espeak|off] [--continue] [GAME_DIR | FILE.ist]\n"
    "       textreel --check [--json] [GAME_DIR]\n"
    "       textreel --explore [--json] [--graph FILE.svg] [--max-seconds N] [--seed N] [GAME_DIR]\n";

// Shown when a window is asked for where there is no display (an SSH session, a service).
constexpr const char* kNoDisplay =
    "textreel: no display: start it from a desktop session (set DISPLAY or WAYLAND_DISPLAY)\n";

void PrintHelp() {
    std::printf("%s", kUsage);
    std::printf(
        "\n"
        "Plays the novel game in GAME_DIR (default: the current folder): its instance file (*.ist),\n"
        "its Shift-JIS scenario (*.txt), pictures, music, voices and movies. Given FILE.ist, plays the\n"
        "title in that file's folder with that instance file.\n"
        "\n"
        "Modes, one example each:\n"
        "  textreel ~/games/mytitle                play the title in a window\n"
        "  textreel --continue ~/games/mytitle     go on from where its last run ended\n"
        "  textreel --check ~/games/mytitle        look for faults in its scenario and files, without\n"
        "                                          playing it (--json: one finding a line)\n"
        "  textreel --explore ~/games/mytitle      play every choice in virtual time and report the\n"
        "                                          routes, endings and faults (--graph routes.svg)\n"
        "  textreel --headless --fast --events input.txt --trace trace.jsonl ~/games/mytitle\n"
        "                                          for automation only (tests, scripts): no window,\n"
        "                                          virtual time, scripted input, a trace of events\n"
        "\n"
        "Options for playing:\n"
        "  --headless     for automation: no window and no sound device; the picture exists only in\n"
        "                 memory\n"
        "  --fast         with --headless: virtual time; every wait ends at once, in order, and\n"
        "                 movies are skipped as by Esc (the events file's sleep is virtual too)\n"
        "  --events FILE  player input from FILE, one command a line (see README.md)\n"
        "  --trace FILE   write what a player would see or hear to FILE, one JSON object a line\n"
        "  --scale N      the window's integer scale, 1 to 8 (default: the largest that fits)\n"
        "  --scaling sharp|nearest|smooth\n"
        "                 how full screen fills the display: the largest whole factor by repeating\n"
        "                 pixels and the rest filtered (sharp, the default), pixels repeated unevenly\n"
        "                 (nearest), or filtered alone (smooth); save/textreel.cfg may say scaling = ...\n"
        "  --seed N       the seed of the scenario's random numbers, 0 to 4294967295, so that a\n"
        "                 scripted run repeats (default: a fresh seed every run)\n"
        "  --continue     go on from where the last run ended (the save folder's auto.sav)\n"
        "  --audio-out FILE.wav\n"
        "                 write everything the game sounds to FILE.wav as it plays\n"
        "  --text-out FILE\n"
        "                 append each message line to FILE (UTF-8, one a line; - is standard\n"
        "                 output; a FIFO never holds the game up) for a dictionary or reader\n"
        "  --speech speechd|espeak|off\n"
        "                 how self-voicing (the V key) speaks: speech-dispatcher, the built-in\n"
        "                 eSpeak NG, or not at all (default: speech-dispatcher when it answers)\n"
        "  --help         show this help\n"
        "  --version      show the version\n"
        "\n"
        "Keys and gamepad buttons:\n"
        "  key                        pad            does\n"
        "  any other key, left click  A              advance the text\n"
        "  Return, Space              A              click the focused entry\n"
        "  arrows, Tab, Shift+Tab     D-pad, stick   move the focus (menus, screens, the bar)\n"
        "  right click                B, Start       the system menu (B: also leave the backlog,\n"
        "                                            close a screen or menu)\n"
        "  Page Up, wheel away        LB             the backlog, older lines\n"
        "  Page Down, wheel towards   RB             the backlog, newer lines\n"
        "  BackSpace                  X              back one page\n"
        "                             Y              auto mode on or off\n"
        "  the bar's HIDE             Back           hide the message window\n"
        "  F5, F9, F8                                quick save, load it, load the automatic save\n"
        "  V, Shift+C                                reading aids (self-voicing, copy the text)\n"
        "  Escape                     B              end a movie, close a menu or dialog\n"
        "  Alt+Enter                                 window or full screen\n");
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return textreel::files::CurrentDirectory() + "/" + path;
}

// A seed: decimal digits only, at most 2^32 - 1.
std::optional<uint32_t> ParseSeed(const std::string& text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

int Usage(const char* problem) {
    std::fprintf(stderr, "textreel: %s\n%s", problem, kUsage);
    return textreel::kExitUsage;
}

// True when path names an instance file: "*.ist", the extension in any letter case.
bool IsInstanceFileName(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return ext == ".ist";
}

// A window needs a display: an X server, a Wayland compositor, or a video driver the user chose.
// Without any, SDL would fall back to its offscreen driver and the game would run unseen.
bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Blocks of 128 KiB and more (whole-screen pictures, decoded files, sound buffers) come from
    // the kernel and go back to it when freed. The C library would otherwise raise that size after
    // the first such block is freed and keep later ones in its heap, resident after their use.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // Before any thread exists, so that every thread inherits the mask and the watcher takes them.
    textreel::BlockTerminationSignals();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0) {
            return textreel::check::RunCheckCommand(argc, argv);  // the checker has a command line of its own
        }
        if (std::strcmp(argv[i], "--explore") == 0) {
            return textreel::explore::RunExploreCommand(argc, argv);  // so has the explorer
        }
    }
    bool headless = false;
    bool fast = false;
    bool haveDir = false;
    std::string gameDir;
    std::string audioOut;
    textreel::EngineOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return textreel::kExitOk;
        }
        if (arg == "--version") {
            std::printf("textreel %s\n", TEXTREEL_VERSION);
            return textreel::kExitOk;
        }
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--fast") {
            fast = true;
        } else if (arg == "--continue") {
            options.continueGame = true;
        } else if (arg == "--audio-out") {
            if (i + 1 >= argc) {
                return Usage("--audio-out needs a file name");
            }
            audioOut = Absolute(argv[++i]);
        } else if (arg == "--events" || arg == "--trace") {
            if (i + 1 >= argc) {
                return Usage((arg + " needs a file name").c_str());
            }
            (arg == "--events" ? options.eventsPath : options.tracePath) = Absolute(argv[++i]);
        } else if (arg == "--text-out") {
            if (i + 1 >= argc) {
                return Usage("--text-out needs a file name (or - for standard output)");
            }
            std::string path = argv[++i];
            options.textOutPath = path == "-" ? path : Absolute(path);
        } else if (arg == "--speech") {
            if (i + 1 >= argc || !textreel::ParseSpeechChoice(argv[i + 1], options.speech)) {
                return Usage("--speech needs speechd, espeak or off");
            }
            ++i;
        } else if (arg == "--scale") {
            if (i + 1 >= argc) {
                return Usage("--scale needs a number from 1 to 8");
            }
            std::string n = argv[++i];
            if (n.size() != 1 || n[0] < '1' || n[0] > '8') {
                return Usage("--scale needs a number from 1 to 8");
            }
            options.scale = n[0] - '0';
        } else if (arg == "--scaling") {
            std::optional<textreel::Scaling> scaling =
                i + 1 < argc ? textreel::ParseScaling(argv[++i]) : std::nullopt;
            if (!scaling) {
                return Usage("--scaling needs sharp, nearest or smooth");
            }
            options.scaling = scaling;
        } else if (arg == "--seed") {
            std::optional<uint32_t> seed = i + 1 < argc ? ParseSeed(argv[++i]) : std::nullopt;
            if (!seed) {
                return Usage("--seed needs a number from 0 to 4294967295");
            }
            options.seed = seed;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (haveDir) {
            return Usage("only one GAME_DIR may be given");
        } else {
            gameDir = arg;
            haveDir = true;
        }
    }
    if (fast && !headless) {
        return Usage("--fast needs --headless");
    }
    options.startDir = textreel::files::CurrentDirectory();
    uint64_t fileSize = 0;
    if (haveDir && !textreel::files::IsDirectory(gameDir) && IsInstanceFileName(gameDir) &&
        textreel::files::RegularFileSize(gameDir, fileSize)) {
        // An instance file: its folder is the title's, and it is the instance file read.
        size_t slash = gameDir.rfind('/');
        options.instanceFile = slash == std::string::npos ? gameDir : gameDir.substr(slash + 1);
        gameDir = slash == std::string::npos ? "." : slash == 0 ? "/" : gameDir.substr(0, slash);
    }
    // Without a title (the desktop's menu entry starts textreel so), the launcher lists the titles
    // played before; a title started from it brings it back when it closes.
    bool launcherFirst = false;
    if (haveDir) {
        if (!textreel::files::IsDirectory(gameDir) || !textreel::files::ChangeDirectory(gameDir)) {
            return Usage(("cannot open the game folder or instance file " + gameDir).c_str());
        }
    } else if (!textreel::files::FindFirstWithExtension("ist")) {
        launcherFirst = true;
    }
    if (!headless && !DisplayAvailable()) {
        std::fputs(kNoDisplay, stderr);
        return textreel::kExitFailure;
    }
    // The demo installed with textreel: share/games/textreel/demo beside the binary's folder.
    const std::string binaryDir = textreel::files::ExecutableDirectory();
    const size_t slash = binaryDir.rfind('/');
    textreel::launcher::Launcher launcher(
        textreel::launcher::TitleList::DefaultPath(),
        slash == std::string::npos ? "" : binaryDir.substr(0, slash) + "/share/games/textreel/demo");
    // Every title started, by any route, joins the list of titles played.
    options.titleStarted = [&launcher](const std::string& folder, const std::string& instanceFile,
                                       const std::string& windowName, const std::string& saveFolder) {
        launcher.Load();
        launcher.List().Remember({folder, instanceFile, windowName, saveFolder});
        launcher.Save();
    };

    // One engine at a time: the launcher's, then the title's, and the launcher's again. A
    // termination signal ends the one running and the program.
    std::mutex runningMutex;
    textreel::Engine* running = nullptr;
    bool terminated = false;
    size_t nextEvent = 0;
    bool traceStarted = false;
    textreel::SignalWatcher watcher(
        [&] {
            std::lock_guard lock(runningMutex);
            terminated = true;
            if (running != nullptr) {
                running->CloseFromSignal();
            }
        },
        [&] {
            std::lock_guard lock(runningMutex);
            if (running != nullptr) {
                running->RaiseFromSignal();
            }
        });
    auto play = [&](const textreel::EngineOptions& engineOptions) {
        textreel::EngineOptions o = engineOptions;
        o.firstEvent = nextEvent;
        o.appendTrace = traceStarted;
        traceStarted = true;
        // Each engine has a platform of its own (its clock ends with it). The recording ends, its
        // header finished, when the platform and its mixer go away; a title's replaces the one before.
        std::unique_ptr<textreel::Platform> platform =
            headless ? textreel::MakeHeadlessPlatform(fast) : textreel::MakeSdlPlatform();
        if (!audioOut.empty() && o.launcher == nullptr && !platform->Mixer().StartRecording(audioOut)) {
            std::fprintf(stderr, "textreel: cannot write the audio file %s\n", audioOut.c_str());
            return textreel::kExitUsage;
        }
        auto engine = std::make_unique<textreel::Engine>(*platform, o);
        {
            std::lock_guard lock(runningMutex);
            if (terminated) {
                return textreel::kExitOk;
            }
            running = engine.get();
        }
        int code = engine->Run();
        {
            std::lock_guard lock(runningMutex);
            running = nullptr;
        }
        nextEvent = engine->EventsDone();
        engine.reset();
        platform.reset();
        return code;
    };
    auto ended = [&] {
        std::lock_guard lock(runningMutex);
        return terminated;
    };
    if (!launcherFirst) {
        const int code = play(options);
        // Lines a slow reader has not taken yet get a moment, never more.
        textreel::FinishErrorLines(200);
        return code;
    }
    int code = textreel::kExitOk;
    for (;;) {
        textreel::EngineOptions shown = options;
        shown.launcher = &launcher;
        textreel::files::ChangeDirectory(options.startDir);
        code = play(shown);
        const textreel::launcher::Choice choice = launcher.Chosen();
        if (code != textreel::kExitOk || ended() || choice.kind == textreel::launcher::Choice::Kind::kQuit) {
            break;
        }
        if (!textreel::files::ChangeDirectory(choice.title.folder)) {
            std::fprintf(stderr, "textreel: cannot open the game folder %s\n", choice.title.folder.c_str());
            continue;
        }
        textreel::EngineOptions title = options;
        title.instanceFile = choice.title.instanceFile;
        title.continueGame = choice.kind == textreel::launcher::Choice::Kind::kContinue;
        // The title's own exit code is not the program's: the launcher comes back.
        play(title);
        if (ended()) {
            break;
        }
    }
    // Lines a slow reader has not taken yet get a moment, never more.
    textreel::FinishErrorLines(200);
    return code;
}
