#include "support/e2e_run.h"

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace textreel::testing {

namespace fs = std::filesystem;

namespace {

// A right click during the logo's hold ends it at once.
constexpr char kSkipLogo[] = "rclick 0 0\n";

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string MakeTempDir(const std::string& prefix) {
    static int counter = 0;
    fs::path dir = fs::temp_directory_path() / (prefix + std::to_string(getpid()) + "-" +
                                                std::to_string(NowMs()) + "-" + std::to_string(counter++));
    fs::create_directories(dir);
    return dir.string();
}

// Starts the binary with stderr to a file and XDG_RUNTIME_DIR (and XDG_CONFIG_HOME) set; returns the pid.
// Each entry of envEdits sets ("NAME=VALUE") or removes ("NAME") a variable of the environment passed on.
int Spawn(const std::vector<std::string>& args, const std::string& runtimeDir, const std::string& stderrPath,
          const std::string& startDir = {}, const std::vector<std::string>& envEdits = {}) {
    std::vector<std::string> edits = envEdits;
    edits.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    // The list of titles played goes to the run's own folder, never the user's, unless the test
    // names a folder itself.
    bool configGiven = false;
    for (const std::string& edit : envEdits) {
        configGiven = configGiven || edit.rfind("XDG_CONFIG_HOME", 0) == 0;
    }
    if (!configGiven) {
        edits.push_back("XDG_CONFIG_HOME=" + runtimeDir + "/config");
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        bool edited = false;
        for (const std::string& edit : edits) {
            std::string name = edit.substr(0, edit.find('='));
            edited = edited || entry.rfind(name + "=", 0) == 0;
        }
        if (!edited) {
            env.push_back(entry);
        }
    }
    for (const std::string& edit : edits) {
        if (edit.find('=') != std::string::npos) {
            env.push_back(edit);
        }
    }
    std::vector<char*> envp;
    for (std::string& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argStore = args;
    std::vector<char*> argv;
    for (std::string& s : argStore) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!startDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, startDir.c_str());
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the process; kills it when it outlives the timeout.
void Reap(int pid, int64_t startMs, int timeoutMs, RunResult& result) {
    int status = 0;
    struct rusage usage {};
    for (;;) {
        pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            break;
        }
        if (NowMs() - startMs > timeoutMs) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            result.timedOut = true;
            break;
        }
        // Polling the child's exit is the harness's own business, not a wait on the engine's state.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.wallMs = NowMs() - startMs;
    result.peakRssKb = usage.ru_maxrss;
    result.writtenBytes = static_cast<int64_t>(usage.ru_oublock) * 512;
    if (!result.timedOut && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
}

std::string Unescape(const std::string& s, size_t& i) {
    std::string out;
    for (; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out.push_back(s[i]);
            continue;
        }
        char c = s[++i];
        switch (c) {
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u':
                out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16)));
                i += 4;
                break;
            default:
                out.push_back(c);
        }
    }
    ++i;
    return out;
}

}  // namespace

const std::string& TraceEvent::Get(const std::string& key) const {
    static const std::string kEmpty;
    auto it = fields.find(key);
    return it == fields.end() ? kEmpty : it->second;
}

int64_t TraceEvent::Ms() const {
    return std::stoll(Get("ms"));
}

std::vector<TraceEvent> ParseTrace(const std::string& text) {
    std::vector<TraceEvent> events;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 2 || line.front() != '{' || line.back() != '}') {
            continue;  // a line being written while we read
        }
        TraceEvent event;
        size_t i = 1;
        while (i < line.size() && line[i] == '"') {
            ++i;
            std::string key = Unescape(line, i);
            ++i;  // ':'
            std::string value;
            if (line[i] == '"') {
                ++i;
                value = Unescape(line, i);
            } else if (line[i] == '[' || line[i] == '{') {
                // An array or object stays as its JSON text.
                size_t start = i;
                int depth = 0;
                bool inString = false;
                for (; i < line.size(); ++i) {
                    char c = line[i];
                    if (inString) {
                        if (c == '\\') {
                            ++i;
                        } else if (c == '"') {
                            inString = false;
                        }
                    } else if (c == '"') {
                        inString = true;
                    } else if (c == '[' || c == '{') {
                        ++depth;
                    } else if ((c == ']' || c == '}') && --depth == 0) {
                        ++i;
                        break;
                    }
                }
                value = line.substr(start, i - start);
            } else {
                size_t end = line.find_first_of(",}", i);
                value = line.substr(i, end - i);
                i = end;
            }
            event.fields[key] = value;
            if (line[i] == ',') {
                ++i;
            }
        }
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<TraceEvent> RunResult::Events(const std::string& name) const {
    std::vector<TraceEvent> out;
    for (const TraceEvent& e : trace) {
        if (e.Name() == name) {
            out.push_back(e);
        }
    }
    return out;
}

std::vector<std::string> RunResult::TextLines() const {
    std::vector<std::string> out;
    for (const TraceEvent& e : Events("text")) {
        out.push_back(e.Get("line"));
    }
    return out;
}

