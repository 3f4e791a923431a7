#include "explore/explorer.h"

#include "explore/state_key.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "script/flag_block.h"
#include "script/save_file.h"
#include "shell/engine.h"
#include "shell/env_settings.h"
#include "shell/messages.h"
#include "shell/popup_menu.h"

namespace textreel::explore {

namespace {

// The window side's states the explorer tells apart (the engine's UiState values).
constexpr int32_t kUiReading = 0;
constexpr int32_t kUiChoice = 1;
constexpr int32_t kUiBacklog = 100;
// A loop: this many lines read without a wait for the player.
constexpr uint64_t kLoopLines = 100000;
// The scratch slot of the save and load round trips.
constexpr int kScratchSlot = 1;
// The name typed into the name-entry dialog.
constexpr const char* kPlayerName = "テスト";
// Attempts at one wait that leave the game where it was before the explorer gives the route up.
constexpr int kStuckAttempts = 12;
// The events of one route segment kept for the round-trip comparison.
constexpr size_t kSegmentEvents = 4000;
// The bytes of screens kept whole for the round-trip checks still to be made.
constexpr size_t kScreenBudget = 48u << 20;
// How far back from where the story stands a posted request's line is looked for.
constexpr uint32_t kLinesReadOn = 200;
// A wait met this many times in one stretch between menus with the same flags and points is a
// story that goes round for ever however the player clicks. A loop that draws random numbers may
// meet a state again by chance, but not this often.
constexpr int kSameWaitRepeats = 100;

using SteadyTime = std::chrono::steady_clock::time_point;

// The events compared between a choice made straight away and the same choice after a save and a
// load: what the story shows and asks, in the script thread's order. Sound and movie events are left
// out, since the load starts the music again and their timing follows the sound device.
bool SegmentEvent(std::string_view name) {
    return name == "text" || name == "jump" || name == "choices" || name == "message" || name == "dialog";
}

// One JSON string field of a trace line, unescaped (only the escapes the trace writes).
std::string StringField(const std::string& line, const std::string& name) {
    std::string key = "\"" + name + "\":\"";
    size_t at = line.find(key);
    if (at == std::string::npos) {
        return {};
    }
    std::string out;
    for (size_t i = at + key.size(); i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
            out.push_back(line[i] == 'n' ? '\n' : line[i] == 't' ? '\t' : line[i] == 'r' ? '\r' : line[i]);
        } else {
            out.push_back(line[i]);
        }
    }
    return out;
}

// One JSON number field of a trace line, as its digits (empty when there is none).
std::string NumberField(const std::string& line, const std::string& name) {
    std::string key = "\"" + name + "\":";
    size_t at = line.find(key);
    if (at == std::string::npos) {
        return {};
    }
    std::string out;
    for (size_t i = at + key.size(); i < line.size() && line[i] >= '0' && line[i] <= '9' && out.size() < 10;
         ++i) {
        out.push_back(line[i]);
    }
    return out;
}

// Whether a box's caption tells an author anything: not blank, not the title's own window name
// (which every box of the game carries) and not the engine's bare picture caption.
bool CaptionSaysSomething(const std::string& caption, const std::string& windowName) {
    std::string rest = caption;
    for (const std::string blank : {" ", "\t", "\u3000"}) {
        for (size_t at = rest.find(blank); at != std::string::npos; at = rest.find(blank)) {
            rest.erase(at, blank.size());
        }
    }
    return !rest.empty() && caption != windowName && caption != msg::kPictureCaption;
}

std::string ScratchFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / ("textreel-explore-" + std::to_string(stamp) + "-" + std::to_string(attempt));
        if (fs::create_directory(p, ec) && !ec) {
            return p.string();
        }
    }
    return {};
}

// A game the explorer runs: the engine on a thread of its own, which is its main thread.
class Session {
  public:
    using Observer = std::function<void(Engine&, std::string_view, const std::string&)>;

