#include "explore/route_book.h"

#include <algorithm>
#include <cstring>

#include "shell/trace.h"

namespace textreel::explore {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// The menu commands as the dispatch meets them at a line's start, and the line that ends each.
bool OpensMenu(const std::string& line, bool& flagselect) {
    flagselect = StartsWith(line, "$flagselect");
    return flagselect || StartsWith(line, "$selarea") || StartsWith(line, "$selword");
}

// The label of an entry line: "(l,t,r,b,label,flag)" for selarea and flagselect, "(label,flag,text)"
// for selword. Empty when the line is not an entry.
std::string EntryLabel(const std::string& line, bool fourNumbers) {
    if (line.empty() || line[0] != '(') {
        return {};
    }
    size_t field = fourNumbers ? 4 : 0;
    size_t at = 1;
    for (size_t i = 0; i < field; ++i) {
        at = line.find(',', at);
        if (at == std::string::npos) {
            return {};
        }
        ++at;
    }
    size_t end = line.find_first_of(",)", at);
    return end == std::string::npos ? std::string() : line.substr(at, end - at);
}

// The text a `selword` entry line "(label,flag,text)" shows: everything after the second comma up
// to the closing parenthesis.
std::string EntryShownText(const std::string& line) {
    size_t first = line.find(',');
    size_t second = first == std::string::npos ? first : line.find(',', first + 1);
    if (second == std::string::npos) {
        return {};
    }
    size_t close = line.find(')', second + 1);
    return line.substr(second + 1, close == std::string::npos ? std::string::npos : close - second - 1);
}

}  // namespace

ScenarioLines::ScenarioLines(const std::vector<uint8_t>& text) : text_(text) {
    starts_.push_back(0);
    for (uint32_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\n' && i + 1 < text_.size()) {
            starts_.push_back(i + 1);
        }
    }
    runnable_.assign(starts_.size(), false);
    uint32_t openMenu = 0;
    bool flagselect = false;
    bool selword = false;
    for (uint32_t n = 1; n <= LineCount(); ++n) {
        std::string line = Text(n);
        if (openMenu != 0) {
            bool ends = flagselect ? line.find("$flagselend") != std::string::npos
                                   : line.find("selend") != std::string::npos;
            if (ends) {
                openMenu = 0;
                continue;
            }
            std::string label = EntryLabel(line, !selword);
            if (!label.empty()) {
                menus_[openMenu].push_back(label);
                entryTexts_[openMenu].push_back(selword ? EntryShownText(line) : std::string());
            }
            continue;
        }
        if (line.empty() || line[0] == ':' || line[0] == ';') {
            continue;
        }
        runnable_[n - 1] = true;
        if (OpensMenu(line, flagselect)) {
            openMenu = n;
            selword = StartsWith(line, "$selword");
            menus_[n];
        }
    }
}

uint32_t ScenarioLines::LineOf(uint32_t offset) const {
    auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return static_cast<uint32_t>(it - starts_.begin());
}

uint32_t ScenarioLines::RunnableCount() const {
    return static_cast<uint32_t>(std::count(runnable_.begin(), runnable_.end(), true));
}

uint32_t ScenarioLines::MenuLineAtOrBefore(uint32_t line) const {
    auto it = menus_.upper_bound(line);
    return it == menus_.begin() ? 0 : std::prev(it)->first;
}

const std::vector<std::string>& ScenarioLines::MenuLabels(uint32_t menuLine) const {
    static const std::vector<std::string> kNone;
    auto it = menus_.find(menuLine);
    return it == menus_.end() ? kNone : it->second;
}

std::string ScenarioLines::EntryText(uint32_t menuLine, const std::string& label) const {
    auto labels = menus_.find(menuLine);
    auto texts = entryTexts_.find(menuLine);
    if (labels == menus_.end() || texts == entryTexts_.end()) {
        return {};
    }
    for (size_t i = 0; i < labels->second.size() && i < texts->second.size(); ++i) {
        if (labels->second[i] == label) {
            return texts->second[i];
        }
    }
    return {};
}

uint32_t ScenarioLines::LabelLine(const std::string& name) const {
    for (uint32_t n = 1; n <= LineCount(); ++n) {
        std::string line = Text(n);
        if (line.size() > name.size() && line[0] == ':' && line.compare(1, name.size(), name) == 0) {
            return n;
        }
    }
    return 0;
}

