// The explorer's bookkeeping: which choice menus were met in which state of flags and points,
// which of their entries were taken, which lines ran, how routes ended and what went wrong on
// them. Pure: the explorer feeds it what it saw, and it writes the report.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace textreel::explore {

// The scenario's lines as the explorer counts them: which can run (text and command lines, not
// labels, comments, blank lines or the entry lines of a menu) and the entries each menu lists.
class ScenarioLines {
  public:
    explicit ScenarioLines(const std::vector<uint8_t>& text);

    // The line (from 1) holding byte offset p.
    uint32_t LineOf(uint32_t offset) const;
    uint32_t LineCount() const { return static_cast<uint32_t>(starts_.size()); }
    // The byte offset where line n (from 1) starts.
    uint32_t StartOf(uint32_t line) const { return starts_[line - 1]; }
    bool CanRun(uint32_t line) const { return line >= 1 && line <= runnable_.size() && runnable_[line - 1]; }
    uint32_t RunnableCount() const;
    // The menu command line at or before line (0 when there is none).
    uint32_t MenuLineAtOrBefore(uint32_t line) const;
    // The labels (Shift-JIS, without ":") of the entries the menu on line lists, in order.
    const std::vector<std::string>& MenuLabels(uint32_t menuLine) const;
    const std::map<uint32_t, std::vector<std::string>>& Menus() const { return menus_; }
    // The text a `selword` entry shows the player (Shift-JIS), empty for the entries of picture
    // menus, which show no text of their own.
    std::string EntryText(uint32_t menuLine, const std::string& label) const;
    // The first line of label (":" + name at a line's start), 0 when there is none.
    uint32_t LabelLine(const std::string& name) const;
    // The line's bytes without its line end.
    std::string Text(uint32_t line) const;

  private:
    std::vector<uint8_t> text_;
    std::vector<uint32_t> starts_;
    std::vector<bool> runnable_;
    std::map<uint32_t, std::vector<std::string>> menus_;
    std::map<uint32_t, std::vector<std::string>> entryTexts_;  // beside menus_, entry for entry
};

// A point inside entry `index` that no earlier entry covers (the first entry listed wins a
// click), or false when the earlier entries cover all of it. Rectangles are inclusive.
struct EntryRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
bool ClickPoint(const std::vector<EntryRect>& entries, size_t index, int& x, int& y);

enum class RouteEnd {
    kEndOfScenario,  // the scenario ran out
    kExitGame,       // exit_game
    kTitle,          // back at the title menu already seen
    kMerged,         // at a menu already explored in the same state
    kLoadScreen,     // the title's load entry opened the load screen
    kFault,          // a fault ended the game (a label not found)
    kLoop,           // 100,000 lines without a wait
    kStuck,          // the game no longer answered the explorer
    kTimeUp,         // --max-seconds ran out
};

struct Fault {
    uint32_t line = 0;
    std::string message;  // UTF-8
    bool operator<(const Fault& o) const { return line != o.line ? line < o.line : message < o.message; }
};

struct Ending {
    RouteEnd kind = RouteEnd::kEndOfScenario;
    uint32_t line = 0;
    std::vector<int> recordFlags;
    bool operator<(const Ending& o) const;
};

// A menu as met: its line and the state of flags and points (as bytes).
struct MenuKey {
    uint32_t line = 0;
    std::string state;
    bool operator<(const MenuKey& o) const { return line != o.line ? line < o.line : state < o.state; }
};

class RouteBook {
  public:
    RouteBook(std::string fileName, ScenarioLines lines);

    const ScenarioLines& Lines() const { return lines_; }
    const std::string& FileName() const { return fileName_; }

    // The most states of flags and points explored at one menu. A story whose points grow on every
    // pass through a loop (a gallery that adds to a counter) meets its menus in ever new states;
    // past this many the menu counts as explored, and the report says so.
    static constexpr size_t kStatesPerMenu = 64;

    // A menu met with these entries: true when this (menu, state) is new and its entries are to be
    // taken. The first menu ever met is the title menu.
    bool MeetMenu(const MenuKey& key, const std::vector<std::string>& labels);
    bool IsTitleMenu(uint32_t line) const { return titleLine_ != 0 && line == titleLine_; }
    uint32_t TitleLine() const { return titleLine_; }
    // An entry of the menu on line was chosen.
    void TakeEntry(uint32_t menuLine, const std::string& label);
    bool Taken(uint32_t menuLine, const std::string& label) const;
    // Every entry label a menu offered (whether taken or not).
    const std::map<uint32_t, std::set<std::string>>& Offered() const { return offered_; }

    // The read marks of a run (one per scenario byte): a line counts as reached when its first byte
    // was read.
    void AddReadMarks(const std::vector<uint8_t>& marks);
    bool Reached(uint32_t line) const { return line >= 1 && line <= reached_.size() && reached_[line - 1]; }

    void AddFault(uint32_t line, const std::string& message) { faults_.insert({line, message}); }
    void EndRoute(RouteEnd kind, uint32_t line, std::vector<int> recordFlags = {});

    int Routes() const { return routes_; }
    const std::set<Fault>& Faults() const { return faults_; }
    const std::set<Ending>& Endings() const { return endings_; }
    uint32_t LinesReached() const;
    uint32_t LinesTotal() const { return lines_.RunnableCount(); }
    uint32_t EntriesTaken() const;
    uint32_t EntriesTotal() const;

    // "FILE:LINE: error: message" for each fault, "FILE:LINE: ending: ..." for each ending,
    // "FILE:LINE: note: ..." for each menu whose states were not all explored, the figures, and
    // the count of faults.
    std::string FormatText() const;
    // The same as JSON objects, one a line; the last holds the figures.
    std::string FormatJson() const;

  private:
    static std::string StatesCutMessage();
    std::string fileName_;
    ScenarioLines lines_;
    uint32_t titleLine_ = 0;
    std::set<MenuKey> met_;
    std::map<uint32_t, size_t> statesMet_;
    std::set<uint32_t> statesCut_;  // menus met in more states than were explored
    std::map<uint32_t, std::set<std::string>> offered_;
    std::set<std::pair<uint32_t, std::string>> taken_;
    std::vector<bool> reached_;
    std::set<Fault> faults_;
    std::set<Ending> endings_;
    int routes_ = 0;
};

// How an ending is named in the report.
const char* RouteEndName(RouteEnd kind);

}  // namespace textreel::explore