    Session(const std::string& saveDir, int64_t seed, Observer observer)
        : platform_(MakeHeadlessPlatform(true)) {
        // A right click cuts the start-up logo short, as a player may; without a logo it would open
        // the system menu, so it is only sent when there is one.
        if (files::Resolve("cg\\menu\\logo.bmp")) {
            InputEvent click;
            click.kind = InputEvent::Kind::kButtonUp;
            click.button = InputEvent::kRightButton;
            platform_->PostEvent(click);
        }
        thread_ = std::thread([this, saveDir, seed, observer = std::move(observer)]() mutable {
            EngineOptions options;
            options.saveDir = saveDir;
            // Without a seed of its own an exploration draws from seed 0, so that it repeats.
            options.seed = static_cast<uint32_t>(seed < 0 ? 0 : seed);
            options.driven = true;
            options.startDir = files::CurrentDirectory();
            Engine engine(*platform_, options);
            engine.trace.Observe(
                [&engine, observer = std::move(observer)](std::string_view name, const std::string& line) {
                    observer(engine, name, line);
                });
            {
                std::lock_guard lock(mutex_);
                engine_ = &engine;
            }
            changed_.notify_all();
            engine.Run();
            std::unique_lock lock(mutex_);
            marks_ = engine.scenario.CopyMarks();
            readPos_ = engine.scenario.ReadPos;
            for (int n = 0; n < PersistentFlags::kRecordFlagCount; ++n) {
                if (engine.persistentFlags.Get(PersistentFlags::kRecordBase + n) != 0) {
                    recordFlags_.push_back(n);
                }
            }
            ran_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_; });
            engine_ = nullptr;
        });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return engine_ != nullptr; });
        // The explorer's thread takes part in the game's virtual time, as the events file's runner
        // does: time moves on only while it waits for the game.
        platform_->GetClock().AddActors(1);
    }
    ~Session() { Finish(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Engine& E() { return *engine_; }
    Platform& P() { return *platform_; }
    bool Over() { return engine_->Quitting() || engine_->ScriptFinished(); }

    // Closes the game if it still runs and waits until it has ended.
    void Finish() {
        if (!thread_.joinable()) {
            return;
        }
        platform_->GetClock().AddActors(-1);
        std::unique_lock lock(mutex_);
        if (!ran_) {
            engine_->CloseFromSignal();
        }
        changed_.wait(lock, [this] { return ran_; });
        released_ = true;
        changed_.notify_all();
        lock.unlock();
        thread_.join();
    }
    // After Finish: the read marks, the reading position and the record flags the game ended with.
    const std::vector<uint8_t>& Marks() const { return marks_; }
    uint32_t ReadPos() const { return readPos_; }
    const std::vector<int>& RecordFlags() const { return recordFlags_; }

  private:
    std::unique_ptr<Platform> platform_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Engine* engine_ = nullptr;
    bool ran_ = false;
    bool released_ = false;
    std::vector<uint8_t> marks_;
    uint32_t readPos_ = 0;
    std::vector<int> recordFlags_;
};

// What is on screen and what the game waits for, read on the main thread while it is idle.
struct Snapshot {
    int32_t ui = kUiReading;
    bool popup = false;
    int overlays = 0;
    bool movie = false;
    uint32_t readPos = 0;
    uint64_t linesRun = 0;  // lines the story has read: a wait met again after them is not stuck
    int width = 640;
    int height = 480;
    std::vector<MenuEntry> entries;
    std::string state;  // event flags and point counters
};

// The screen at a menu, kept for the round-trip check: its digest always, its pixels while the
// screens kept for pending checks stay within kScreenBudget (a long chain of menus would otherwise
// hold one full screen per menu).
struct KeptScreen {
    uint64_t digest = 0;
    std::vector<uint8_t> pixels;  // empty past the budget
};

uint64_t Digest(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        h = (h ^ b) * 1099511628211ull;
    }
    return h ^ bytes.size();
}

struct WorkItem {
    // The game saved at the menu, shared by every entry taken from it.
    std::shared_ptr<const std::vector<uint8_t>> save;
    uint32_t menuLine = 0;
    std::string label;    // Shift-JIS
    size_t index = 0;     // the entry's place in the menu as met
    uint32_t target = 0;  // the line after the entry's label (1: not found)
    // A round-trip check: the screen before the save and the events after choosing the entry
    // without the round trip.
    bool verify = false;
    KeptScreen screen;
    std::vector<std::string> expected;
};

enum class Stop { kMenu, kEnded, kLoop, kStuck, kTimeUp, kLoadScreen };

class Explorer {
  public:
    Explorer(const ExploreOptions& options, RouteBook& book, std::string saveDir)
        : options_(options),
          book_(book),
          saveDir_(std::move(saveDir)),
          keying_(book.Lines(), options.exhaustive) {
        start_ = std::chrono::steady_clock::now();
    }

    std::vector<RouteEdge> Run();