void CopyTree(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void CopyFile(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

E2eRun::E2eRun(const std::string& titleDir, Time time) : time_(time) {
    work_ = MakeTempDir("textreel-e2e-");
    title_ = work_ + "/title";
    runtime_ = work_ + "/runtime";
    fs::create_directories(runtime_);
    if (!titleDir.empty()) {
        CopyTree(titleDir, title_);
    } else {
        fs::create_directories(title_);
    }
}

E2eRun::~E2eRun() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::error_code ignored;
    fs::remove_all(work_, ignored);
}

std::vector<std::string> E2eRun::Command(const std::string& eventsPath, const std::string& tracePath,
                                         const std::vector<std::string>& extra) const {
    std::vector<std::string> args = {TEXTREEL_BINARY_PATH, "--headless"};
    // TEXTREEL_E2E_TIME=real runs every test in real time, to compare the two.
    const char* forced = std::getenv("TEXTREEL_E2E_TIME");
    if (time_ == Time::kVirtual && !(forced != nullptr && std::string(forced) == "real")) {
        args.push_back("--fast");
    }
    args.insert(args.end(), {"--events", eventsPath, "--trace", tracePath});
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(title_);
    return args;
}

std::vector<std::string> E2eRun::UserFolders() const {
    return {"XDG_DATA_HOME=" + DataDir(), "XDG_CONFIG_HOME=" + work_ + "/config"};
}

void E2eRun::Start(const std::string& events, const std::string& traceName,
                   const std::vector<std::string>& extra) {
    std::string eventsPath = work_ + "/events" + std::to_string(runs_++) + ".txt";
    std::ofstream(eventsPath) << kSkipLogo << events;
    std::vector<std::string> args = Command(eventsPath, File(traceName), extra);
    startMs_ = NowMs();
    pid_ = Spawn(args, runtime_, work_ + "/stderr-" + traceName, startDir_, UserFolders());
    if (pid_ < 0) {
        throw std::runtime_error("cannot start textreel");
    }
}

RunResult E2eRun::Finish(int timeoutMs, const std::string& traceName) {
    RunResult result;
    Reap(pid_, startMs_, timeoutMs, result);
    pid_ = -1;
    result.trace = ReadTrace(traceName);
    result.stderrText = ReadText(work_ + "/stderr-" + traceName);
    return result;
}

std::vector<TraceEvent> E2eRun::ReadTrace(const std::string& traceName) const {
    return ParseTrace(ReadText(File(traceName)));
}

RunResult E2eRun::Run(const std::string& events, int timeoutMs, const std::vector<std::string>& extra,
                      bool watchLogo) {
    std::string eventsPath = work_ + "/events" + std::to_string(runs_++) + ".txt";
    std::ofstream(eventsPath) << (watchLogo ? "" : kSkipLogo) << events;
    std::string tracePath = File("trace" + std::to_string(runs_) + ".jsonl");
    std::vector<std::string> args = Command(eventsPath, tracePath, extra);
    RunResult result;
    int64_t start = NowMs();
    std::string stderrPath = work_ + "/stderr" + std::to_string(runs_);
    int pid = Spawn(args, runtime_, stderrPath, startDir_, UserFolders());
    if (pid < 0) {
        throw std::runtime_error("cannot start textreel");
    }
    Reap(pid, start, timeoutMs, result);
    result.trace = ParseTrace(ReadText(tracePath));
    result.stderrText = ReadText(stderrPath);
    return result;
}

RunResult RunBinary(const std::vector<std::string>& args, const std::string& runtimeDir, int timeoutMs) {
    return RunBinaryIn(args, runtimeDir, {}, {}, timeoutMs);
}

RunResult RunBinaryIn(const std::vector<std::string>& args, const std::string& runtimeDir,
                      const std::string& startDir, const std::vector<std::string>& envEdits, int timeoutMs) {
    std::vector<std::string> full = {TEXTREEL_BINARY_PATH};
    full.insert(full.end(), args.begin(), args.end());
    std::string stderrPath = runtimeDir + "/stderr-binary";
    RunResult result;
    int64_t start = NowMs();
    int pid = Spawn(full, runtimeDir, stderrPath, startDir, envEdits);
    if (pid < 0) {
        throw std::runtime_error("cannot start textreel");
    }
    Reap(pid, start, timeoutMs, result);
    result.stderrText = ReadText(stderrPath);
    return result;
}

bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

uint32_t PngPixel(const std::vector<uint8_t>& rgb, int width, int x, int y) {
    const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16);
}

std::vector<uint32_t> Shot::Area(int x0, int y0, int x1, int y1) const {
    std::vector<uint32_t> out;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            out.push_back(At(x, y));
        }
    }
    return out;
}

Shot LoadShot(const std::string& path) {
    Shot shot;
    EXPECT_TRUE(ReadPng(path, shot.rgb, shot.width, shot.height)) << path;
    return shot;
}

}  // namespace textreel::testing