std::string ScenarioLines::Text(uint32_t line) const {
    uint32_t from = starts_[line - 1];
    uint32_t to = line < LineCount() ? starts_[line] : static_cast<uint32_t>(text_.size());
    while (to > from && (text_[to - 1] == '\n' || text_[to - 1] == '\r')) {
        --to;
    }
    return std::string(text_.begin() + from, text_.begin() + to);
}

bool ClickPoint(const std::vector<EntryRect>& entries, size_t index, int& x, int& y) {
    if (index >= entries.size()) {
        return false;
    }
    const EntryRect& r = entries[index];
    auto free = [&](int px, int py) {
        for (size_t i = 0; i < index; ++i) {
            const EntryRect& e = entries[i];
            if (px >= e.left && px <= e.right && py >= e.top && py <= e.bottom) {
                return false;
            }
        }
        return true;
    };
    int cx = r.left + (r.right - r.left) / 2;
    int cy = r.top + (r.bottom - r.top) / 2;
    if (r.right >= r.left && r.bottom >= r.top && free(cx, cy)) {
        x = cx;
        y = cy;
        return true;
    }
    // The centre is covered: the first free point on a grid of at most 32 x 32 steps.
    int stepX = std::max(1, (r.right - r.left) / 32);
    int stepY = std::max(1, (r.bottom - r.top) / 32);
    for (int py = r.top; py <= r.bottom; py += stepY) {
        for (int px = r.left; px <= r.right; px += stepX) {
            if (free(px, py)) {
                x = px;
                y = py;
                return true;
            }
        }
    }
    return false;
}

bool Ending::operator<(const Ending& o) const {
    if (line != o.line) {
        return line < o.line;
    }
    if (kind != o.kind) {
        return kind < o.kind;
    }
    return recordFlags < o.recordFlags;
}

const char* RouteEndName(RouteEnd kind) {
    switch (kind) {
        case RouteEnd::kEndOfScenario:
            return "end of scenario";
        case RouteEnd::kExitGame:
            return "exit_game";
        case RouteEnd::kTitle:
            return "back to the title";
        case RouteEnd::kMerged:
            return "a menu already explored";
        case RouteEnd::kLoadScreen:
            return "the load screen";
        case RouteEnd::kFault:
            return "a fault";
        case RouteEnd::kLoop:
            return "a loop";
        case RouteEnd::kStuck:
            return "no answer";
        case RouteEnd::kTimeUp:
            return "time up";
    }
    return "";
}

RouteBook::RouteBook(std::string fileName, ScenarioLines lines)
    : fileName_(std::move(fileName)), lines_(std::move(lines)), reached_(lines_.LineCount(), false) {}

bool RouteBook::MeetMenu(const MenuKey& key, const std::vector<std::string>& labels) {
    if (titleLine_ == 0) {
        titleLine_ = key.line;
    }
    offered_[key.line].insert(labels.begin(), labels.end());
    if (met_.count(key) != 0) {
        return false;
    }
    size_t& states = statesMet_[key.line];
    if (states >= kStatesPerMenu) {
        statesCut_.insert(key.line);
        return false;
    }
    ++states;
    met_.insert(key);
    return true;
}

void RouteBook::TakeEntry(uint32_t menuLine, const std::string& label) {
    offered_[menuLine].insert(label);
    taken_.insert({menuLine, label});
}

bool RouteBook::Taken(uint32_t menuLine, const std::string& label) const {
    return taken_.count({menuLine, label}) > 0;
}

void RouteBook::AddReadMarks(const std::vector<uint8_t>& marks) {
    for (uint32_t n = 1; n <= lines_.LineCount(); ++n) {
        uint32_t start = lines_.StartOf(n);
        if (start < marks.size() && marks[start] != 0) {
            reached_[n - 1] = true;
        }
    }
}

void RouteBook::EndRoute(RouteEnd kind, uint32_t line, std::vector<int> recordFlags) {
    ++routes_;
    // A return to the title counts as an ending when the player read something before it, not when
    // a menu entry leads straight back.
    if (kind == RouteEnd::kEndOfScenario || kind == RouteEnd::kExitGame ||
        (kind == RouteEnd::kTitle && line != 0)) {
        // An ending is told once, with the record flags set when it was first reached (they are
        // kept across routes, as across plays).
        for (const Ending& e : endings_) {
            if (e.kind == kind && e.line == line) {
                return;
            }
        }
        endings_.insert({kind, line, std::move(recordFlags)});
    }
}

