// Scripted player input for authors and tests: the events file (--events), one command a line,
// run in order on a thread of its own while the engine plays.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace textreel {

class Engine;

struct AutomationCommand {
    enum class Kind {
        kWait,
        kClick,
        kRightClick,
        kMove,
        kWheel,
        kKey,
        kSleep,
        kAnswer,
        kMenu,
        kText,
        kScreenshot,
        kClose
    };
    Kind kind = Kind::kWait;
    int x = 0;
    int y = 0;
    int value = 0;     // wheel steps, key code, sleep milliseconds, menu id
    bool alt = false;  // key: Alt+ or Shift+ before the key's name
    bool shift = false;
    bool ok = true;      // answer
    std::string text;    // text to type, screenshot file
    int line = 0;        // line number in the events file
    std::string source;  // the command as written, for the trace
};

// Parses an events file's text. Returns false with a message naming the line on the first bad one.
bool ParseEvents(const std::string& text, std::vector<AutomationCommand>& out, std::string& error);

class Automation {
  public:
    explicit Automation(Engine& engine);
    ~Automation();
    Automation(const Automation&) = delete;
    Automation& operator=(const Automation&) = delete;

    // Reads the events file; relative screenshot paths are taken from the current directory.
    bool Load(const std::string& path, std::string& error);
    // Starts running the commands (once the window exists).
    void Start();
    // The program is closing: every wait of the runner ends.
    void OnClose();
    // Waits for the runner to finish.
    void Stop();

    // Main thread, headless: a message box opens (called before the engine counts it as open, so
    // that the runner sees the box the moment its wait ends).
    void BoxOpening();
    // Main thread, headless: the answer to the message box that has just opened. It is the answer
    // an "answer" command gave, ok when the events file moves on to other input or has ended, and
    // cancel when the program closes.
    MessageBoxAnswer AnswerMessageBox();
    // Main thread, headless: the box has closed and the engine no longer counts it as open.
    void BoxClosed();
    // Whether the open box has its answer already (an earlier `answer` covers it): `wait` then
    // goes on waiting for what follows the box.
    bool BoxCovered();

  private:
    void RunCommands();
    void Execute(const AutomationCommand& command);
    void Input(const InputEvent& event);
    void SleepMs(int ms);
    // Gives the open box its answer and waits until it has closed.
    void AnswerOpenBox(MessageBoxAnswer answer, std::unique_lock<std::mutex>& lock);
    bool WriteScreenshot(const std::string& path);

    Engine& engine_;
    std::vector<AutomationCommand> commands_;
    std::string baseDir_;
    std::thread runner_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<MessageBoxAnswer> pendingAnswer_;
    bool boxOpen_ = false;
    bool boxAnswered_ = false;  // the open box has taken its answer and is closing
    bool movingOn_ = false;     // the runner is about to give other input
    bool finished_ = false;
    bool closing_ = false;
};

}  // namespace textreel
