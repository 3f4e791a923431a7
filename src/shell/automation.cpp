#include "shell/automation.h"

#include <png.h>

#include <cctype>
#include <cstdio>
#include <sstream>

#include "input/pad.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/system_menu.h"

namespace textreel {

namespace {

bool ParseInt(const std::string& word, int& value) {
    if (word.empty()) {
        return false;
    }
    size_t i = word[0] == '-' || word[0] == '+' ? 1 : 0;
    if (i == word.size()) {
        return false;
    }
    for (size_t j = i; j < word.size(); ++j) {
        if (!std::isdigit(static_cast<unsigned char>(word[j]))) {
            return false;
        }
    }
    try {
        value = std::stoi(word);
    } catch (...) {
        return false;
    }
    return true;
}

bool KeyCode(std::string name, int& key, bool& alt, bool& shift) {
    for (;;) {
        if (name.rfind("Alt+", 0) == 0) {
            alt = true;
            name = name.substr(4);
        } else if (name.rfind("Shift+", 0) == 0) {
            shift = true;
            name = name.substr(6);
        } else {
            break;
        }
    }
    static const struct {
        const char* name;
        int key;
    } kEditKeys[] = {{"Left", vk::kLeft},   {"Right", vk::kRight},    {"Up", vk::kUp},
                     {"Down", vk::kDown},   {"Home", vk::kHome},      {"End", vk::kEnd},
                     {"Tab", vk::kTab},     {"BackSpace", vk::kBack}, {"Delete", vk::kDelete},
                     {"F5", vk::kF5},       {"F8", vk::kF8},          {"F9", vk::kF9},
                     {"Shift", vk::kShift}, {"Ctrl", vk::kControl},   {"Alt", vk::kAlt}};
    for (const auto& k : kEditKeys) {
        if (name == k.name) {
            key = k.key;
            return true;
        }
    }
    if (name == "Escape") {
        key = vk::kEscape;
    } else if (name == "PageUp") {
        key = vk::kPageUp;
    } else if (name == "PageDown") {
        key = vk::kPageDown;
    } else if (name == "Return") {
        key = vk::kReturn;
    } else if (name == "Space") {
        key = vk::kSpace;
    } else if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        key = std::toupper(static_cast<unsigned char>(name[0]));
    } else {
        return false;
    }
    return true;
}

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) {
        return {};
    }
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

}  // namespace