  private:
    void Observe(Engine& e, std::string_view name, const std::string& line);
    uint32_t LineAt(uint32_t pos) { return book_.Lines().LineOf(pos); }
    uint32_t LineNaming(uint32_t line, const std::string& path) const;
    bool Stopped() const { return options_.stop != nullptr && options_.stop->load(); }
    bool TimeUp() const {
        return Stopped() || (options_.maxSeconds > 0 && std::chrono::steady_clock::now() - start_ >=
                                                            std::chrono::seconds(options_.maxSeconds));
    }
    const char* CutReason() const {
        return Stopped() ? "route cut by a termination signal" : "route cut by --max-seconds";
    }
    Session& Game();
    void EndSession();
    Snapshot Look();
    Stop PlayUntilStop();
    void PlayRoute(uint32_t fromMenu, std::string fromLabel, const WorkItem* verify);
    bool StartItem(const WorkItem& item);
    void Click(int x, int y, int button = InputEvent::kLeftButton);
    void Key(int key);
    void Send(const InputEvent& event);
    std::vector<uint8_t> Screen();
    void RestPointer(const Snapshot& s);
    bool SaveScratch(std::vector<uint8_t>& out);
    uint32_t LabelLine(const std::string& label);
    bool ExitEntry(const std::string& label);
    size_t NextItem() const;
    void StartSegment();
    std::vector<std::string> TakeSegment();
    void AddEdge(uint32_t from, const std::string& label, uint32_t to, RouteEnd end, uint32_t endLine);

    const ExploreOptions& options_;
    RouteBook& book_;
    std::string saveDir_;
    StateKeying keying_;
    SteadyTime start_;
    std::unique_ptr<Session> game_;
    std::vector<WorkItem> work_;
    size_t screenBytes_ = 0;  // the pixels the pending round-trip checks keep
    std::map<std::string, uint32_t> labelLines_;
    std::set<RouteEdge> edges_;

    // Filled by the observer on the engine's threads.
    std::mutex mutex_;
    std::atomic<bool> recording_{false};
    std::vector<std::string> segment_;
    std::set<std::string> soundsFailed_;
    std::set<std::string> picturesFailed_;
    bool pictureNamed_ = false;  // a picture failed and its box is still to come
    bool sawExit_ = false;
    bool sawFault_ = false;
    uint32_t faultLine_ = 0;  // where the last box was shown
    uint32_t lastJumpLine_ = 0;
    uint32_t lastScriptPos_ = 0;
    // The last reading wait's line, and whether the last wait was one (not a menu).
    uint32_t lastTextWait_ = 0;
    bool lastWaitWasText_ = false;
    // Where the last game ended, and its record flags.
    uint32_t lastEndedPos_ = UINT32_MAX;
    std::vector<int> lastEndedFlags_;
};

// The line at or shortly before `line` that names `path`: a request the story posts to the window
// side may be carried out after the story has read on.
uint32_t Explorer::LineNaming(uint32_t line, const std::string& path) const {
    const ScenarioLines& lines = book_.Lines();
    for (uint32_t n = line; n >= 1 && n + kLinesReadOn > line; --n) {
        if (lines.CanRun(n) && lines.Text(n).find(path) != std::string::npos) {
            return n;
        }
    }
    return line;
}

