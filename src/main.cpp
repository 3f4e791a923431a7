// textreel [--headless] [--events FILE] [--trace FILE] [--audio-out FILE.wav] [--scale N]
//          [--text-out FILE] [--speech speechd|espeak|off] [GAME_DIR]
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "check/check_command.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "shell/engine.h"

namespace {

constexpr const char* kUsage =
    "usage: textreel [--headless] [--events FILE] [--trace FILE] [--audio-out FILE.wav] [--scale N]\n"
    "                [--text-out FILE] [--speech speechd|espeak|off] [--continue] [GAME_DIR]\n";

void PrintHelp() {
    std::printf("%s", kUsage);
    std::printf(
        "\n"
        "Plays the novel game in GAME_DIR (default: the current folder): its instance file (*.ist),\n"
        "its Shift-JIS scenario (*.txt), pictures, music, voices and movies.\n"
        "\n"
        "  --headless     no window and no sound device; the picture exists only in memory\n"
        "  --events FILE  player input from FILE, one command a line (see README.md)\n"
        "  --trace FILE   write what a player would see or hear to FILE, one JSON object a line\n"
        "  --scale N      the window's integer scale, 1 to 8 (default: the largest that fits)\n"
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
        "  --version      show the version\n");
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return textreel::files::CurrentDirectory() + "/" + path;
}

int Usage(const char* problem) {
    std::fprintf(stderr, "textreel: %s\n%s", problem, kUsage);
    return textreel::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the mask and the watcher takes them.
    textreel::BlockTerminationSignals();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0) {
            return textreel::check::RunCheckCommand(argc, argv);  // the checker has a command line of its own
        }
    }
    bool headless = false;
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
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (haveDir) {
            return Usage("only one GAME_DIR may be given");
        } else {
            gameDir = arg;
            haveDir = true;
        }
    }
    options.startDir = textreel::files::CurrentDirectory();
    if (haveDir) {
        if (!textreel::files::IsDirectory(gameDir) || !textreel::files::ChangeDirectory(gameDir)) {
            return Usage(("cannot open the game folder " + gameDir).c_str());
        }
    }
    std::unique_ptr<textreel::Platform> platform =
        headless ? textreel::MakeHeadlessPlatform() : textreel::MakeSdlPlatform();
    // The recording ends, its header finished, when the platform and its mixer go away.
    if (!audioOut.empty() && !platform->Mixer().StartRecording(audioOut)) {
        std::fprintf(stderr, "textreel: cannot write the audio file %s\n", audioOut.c_str());
        return textreel::kExitUsage;
    }
    auto engine = std::make_unique<textreel::Engine>(*platform, options);
    int code;
    {
        textreel::Engine* running = engine.get();
        textreel::SignalWatcher watcher([running] { running->CloseFromSignal(); });
        code = engine->Run();
    }
    engine.reset();
    platform.reset();
    return code;
}