bool ParseEvents(const std::string& text, std::vector<AutomationCommand>& out, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        AutomationCommand command;
        command.line = lineNumber;
        command.source = line;
        auto fail = [&](const std::string& why) {
            error = "events file line " + std::to_string(lineNumber) + ": " + why + ": " + line;
            return false;
        };
        if (verb == "text") {
            // The rest of the line, as typed; '#' has no special meaning here.
            command.kind = AutomationCommand::Kind::kText;
            size_t start = line.find_first_not_of(" \t", 4);
            command.text = start == std::string::npos ? std::string() : line.substr(start);
            out.push_back(command);
            continue;
        }
        // Elsewhere a '#' starts a comment that runs to the end of the line.
        std::string rest;
        std::getline(words, rest);
        rest = Trim(rest.substr(0, rest.find('#')));
        std::istringstream args(rest);
        std::vector<std::string> argv;
        for (std::string word; args >> word;) {
            argv.push_back(word);
        }
        auto wantArgs = [&](size_t n) { return argv.size() == n; };
        if (verb == "wait" || verb == "close") {
            if (!wantArgs(0)) {
                return fail("takes no arguments");
            }
            command.kind = verb == "wait" ? AutomationCommand::Kind::kWait : AutomationCommand::Kind::kClose;
        } else if (verb == "click" || verb == "rclick" || verb == "move") {
            if (!wantArgs(2) || !ParseInt(argv[0], command.x) || !ParseInt(argv[1], command.y)) {
                return fail("needs two numbers X Y");
            }
            command.kind = verb == "click"    ? AutomationCommand::Kind::kClick
                           : verb == "rclick" ? AutomationCommand::Kind::kRightClick
                                              : AutomationCommand::Kind::kMove;
        } else if (verb == "wheel") {
            if (!wantArgs(1) || !ParseInt(argv[0], command.value) || command.value == 0) {
                return fail("needs a number N other than 0");
            }
            command.kind = AutomationCommand::Kind::kWheel;
        } else if (verb == "key") {
            if (!wantArgs(1) || !KeyCode(argv[0], command.value, command.alt, command.shift)) {
                return fail(
                    "needs Escape, PageUp, PageDown, Return, Space, Left, Right, Up, Down, Home, End, Tab, "
                    "BackSpace, Delete, Shift, Ctrl, Alt, a letter or a digit, maybe after Alt+ or Shift+");
            }
            command.kind = AutomationCommand::Kind::kKey;
        } else if (verb == "pad") {
            PadButton button = PadButton::kA;
            if (!wantArgs(1) || !PadButtonByName(argv[0], button)) {
                return fail("needs a, b, x, y, lb, rb, start, back, up, down, left or right");
            }
            command.kind = AutomationCommand::Kind::kPad;
            command.value = static_cast<int>(button);
        } else if (verb == "sleep") {
            if (!wantArgs(1) || !ParseInt(argv[0], command.value) || command.value < 0) {
                return fail("needs milliseconds");
            }
            command.kind = AutomationCommand::Kind::kSleep;
        } else if (verb == "answer") {
            if (!wantArgs(1) || (argv[0] != "ok" && argv[0] != "cancel")) {
                return fail("needs ok or cancel");
            }
            command.kind = AutomationCommand::Kind::kAnswer;
            command.ok = argv[0] == "ok";
        } else if (verb == "menu") {
            if (!wantArgs(1) || !ParseInt(argv[0], command.value)) {
                return fail("needs a menu command id");
            }
            command.kind = AutomationCommand::Kind::kMenu;
        } else if (verb == "screenshot") {
            if (!wantArgs(1)) {
                return fail("needs a file name");
            }
            command.kind = AutomationCommand::Kind::kScreenshot;
            command.text = argv[0];
        } else {
            return fail("unknown command");
        }
        out.push_back(command);
    }
    return true;
}

Automation::Automation(Engine& engine) : engine_(engine) {}

Automation::~Automation() {
    OnClose();
    Stop();
}

bool Automation::Load(const std::string& path, const std::string& baseDir, std::string& error,
                      size_t firstCommand) {
    next_ = firstCommand;
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(path, bytes)) {
        error = "cannot read the events file " + path;
        return false;
    }
    baseDir_ = baseDir.empty() ? files::CurrentDirectory() : baseDir;
    return ParseEvents(std::string(bytes.begin(), bytes.end()), commands_, error);
}

void Automation::Start() {
    {
        std::lock_guard lock(mutex_);
        started_ = true;
    }
    runner_ = std::thread([this] { RunCommands(); });
}

void Automation::OnClose() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
}

void Automation::Stop() {
    if (runner_.joinable()) {
        runner_.join();
    }
}

void Automation::BoxOpening() {
    std::lock_guard lock(mutex_);
    boxOpen_ = true;
    boxAnswer_.reset();
    awaiting_ = false;
    if (closing_) {
        boxAnswer_ = MessageBoxAnswer::kCancel;
    } else if (pendingAnswer_) {
        boxAnswer_ = *pendingAnswer_;
        pendingAnswer_.reset();
    } else if (finished_ || inputInFlight_) {
        // The runner has moved on (or waits for the input that opened this box): as a player who
        // presses Enter.
        boxAnswer_ = MessageBoxAnswer::kOk;
    } else {
        awaiting_ = true;
    }
}