void Explorer::Observe(Engine& e, std::string_view name, const std::string& line) {
    if (name != "jump" && name != "message" && name != "refused" && name != "sound-failed" &&
        name != "picture-failed" && name != "text-over-text" && !(recording_ && SegmentEvent(name))) {
        return;
    }
    // The reading position is read on the script thread, or on the main thread while the script
    // thread waits for it (a box it asked for, a load, a menu); a path the main thread refuses
    // while the story runs on is told at the line the story last stood on.
    uint32_t pos = UINT32_MAX;
    if (name == "message" || name == "sound-failed" || name == "picture-failed" || !e.OnMainThread() ||
        e.ScriptWaiting()) {
        pos = e.scenario.ReadPos;
    }
    std::lock_guard lock(mutex_);
    if (pos == UINT32_MAX) {
        pos = lastScriptPos_;
    } else {
        lastScriptPos_ = pos;
    }
    if (recording_ && segment_.size() < kSegmentEvents && SegmentEvent(name)) {
        segment_.push_back(line);
    }
    if (name == "jump") {
        lastJumpLine_ = LineAt(pos);
    } else if (name == "message") {
        std::string text = StringField(line, "text");
        // The boxes are told in the language the title chose.
        if (text == e.Text(msg::kConfirmExit)) {
            sawExit_ = true;
            return;
        }
        if (text == e.Text(msg::kConfirmTitle) || text == e.Text(msg::kConfirmOverwrite)) {
            return;
        }
        sawFault_ = true;
        faultLine_ = LineAt(pos);
        // The picture's own finding, with its file and line, was made when it failed.
        if (pictureNamed_ && text == msg::kPictureLoadFailed) {
            pictureNamed_ = false;
            return;
        }
        std::string caption = StringField(line, "caption");
        std::string told = CaptionSaysSomething(caption, e.Title(e.instance.windowName).ToUtf8())
                               ? "message box [" + caption + "] \"" + text + "\""
                               : "message box \"" + text + "\"";
        book_.AddFault(LineAt(pos), told);
    } else if (name == "picture-failed") {
        // Told where the story names it; a load that draws the same picture again fails again and
        // is not told twice.
        std::string path = StringField(line, "path");
        uint32_t at = LineNaming(LineAt(pos), Utf8ToCp932(path));
        bool named = at != LineAt(pos) || book_.Lines().Text(at).find(Utf8ToCp932(path)) != std::string::npos;
        if (picturesFailed_.insert(path).second || named) {
            book_.AddFault(at,
                           "picture " + path + " cannot be loaded (missing, or not a PNG the engine reads)");
        }
        pictureNamed_ = true;
    } else if (name == "text-over-text") {
        std::string under = NumberField(line, "under");
        uint32_t underLine = under.empty() ? 0 : LineAt(static_cast<uint32_t>(std::stoul(under)));
        book_.AddFault(LineAt(pos), "the text lands on the text of line " + std::to_string(underLine) +
                                        ", still in the message window: nothing cleared the window "
                                        "between them (\"$P\" clears it, \"$C\" does not)");
    } else if (name == "sound-failed") {
        // Told once, where the story first names it: a load that starts the same music again
        // fails again.
        std::string path = StringField(line, "path");
        if (soundsFailed_.insert(path).second) {
            book_.AddFault(LineNaming(LineAt(pos), Utf8ToCp932(path)),
                           "sound " + path + " cannot be played (missing, or not Ogg Vorbis or WAV)");
        }
    } else if (name == "refused") {
        book_.AddFault(LineAt(pos),
                       "refused path " + StringField(line, "path") + ": " + StringField(line, "reason"));
    }
}

Session& Explorer::Game() {
    if (!game_) {
        {
            std::lock_guard lock(mutex_);
            sawExit_ = false;
            sawFault_ = false;
        }
        game_ = std::make_unique<Session>(
            saveDir_, options_.seed,
            [this](Engine& e, std::string_view name, const std::string& line) { Observe(e, name, line); });
    }
    return *game_;
}

void Explorer::EndSession() {
    if (!game_) {
        return;
    }
    game_->Finish();
    book_.AddReadMarks(game_->Marks());
    lastEndedPos_ = game_->ReadPos();
    lastEndedFlags_ = game_->RecordFlags();
    game_.reset();
}

void Explorer::Send(const InputEvent& event) {
    Game().E().SendInput(event);
}

void Explorer::Click(int x, int y, int button) {
    InputEvent event;
    event.kind = InputEvent::Kind::kButtonUp;
    event.button = button;
    event.x = x;
    event.y = y;
    Send(event);
}

void Explorer::Key(int key) {
    InputEvent event;
    event.kind = InputEvent::Kind::kKeyDown;
    event.key = key;
    Send(event);
    event.kind = InputEvent::Kind::kKeyUp;
    Send(event);
}

// Moves the pointer off every entry of the menu on screen, so that no entry is lit by it when the
// screen is compared: where the pointer rests is not part of a saved game.
void Explorer::RestPointer(const Snapshot& s) {
    const int corners[4][2] = {{0, 0}, {s.width - 1, 0}, {0, s.height - 1}, {s.width - 1, s.height - 1}};
    for (const auto& c : corners) {
        bool inside = false;
        for (const MenuEntry& m : s.entries) {
            inside = inside || (c[0] >= m.left && c[0] <= m.right && c[1] >= m.top && c[1] <= m.bottom);
        }
        if (!inside) {
            InputEvent move;
            move.kind = InputEvent::Kind::kMouseMove;
            move.x = c[0];
            move.y = c[1];
            Send(move);
            Game().E().WaitUntilIdleFor(60000);
            return;
        }
    }
}

std::vector<uint8_t> Explorer::Screen() {
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    Game().P().ReadWindow(rgb, w, h);
    return rgb;
}

Snapshot Explorer::Look() {
    Snapshot s;
    Engine& e = Game().E();
    e.Send([&] {
        s.ui = e.UiState;
        s.popup = e.popupMenu != nullptr;
        s.overlays = e.overlays.Count();
        s.movie = e.MoviePlaying != 0;
        s.readPos = e.scenario.ReadPos;
        s.linesRun = e.LinesRun;
        s.width = e.instance.windowWidth;
        s.height = e.instance.windowHeight;
        s.entries = e.menu.Entries();
        s.state.assign(reinterpret_cast<const char*>(e.flags.bytes.data() + FlagBlock::kCells),
                       FlagBlock::kStatusWindow - FlagBlock::kCells);
    });
    return s;
}

