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
        kPad,
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
    int value = 0;     // wheel steps, key code, pad button, sleep milliseconds, menu id
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

    // Reads the events file; relative screenshot paths are taken from baseDir (the folder textreel
    // was started in).
    // Commands before firstCommand are not run: an engine before this one ran them.
    bool Load(const std::string& path, const std::string& baseDir, std::string& error,
              size_t firstCommand = 0);
    // After Stop: the index of the first command not run (all of them: their count).
    size_t NextCommand() const { return next_; }
    // Starts running the commands (once the window exists).
    void Start();
    // The program is closing: every wait of the runner ends.
    void OnClose();
    // Waits for the runner to finish.
    void Stop();

    // Main thread, headless: a message box opens (called before the engine counts it as open, so
    // that a wait of the runner sees the box the moment it ends). A box that an earlier "answer"
    // covers, or that opens while the runner's input is being handled, or after the events file
    // has ended, has its answer at once; any other box waits for the runner.
    void BoxOpening();
    // Main thread, headless: the answer to the message box that has just opened. It is the answer
    // an "answer" command gave, ok when the events file moves on to other input or has ended, and
    // cancel when the program closes.
    MessageBoxAnswer AnswerMessageBox();
    // Main thread, headless: the box has closed and the engine no longer counts it as open.
    void BoxClosed();
    // Whether a box is open that waits for the events file (a wait then returns).
    bool BoxAwaitingAnswer();
    // Whether the runner thread has started and not yet come to the end of the file.
    bool Running();
    // Whether the main thread waits in AnswerMessageBox for an answer that has not come.
    bool MainAwaitingAnswer();
    // Main thread: the runner's input event has been handled (or dropped). A box that opens later
    // is no longer part of that input and waits for the runner.
    void InputHandled();

  private:
    void RunCommands();
    void Execute(const AutomationCommand& command);
    // Sends the event to the game; false when it answered a box that waited for the runner instead.
    // answerBox false: while a box waits, the input is dropped instead (it answers nothing).
    bool Input(const InputEvent& event, bool answerBox = true);
    void SleepMs(int ms);
    // Gives the box that waits for the runner its answer and waits until it has closed.
    void AnswerOpenBox(MessageBoxAnswer answer, std::unique_lock<std::mutex>& lock);
    bool WriteScreenshot(const std::string& path);

    Engine& engine_;
    std::vector<AutomationCommand> commands_;
    size_t next_ = 0;  // written by the runner only, read after it has ended
    std::string baseDir_;
    std::thread runner_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<MessageBoxAnswer> pendingAnswer_;  // given by "answer" for the next box
    std::optional<MessageBoxAnswer> boxAnswer_;      // the answer of the open box, once it has one
    bool boxOpen_ = false;
    uint64_t boxesClosed_ = 0;
    bool awaiting_ = false;       // the open box waits for the runner
    bool inputInFlight_ = false;  // the runner's input event waits to be handled, or is being handled
    bool started_ = false;
    bool finished_ = false;
    bool closing_ = false;
    bool mainWaiting_ = false;  // the main thread waits in AnswerMessageBox
};

}  // namespace textreel
