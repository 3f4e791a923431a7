// Runs the real textreel binary headless on a title with an events file and reads back its trace.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace textreel::testing {

// One trace line: its fields as text (numbers as written, strings unescaped).
struct TraceEvent {
    std::map<std::string, std::string> fields;
    const std::string& Get(const std::string& key) const;
    int64_t Ms() const;
    const std::string& Name() const { return Get("event"); }
};

std::vector<TraceEvent> ParseTrace(const std::string& text);

struct RunResult {
    int exitCode = -1;  // -1 when the process had to be killed
    bool timedOut = false;
    int64_t wallMs = 0;
    int64_t peakRssKb = 0;  // the process's peak resident memory (getrusage of the child)
    // What the process wrote to disk (getrusage's output blocks; 0 where the file system does not
    // count them, as on tmpfs).
    int64_t writtenBytes = 0;
    std::vector<TraceEvent> trace;
    std::string stderrText;

    std::vector<TraceEvent> Events(const std::string& name) const;
    // The "line" of every text event, in order.
    std::vector<std::string> TextLines() const;
};

// How a run's time passes: virtual (--fast, every wait ends at once, in order) for tests whose
// subject is not timing, real for the tests that watch time itself.
enum class Time { kVirtual, kReal };

class E2eRun {
  public:
    // titleDir is copied to a fresh temporary folder, so that runs never share saves or settings.
    explicit E2eRun(const std::string& titleDir, Time time = Time::kVirtual);
    ~E2eRun();

    // The temporary copy of the title, and a runtime folder for the single-instance lock.
    const std::string& Title() const { return title_; }
    const std::string& RuntimeDir() const { return runtime_; }
    // The user's data folder of the runs ($XDG_DATA_HOME); $XDG_CONFIG_HOME is "config" beside it.
    // Runs never touch the user's own.
    std::string DataDir() const { return work_ + "/data"; }
    std::string File(const std::string& name) const { return work_ + "/" + name; }

    // Runs `textreel --headless [--fast] --events <events> --trace <trace> <title>` (plus extra
    // arguments before the title) and waits at most timeoutMs. Unless the test asks to see the logo, the
    // events begin with a right click that cuts the start-up logo short.
    RunResult Run(const std::string& events, int timeoutMs = 20000,
                  const std::vector<std::string>& extra = {}, bool watchLogo = false);

    // Starts a run without waiting (the logo cut short as in Run); Finish waits for it.
    void Start(const std::string& events, const std::string& traceName = "trace.jsonl",
               const std::vector<std::string>& extra = {});
    RunResult Finish(int timeoutMs = 20000, const std::string& traceName = "trace.jsonl");
    // The process of the run Start began (-1 when none runs), to send it signals.
    int Pid() const { return pid_; }
    // The folder the binary starts in (default: the test's own); relative paths in the events
    // file are taken from it.
    void SetStartDir(const std::string& dir) { startDir_ = dir; }
    // Reads a trace file as it stands (the run may still be going).
    std::vector<TraceEvent> ReadTrace(const std::string& traceName = "trace.jsonl") const;

  private:
    std::vector<std::string> UserFolders() const;
    std::vector<std::string> Command(const std::string& eventsPath, const std::string& tracePath,
                                     const std::vector<std::string>& extra) const;

    Time time_;
    std::string work_;
    std::string title_;
    std::string runtime_;
    std::string startDir_;
    int pid_ = -1;
    int64_t startMs_ = 0;
    int runs_ = 0;
};

// Runs the binary with just these arguments (no title copy), for command-line checks.
RunResult RunBinary(const std::vector<std::string>& args, const std::string& runtimeDir,
                    int timeoutMs = 10000);
// The same, started in startDir (empty: the test's own folder) with the environment changed: each
// entry of envEdits sets ("NAME=VALUE") or removes ("NAME") a variable.
RunResult RunBinaryIn(const std::vector<std::string>& args, const std::string& runtimeDir,
                      const std::string& startDir, const std::vector<std::string>& envEdits,
                      int timeoutMs = 10000);

// Copies a folder tree, or one file.
void CopyTree(const std::string& from, const std::string& to);
void CopyFile(const std::string& from, const std::string& to);

// The pixel at (x, y) of a PNG screenshot as 0x00BBGGRR, and its size.
bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb, int& width, int& height);
uint32_t PngPixel(const std::vector<uint8_t>& rgb, int width, int x, int y);

// A screenshot read back.
struct Shot {
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    uint32_t At(int x, int y) const { return PngPixel(rgb, width, x, y); }
    // The rectangle's pixels as one list, to compare areas of two screenshots.
    std::vector<uint32_t> Area(int x0, int y0, int x1, int y1) const;
};
// Reads a screenshot; a missing or unreadable file fails the running test.
Shot LoadShot(const std::string& path);

}  // namespace textreel::testing