void Explorer::StartSegment() {
    std::lock_guard lock(mutex_);
    segment_.clear();
    recording_ = true;
}

std::vector<std::string> Explorer::TakeSegment() {
    std::lock_guard lock(mutex_);
    recording_ = false;
    return std::move(segment_);
}

void Explorer::AddEdge(uint32_t from, const std::string& label, uint32_t to, RouteEnd end, uint32_t endLine) {
    edges_.insert({from, Cp932ToUtf8(label), to, end, endLine});
}

// Waits for the game, clicking through text waits, dialogs and movies, until it offers a choice
// menu or the route ends.
Stop Explorer::PlayUntilStop() {
    uint32_t lastPos = UINT32_MAX;
    int32_t lastUi = -1;
    uint64_t lastLines = UINT64_MAX;
    int same = 0;
    std::unordered_map<std::string, int> waitsMet;
    for (;;) {
        Engine& e = Game().E();
        while (!e.WaitUntilIdleFor(50)) {
            if (e.LinesRun - e.LinesAtWait > kLoopLines) {
                uint32_t line;
                {
                    std::lock_guard lock(mutex_);
                    line = lastJumpLine_;
                }
                book_.AddFault(
                    line, std::to_string(kLoopLines) + " lines run without waiting for the player (a loop)");
                return Stop::kLoop;
            }
            if (TimeUp()) {
                return Stop::kTimeUp;
            }
        }
        if (Game().Over()) {
            return Stop::kEnded;
        }
        if (TimeUp()) {
            return Stop::kTimeUp;
        }
        Snapshot s = Look();
        if (Game().Over()) {
            return Stop::kEnded;
        }
        if (s.ui == kUiChoice && s.overlays == 0) {
            return Stop::kMenu;
        }
        same = s.readPos == lastPos && s.ui == lastUi && s.linesRun == lastLines ? same + 1 : 0;
        lastPos = s.readPos;
        lastUi = s.ui;
        lastLines = s.linesRun;
        if (same >= kStuckAttempts) {
            book_.AddFault(LineAt(s.readPos), "the game does not go on from here");
            return Stop::kStuck;
        }
        if (s.popup) {
            Key(vk::kEscape);
        } else if (s.overlays > 0) {
            // The name entry takes the fixed name; other dialogs are left with OK (Return).
            if (same % 2 == 0) {
                InputEvent text;
                text.kind = InputEvent::Kind::kScriptedText;
                text.text = kPlayerName;
                Send(text);
            } else {
                InputEvent down;
                down.kind = InputEvent::Kind::kKeyDown;
                down.key = vk::kReturn;
                Send(down);
            }
        } else if (s.movie) {
            Click(s.width / 2, s.height / 2, InputEvent::kRightButton);
        } else if (s.ui == kUiBacklog) {
            Click(s.width / 2, s.height / 2, InputEvent::kRightButton);
        } else if (s.ui != kUiReading && s.ui != kUiChoice) {
            return Stop::kLoadScreen;
        } else {
            if (same == 0) {
                std::string key = std::to_string(s.readPos) + ':' + s.state;
                if (++waitsMet[key] >= kSameWaitRepeats) {
                    book_.AddFault(LineAt(s.readPos),
                                   "the story comes back to this wait " + std::to_string(kSameWaitRepeats) +
                                       " times with the same flags and points: it never ends (a loop)");
                    return Stop::kLoop;
                }
            }
            {
                std::lock_guard lock(mutex_);
                lastTextWait_ = LineAt(s.readPos);
                lastWaitWasText_ = true;
            }
            Click(s.width / 2, s.height / 3);
        }
    }
}

bool Explorer::SaveScratch(std::vector<uint8_t>& out) {
    std::string path = saveDir_ + "/" + SaveFileName(kScratchSlot);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    bool ok = false;
    Engine& e = Game().E();
    e.Send([&] { ok = SaveGame(e, kScratchSlot); });
    return ok && files::ReadAll(path, out, 1 << 20);
}

// The line of the label (0 when there is none), looked up once per label.
uint32_t Explorer::LabelLine(const std::string& label) {
    auto known = labelLines_.find(label);
    if (known == labelLines_.end()) {
        known = labelLines_.emplace(label, book_.Lines().LabelLine(label)).first;
    }
    return known->second;
}