MessageBoxAnswer Automation::AnswerMessageBox() {
    std::unique_lock lock(mutex_);
    mainWaiting_ = true;
    engine_.clock.Poke();
    changed_.wait(lock, [this] { return boxAnswer_ || finished_ || closing_; });
    mainWaiting_ = false;
    MessageBoxAnswer answer =
        boxAnswer_.value_or(closing_ ? MessageBoxAnswer::kCancel : MessageBoxAnswer::kOk);
    boxAnswer_.reset();
    awaiting_ = false;
    return answer;
}

void Automation::BoxClosed() {
    {
        std::lock_guard lock(mutex_);
        boxOpen_ = false;
        awaiting_ = false;
        ++boxesClosed_;
    }
    changed_.notify_all();
}

bool Automation::BoxAwaitingAnswer() {
    std::lock_guard lock(mutex_);
    return awaiting_;
}

bool Automation::Running() {
    std::lock_guard lock(mutex_);
    return started_ && !finished_;
}

bool Automation::MainAwaitingAnswer() {
    std::lock_guard lock(mutex_);
    return mainWaiting_ && !boxAnswer_ && !finished_ && !closing_;
}

void Automation::InputHandled() {
    std::lock_guard lock(mutex_);
    inputInFlight_ = false;
}

void Automation::AnswerOpenBox(MessageBoxAnswer answer, std::unique_lock<std::mutex>& lock) {
    boxAnswer_ = answer;
    awaiting_ = false;
    changed_.notify_all();
    // The count, not boxOpen_: the story may open its next box before this thread wakes.
    const uint64_t closed = boxesClosed_;
    changed_.wait(lock, [&] { return boxesClosed_ != closed || closing_; });
}

void Automation::RunCommands() {
    for (; next_ < commands_.size(); ++next_) {
        {
            std::lock_guard lock(mutex_);
            if (closing_) {
                break;
            }
        }
        Execute(commands_[next_]);
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
    engine_.clock.Poke();
}

bool Automation::Input(const InputEvent& event, bool answerBox) {
    {
        std::unique_lock lock(mutex_);
        if (awaiting_ && !answerBox) {
            return false;
        }
        if (awaiting_) {
            // While a modal box waits for the events file the game does not see the input: it
            // answers the box with ok, as a player pressing Enter.
            AnswerOpenBox(MessageBoxAnswer::kOk, lock);
            return false;
        }
        // A box that opens while this input waits to be handled, or while it is handled, is
        // answered at once, so that the main thread never waits for a runner that waits for it.
        // The main thread ends this when it has handled the input: a box that the story opens
        // afterwards always waits for the runner, however the threads happen to be scheduled.
        inputInFlight_ = true;
    }
    engine_.SendInput(event);
    std::lock_guard lock(mutex_);
    inputInFlight_ = false;
    return true;
}

void Automation::SleepMs(int ms) {
    if (engine_.clock.Virtual()) {
        // Virtual time moves on by ms; closing the program ends the sleep.
        engine_.SleepFor(ms);
        return;
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return closing_; });
}