uint32_t RouteBook::LinesReached() const {
    uint32_t n = 0;
    for (uint32_t line = 1; line <= lines_.LineCount(); ++line) {
        n += lines_.CanRun(line) && reached_[line - 1] ? 1 : 0;
    }
    return n;
}

uint32_t RouteBook::EntriesTaken() const {
    uint32_t n = 0;
    for (const auto& [line, labels] : lines_.Menus()) {
        for (const std::string& label : std::set<std::string>(labels.begin(), labels.end())) {
            n += Taken(line, label) ? 1 : 0;
        }
    }
    return n;
}

uint32_t RouteBook::EntriesTotal() const {
    uint32_t n = 0;
    for (const auto& [line, labels] : lines_.Menus()) {
        n += static_cast<uint32_t>(std::set<std::string>(labels.begin(), labels.end()).size());
    }
    return n;
}

namespace {

std::string FlagList(const std::vector<int>& flags) {
    std::string out;
    for (int f : flags) {
        out += (out.empty() ? "" : " ") + std::to_string(f);
    }
    return out;
}

std::string Plural(uint64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string RouteBook::StatesCutMessage() {
    return "this menu was met in more than " + std::to_string(kStatesPerMenu) +
           " states of flags and points; the later ones were not explored";
}

std::string RouteBook::FormatText() const {
    std::string out;
    for (const Fault& f : faults_) {
        out += fileName_ + ":" + std::to_string(f.line) + ": error: " + f.message + "\n";
    }
    for (const Ending& e : endings_) {
        out += fileName_ + ":" + std::to_string(e.line) + ": ending: " + RouteEndName(e.kind);
        if (!e.recordFlags.empty()) {
            out += ", record flags " + FlagList(e.recordFlags);
        }
        out += "\n";
    }
    for (uint32_t line : statesCut_) {
        out += fileName_ + ":" + std::to_string(line) + ": note: " + StatesCutMessage() + "\n";
    }
    out += Plural(static_cast<uint64_t>(routes_), "route") + ", " + Plural(endings_.size(), "ending") + ", " +
           std::to_string(LinesReached()) + "/" + std::to_string(LinesTotal()) + " lines reached, " +
           std::to_string(EntriesTaken()) + "/" + std::to_string(EntriesTotal()) + " choice entries taken\n";
    out += Plural(faults_.size(), "fault") + "\n";
    return out;
}

std::string RouteBook::FormatJson() const {
    std::string file = Trace::Escape(fileName_);
    std::string out;
    for (const Fault& f : faults_) {
        out += "{\"file\":\"" + file + "\",\"line\":" + std::to_string(f.line) +
               ",\"level\":\"error\",\"message\":\"" + Trace::Escape(f.message) + "\"}\n";
    }
    for (const Ending& e : endings_) {
        std::string flags;
        for (int f : e.recordFlags) {
            flags += (flags.empty() ? "" : ",") + std::to_string(f);
        }
        out += "{\"file\":\"" + file + "\",\"line\":" + std::to_string(e.line) + ",\"ending\":\"" +
               RouteEndName(e.kind) + "\",\"recordFlags\":[" + flags + "]}\n";
    }
    for (uint32_t line : statesCut_) {
        out += "{\"file\":\"" + file + "\",\"line\":" + std::to_string(line) +
               ",\"level\":\"note\",\"message\":\"" + StatesCutMessage() + "\"}\n";
    }
    out += "{\"faults\":" + std::to_string(faults_.size()) + ",\"routes\":" + std::to_string(routes_) +
           ",\"endings\":" + std::to_string(endings_.size()) +
           ",\"linesReached\":" + std::to_string(LinesReached()) +
           ",\"lines\":" + std::to_string(LinesTotal()) +
           ",\"entriesTaken\":" + std::to_string(EntriesTaken()) +
           ",\"entries\":" + std::to_string(EntriesTotal()) + "}\n";
    return out;
}

}  // namespace textreel::explore