// Whether the entry leads straight to exit_game (it is taken after the others).
bool Explorer::ExitEntry(const std::string& label) {
    const ScenarioLines& lines = book_.Lines();
    uint32_t at = LabelLine(label);
    for (uint32_t n = at + 1; at != 0 && n <= lines.LineCount(); ++n) {
        if (lines.CanRun(n)) {
            return lines.Text(n).find("exit_game") != std::string::npos;
        }
    }
    return false;
}

bool Explorer::StartItem(const WorkItem& item) {
    std::string path = saveDir_ + "/" + SaveFileName(kScratchSlot);
    if (!files::WriteAtomically(path, item.save->data(), item.save->size())) {
        book_.AddFault(item.menuLine, "the explorer cannot write its scratch save in " + saveDir_);
        return false;
    }
    Engine& e = Game().E();
    if (!e.WaitUntilIdleFor(60000) || Game().Over()) {
        return false;
    }
    bool loaded = false;
    e.Send([&] { loaded = LoadGame(e, kScratchSlot); });
    if (!loaded) {
        book_.AddFault(item.menuLine, "a game saved at this menu cannot be loaded");
        return false;
    }
    Stop stop = PlayUntilStop();
    if (stop != Stop::kMenu) {
        book_.AddFault(item.menuLine, "a game saved at this menu loads and does not come back to it");
        return false;
    }
    Snapshot s = Look();
    if (book_.Lines().MenuLineAtOrBefore(LineAt(s.readPos)) != item.menuLine) {
        book_.AddFault(item.menuLine,
                       "a game saved at this menu loads at another menu (line " +
                           std::to_string(book_.Lines().MenuLineAtOrBefore(LineAt(s.readPos))) + ")");
        return false;
    }
    if (item.verify) {
        RestPointer(s);
        std::vector<uint8_t> now = Screen();
        const std::vector<uint8_t>& before = item.screen.pixels;
        if (Digest(now) != item.screen.digest || (!before.empty() && now != before)) {
            size_t differ = 0;
            size_t first = SIZE_MAX;
            for (size_t i = 0; i + 2 < std::min(now.size(), before.size()); i += 3) {
                if (now[i] != before[i] || now[i + 1] != before[i + 1] || now[i + 2] != before[i + 2]) {
                    ++differ;
                    first = std::min(first, i / 3);
                }
            }
            std::string where;
            if (first != SIZE_MAX && s.width > 0) {
                where = ", the first at " + std::to_string(first % static_cast<size_t>(s.width)) + "," +
                        std::to_string(first / static_cast<size_t>(s.width));
            }
            book_.AddFault(item.menuLine,
                           before.empty()
                               ? std::string("the screen after saving and loading at this menu differs")
                               : "the screen after saving and loading at this menu differs (" +
                                     std::to_string(differ) + " pixels" + where + ")");
        }
    }
    if (item.index >= s.entries.size() || s.entries[item.index].label != item.label) {
        book_.AddFault(item.menuLine,
                       "after a load this menu no longer offers \"" + Cp932ToUtf8(item.label) + "\"");
        return false;
    }
    std::vector<EntryRect> rects;
    for (const MenuEntry& m : s.entries) {
        rects.push_back({m.left, m.top, m.right, m.bottom});
    }
    int x = 0;
    int y = 0;
    if (!ClickPoint(rects, item.index, x, y)) {
        book_.AddFault(item.menuLine, "the entry \"" + Cp932ToUtf8(item.label) +
                                          "\" lies under the entries before it and cannot be chosen");
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        lastWaitWasText_ = false;
        sawFault_ = false;
    }
    StartSegment();
    if (!item.verify) {
        book_.TakeEntry(item.menuLine, item.label);
    }
    Click(x, y);
    return true;
}