void Automation::Execute(const AutomationCommand& command) {
    using Kind = AutomationCommand::Kind;
    // Every scripted input is traced, so that an author can see what the game answered to what.
    std::string source = command.source.substr(0, command.source.find('#'));
    if (command.kind == Kind::kText) {
        source = command.source;
    }
    while (!source.empty() && (source.back() == ' ' || source.back() == '\t')) {
        source.pop_back();
    }
    engine_.trace.Event("input", {{"command", source}});
    InputEvent event;
    event.x = command.x;
    event.y = command.y;
    switch (command.kind) {
        case Kind::kWait:
            engine_.WaitUntilIdle();
            break;
        case Kind::kClick:
        case Kind::kRightClick:
            event.kind = InputEvent::Kind::kButtonUp;
            event.button = command.kind == Kind::kClick ? InputEvent::kLeftButton : InputEvent::kRightButton;
            Input(event);
            break;
        case Kind::kMove:
            event.kind = InputEvent::Kind::kMouseMove;
            Input(event);
            break;
        case Kind::kWheel:
            event.kind = InputEvent::Kind::kWheel;
            event.wheel = command.value;
            Input(event);
            break;
        case Kind::kKey: {
            // As on a keyboard: the held keys of a chord go down first and up last; the key itself
            // is a press, which only dialogs act on, then the release the game acts on. A press
            // that answered a box has no release for the game.
            std::vector<int> held;
            if (command.alt) {
                held.push_back(vk::kAlt);
            }
            if (command.shift) {
                held.push_back(vk::kShift);
            }
            bool answered = false;
            for (size_t i = 0; i < held.size() && !answered; ++i) {
                event.kind = InputEvent::Kind::kKeyDown;
                event.key = held[i];
                event.alt = command.alt && i > 0;
                answered = !Input(event);
            }
            event.alt = command.alt;
            event.shift = command.shift;
            event.key = command.value;
            event.kind = InputEvent::Kind::kKeyDown;
            if (answered || !Input(event)) {
                break;
            }
            event.kind = InputEvent::Kind::kKeyUp;
            Input(event);
            for (auto it = held.rbegin(); it != held.rend(); ++it) {
                event.kind = InputEvent::Kind::kKeyUp;
                event.key = *it;
                event.alt = command.alt && *it != vk::kAlt;
                event.shift = false;
                Input(event, false);
            }
            break;
        }
        case Kind::kPad:
            event.kind = InputEvent::Kind::kPadButton;
            event.pad = static_cast<PadButton>(command.value);
            Input(event);
            break;
        case Kind::kSleep:
            SleepMs(command.value);
            break;
        case Kind::kAnswer: {
            // Answers the open box, or the next one to open.
            std::unique_lock lock(mutex_);
            MessageBoxAnswer answer = command.ok ? MessageBoxAnswer::kOk : MessageBoxAnswer::kCancel;
            if (awaiting_) {
                AnswerOpenBox(answer, lock);
            } else {
                pendingAnswer_ = answer;
            }
            break;
        }
        case Kind::kMenu: {
            {
                // The popup cannot be open under a message box; the box is left for its answer.
                std::lock_guard lock(mutex_);
                if (boxOpen_) {
                    ErrorPrintf("textreel: events line %d: menu %d: a message box is open\n", command.line,
                                command.value);
                    engine_.trace.Event("menu", {{"action", std::string("refused")},
                                                 {"id", int64_t{command.value}},
                                                 {"reason", std::string("a message box is open")}});
                    break;
                }
            }
            bool chosen = false;
            std::string why = "the program is closing";
            engine_.Send([&] { chosen = ChooseMenuCommand(engine_, command.value, why); });
            if (!chosen) {
                ErrorPrintf("textreel: events line %d: menu %d: %s\n", command.line, command.value,
                            why.c_str());
            }
            break;
        }
        case Kind::kText:
            event.kind = InputEvent::Kind::kScriptedText;
            event.text = command.text;
            Input(event);
            break;
        case Kind::kScreenshot:
            if (!WriteScreenshot(command.text)) {
                ErrorPrintf("textreel: events line %d: cannot write %s\n", command.line,
                            command.text.c_str());
            }
            break;
        case Kind::kClose: {
            {
                // The close box answers an open message box with cancel first.
                std::unique_lock lock(mutex_);
                if (awaiting_) {
                    AnswerOpenBox(MessageBoxAnswer::kCancel, lock);
                }
            }
            InputEvent close;
            close.kind = InputEvent::Kind::kCloseRequest;
            engine_.SendInput(close);
            break;
        }
    }
}

bool Automation::WriteScreenshot(const std::string& name) {
    std::string path = !name.empty() && name[0] == '/' ? name : baseDir_ + "/" + name;
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    engine_.platform.ReadWindow(rgb, width, height);
    if (width <= 0 || height <= 0) {
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), width * 3, nullptr) == 0) {
        return false;
    }
    std::vector<uint8_t> encoded(size);
    if (png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb.data(), width * 3, nullptr) == 0) {
        return false;
    }
    return files::WriteAtomically(path, encoded.data(), size);
}

}  // namespace textreel