void Explorer::PlayRoute(uint32_t fromMenu, std::string fromLabel, const WorkItem* verify) {
    std::optional<WorkItem> pendingVerify;
    for (;;) {
        Stop stop = PlayUntilStop();
        std::vector<std::string> segment = TakeSegment();
        if (verify != nullptr) {
            if (stop != Stop::kTimeUp && segment != verify->expected) {
                size_t i = 0;
                while (i < segment.size() && i < verify->expected.size() &&
                       segment[i] == verify->expected[i]) {
                    ++i;
                }
                std::string got = i < segment.size() ? segment[i] : "nothing";
                std::string want = i < verify->expected.size() ? verify->expected[i] : "nothing";
                while (!got.empty() && got.back() == '\n') {
                    got.pop_back();
                }
                while (!want.empty() && want.back() == '\n') {
                    want.pop_back();
                }
                book_.AddFault(verify->menuLine, "choosing \"" + Cp932ToUtf8(verify->label) +
                                                     "\" after saving and loading plays differently: " + got +
                                                     " instead of " + want);
            }
            if (stop != Stop::kMenu) {
                EndSession();
            }
            return;
        }
        if (pendingVerify) {
            pendingVerify->expected = std::move(segment);
            work_.push_back(std::move(*pendingVerify));
            pendingVerify.reset();
        }
        if (stop != Stop::kMenu) {
            RouteEnd end = RouteEnd::kEndOfScenario;
            bool exitSeen;
            bool faultSeen;
            uint32_t faultLine;
            {
                std::lock_guard lock(mutex_);
                exitSeen = sawExit_;
                faultSeen = sawFault_;
                faultLine = faultLine_;
            }
            if (stop == Stop::kLoop) {
                end = RouteEnd::kLoop;
            } else if (stop == Stop::kStuck) {
                end = RouteEnd::kStuck;
            } else if (stop == Stop::kTimeUp) {
                end = RouteEnd::kTimeUp;
            } else if (stop == Stop::kLoadScreen) {
                end = RouteEnd::kLoadScreen;
            }
            EndSession();
            uint32_t line = 0;
            std::vector<int> flags;
            if (stop == Stop::kEnded) {
                // The session's last state is kept until the next one starts.
                end = exitSeen    ? RouteEnd::kExitGame
                      : faultSeen ? RouteEnd::kFault
                                  : RouteEnd::kEndOfScenario;
            }
            if (lastEndedPos_ != UINT32_MAX) {
                line = LineAt(lastEndedPos_);
                flags = lastEndedFlags_;
            }
            // A box ended the game only when the game ended where it was shown; a story that went
            // on after it ended by itself.
            if (end == RouteEnd::kFault && line != faultLine) {
                end = RouteEnd::kEndOfScenario;
            }
            if (stop == Stop::kTimeUp) {
                book_.AddFault(fromMenu != 0 ? fromMenu : line, CutReason());
            }
            book_.EndRoute(end, line, flags);
            AddEdge(fromMenu, fromLabel, 0, end, line);
            return;
        }
        Snapshot s = Look();
        uint32_t menuLine = book_.Lines().MenuLineAtOrBefore(LineAt(s.readPos));
        if (menuLine == 0) {
            menuLine = LineAt(s.readPos);
        }
        AddEdge(fromMenu, fromLabel, menuLine, RouteEnd::kMerged, 0);
        std::vector<std::string> labels;
        for (const MenuEntry& m : s.entries) {
            labels.push_back(m.label);
        }
        std::string state = keying_.Key(menuLine, s.state);
        for (const std::string& l : labels) {
            state += '\0' + l;
        }
        bool seenTitle = book_.TitleLine() != 0 && book_.IsTitleMenu(menuLine);
        bool textBefore;
        uint32_t textLine;
        {
            std::lock_guard lock(mutex_);
            textBefore = lastWaitWasText_;
            textLine = lastTextWait_;
        }
        if (seenTitle) {
            book_.MeetMenu({menuLine, state}, labels);
            book_.EndRoute(RouteEnd::kTitle, textBefore ? textLine : 0);
            return;
        }
        if (!book_.MeetMenu({menuLine, state}, labels)) {
            book_.EndRoute(RouteEnd::kMerged, menuLine);
            return;
        }
        if (labels.empty()) {
            book_.AddFault(menuLine, "this menu offers no entry that can be chosen");
            book_.EndRoute(RouteEnd::kStuck, menuLine);
            EndSession();
            return;
        }
        RestPointer(s);
        KeptScreen screen;
        screen.pixels = Screen();
        screen.digest = Digest(screen.pixels);
        auto save = std::make_shared<std::vector<uint8_t>>();
        if (!SaveScratch(*save)) {
            book_.AddFault(menuLine, "a game cannot be saved at this menu");
        }
        // The order of taking: ordinary entries first, the load entry and the ways out last.
        std::vector<size_t> order;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < labels.size(); ++i) {
                bool late = labels[i].find("*GameLoad") != std::string::npos || ExitEntry(labels[i]);
                if (late == (pass == 1)) {
                    order.push_back(i);
                }
            }
        }
        // The work list is a stack: the later entries go in first.
        if (!save->empty()) {
            for (size_t k = order.size(); k-- > 1;) {
                WorkItem item;
                item.save = save;
                item.menuLine = menuLine;
                item.label = labels[order[k]];
                item.index = order[k];
                item.target = LabelLine(item.label) + 1;
                work_.push_back(std::move(item));
            }
        }
        size_t first = order[0];
        std::vector<EntryRect> rects;
        for (const MenuEntry& m : s.entries) {
            rects.push_back({m.left, m.top, m.right, m.bottom});
        }
        int x = 0;
        int y = 0;
        if (!ClickPoint(rects, first, x, y)) {
            book_.AddFault(menuLine, "the entry \"" + Cp932ToUtf8(labels[first]) +
                                         "\" lies under the entries before it and cannot be chosen");
            book_.EndRoute(RouteEnd::kStuck, menuLine);
            EndSession();
            return;
        }
        if (!save->empty()) {
            WorkItem check;
            check.save = save;
            check.menuLine = menuLine;
            check.label = labels[first];
            check.index = first;
            check.verify = true;
            if (screenBytes_ + screen.pixels.size() > kScreenBudget) {
                screen.pixels = std::vector<uint8_t>();  // frees the pixels, which clear() would keep
            }
            screenBytes_ += screen.pixels.size();
            check.screen = std::move(screen);
            pendingVerify = std::move(check);
        }
        {
            std::lock_guard lock(mutex_);
            lastWaitWasText_ = false;
            sawFault_ = false;
        }
        book_.TakeEntry(menuLine, labels[first]);
        fromMenu = menuLine;
        fromLabel = labels[first];
        StartSegment();
        Click(x, y);
    }
}

// The work item to take next: a round-trip check at once (it keeps a screen), else the newest entry
// whose label leads to a line no route has reached yet, else the newest entry. Coverage comes first,
// so that an exploration cut by its time limit has reached what it could.
size_t Explorer::NextItem() const {
    constexpr size_t kLookBack = 4096;
    size_t last = work_.size() - 1;
    if (work_[last].verify) {
        return last;
    }
    for (size_t i = work_.size(); i-- > 0 && work_.size() - i <= kLookBack;) {
        const WorkItem& w = work_[i];
        if (!w.verify && w.target > 1 && !book_.Reached(w.target)) {
            return i;
        }
    }
    return last;
}

std::vector<RouteEdge> Explorer::Run() {
    Game();
    PlayRoute(0, std::string(), nullptr);
    while (!work_.empty()) {
        size_t next = NextItem();
        WorkItem item = std::move(work_[next]);
        work_.erase(work_.begin() + static_cast<std::ptrdiff_t>(next));
        screenBytes_ -= item.screen.pixels.size();
        if (TimeUp()) {
            if (!item.verify) {
                book_.AddFault(item.menuLine, CutReason());
                book_.EndRoute(RouteEnd::kTimeUp, item.menuLine);
            }
            continue;
        }
        bool restarted = !game_;
        if (!StartItem(item)) {
            EndSession();
            if (restarted) {
                continue;
            }
            // The game may have been in a state a load cannot leave; a fresh one gets a second try.
            if (!StartItem(item)) {
                EndSession();
                continue;
            }
        }
        PlayRoute(item.menuLine, item.label, item.verify ? &item : nullptr);
    }
    EndSession();
    return {edges_.begin(), edges_.end()};
}

}  // namespace

bool RouteEdge::operator<(const RouteEdge& o) const {
    return std::tie(fromMenu, label, toMenu, end, endLine) <
           std::tie(o.fromMenu, o.label, o.toMenu, o.end, o.endLine);
}

ExploreResult ExploreTitle(const ExploreOptions& options) {
    ExploreResult result;
    auto txtName = files::FindFirstWithExtension("txt");
    std::vector<uint8_t> text;
    if (!txtName || !files::ReadAll(*txtName, text)) {
        return result;
    }
    std::string saveDir = ScratchFolder();
    if (saveDir.empty()) {
        return result;
    }
    // The explorer reads at the fastest message speed: a line appears at once.
    EnvSettings env;
    env.ApplyDefaults();
    env.SpeedMs = 0;
    PersistentFlags flags;
    std::array<uint8_t, EnvSettings::kSize> record = env.ToBytes(flags);
    files::WriteAtomically(saveDir + "/env.dat", record.data(), record.size());

    result.book = std::make_unique<RouteBook>(Cp932ToUtf8(*txtName), ScenarioLines(text));
    Explorer explorer(options, *result.book, saveDir);
    result.edges = explorer.Run();
    std::error_code ec;
    std::filesystem::remove_all(saveDir, ec);
    return result;
}

}  // namespace textreel::explore
