#include "explore/state_key.h"

#include <algorithm>
#include <cstring>

#include "script/byte_text.h"
#include "script/flag_fields.h"
#include "script/interpreter.h"
#include "script/menu_lines.h"
#include "script/scenario.h"

namespace textreel::explore {

namespace {

constexpr int kFirstCounterCell = 40;

bool Is(const CommandEntry* command, const char* keyword) {
    return command != nullptr && std::strcmp(command->keyword, keyword) == 0;
}

bool WaitLine(const char* line) {
    for (const char* code : {"$C", "$X", "$P", "$W", "$S"}) {
        if (FindText(line, code) != nullptr) {
            return true;
        }
    }
    return false;
}

}  // namespace

StateKeying::StateKeying(const ScenarioLines& lines, bool exact)
    : lines_(lines), exact_(exact), uncappable_(kCells, false), alwaysLive_(kCells, false) {
    if (exact_) {
        return;
    }
    for (uint32_t n = 1; n <= lines_.LineCount(); ++n) {
        std::string line = lines_.Text(n);
        text_.insert(text_.end(), line.begin(), line.end());
        text_.push_back('\r');
        text_.push_back('\n');
    }
    uint32_t count = lines_.LineCount();
    fallsThrough_.assign(count + 1, true);
    std::vector<std::pair<uint32_t, std::string>> pending;  // a line and a label pattern it jumps to
    std::vector<uint32_t> returnLines;                      // the lines of `returnto`
    std::vector<std::string> returnLabels;                  // every label a `jmp` names to return to
    for (uint32_t n = 1; n <= count; ++n) {
        if (!lines_.CanRun(n)) {
            continue;
        }
        std::string text = lines_.Text(n);
        const char* line = text.c_str();
        if (text.empty() || text[0] != '$' || WaitLine(line)) {
            continue;
        }
        const CommandEntry* command = FindCommand(line);
        if (Is(command, "jmp")) {
            // The same cut of the label as the command's.
            const char* blank = FindTextMb(line, " ");
            const char* label = blank == nullptr ? line + std::strlen(line) : blank + 1;
            size_t length = std::min<size_t>(std::strcspn(label, " "), kLabelPatternMax - 1);
            pending.emplace_back(n, ":" + std::string(label, length));
            if (const char* ret = FindText(line, "return ")) {
                returnLabels.push_back(":" + std::string(ret + 7));
            }
            fallsThrough_[n] = false;
        } else if (Is(command, "returnto")) {
            returnLines.push_back(n);
        } else if (Is(command, "exit_game")) {
            fallsThrough_[n] = false;
        } else if (Is(command, "eventjudge")) {
            NumberFields fields = CutNumberFields(line, kEventJudgeFirst, kEventJudgeFirst);
            AddRead(n, fields.first, false, 0);
            pending.emplace_back(n, ":" + std::string(line + fields.afterFirst));
        } else if (Is(command, "pointjudge")) {
            NumberFields fields = CutNumberFields(line, kPointJudgeFirst, kPointJudgeLastEnd);
            if (fields.first >= 0) {
                AddRead(n, kFirstCounterCell + fields.first, true, static_cast<uint32_t>(fields.second));
            }
            pending.emplace_back(n, ":" + std::string(line + fields.afterSecond));
        } else if (Is(command, "pointflag")) {
            NumberFields fields = CutNumberFields(line, kPointFlagFirst, kPointFlagLastEnd);
            int64_t cell = int64_t{kFirstCounterCell} + fields.first;
            if (FindText(line, "reset") == nullptr && fields.second < 0 && fields.first >= 0 &&
                cell < kCells) {
                uncappable_[static_cast<size_t>(cell)] = true;
            }
        } else if (Is(command, "statusctrl")) {
            // Counter 2 takes counter 2 plus twenty times counter 4.
            AddRead(n, kFirstCounterCell + 2, false, 0);
            AddRead(n, kFirstCounterCell + 4, false, 0);
            uncappable_[kFirstCounterCell + 2] = true;
        } else if (Is(command, "ccblt") || Is(command, "openCCDlg")) {
            // Counters 0..3 colour the background (again after every load), and the colour dialog
            // shows and keeps them.
            for (int c = 0; c < 4; ++c) {
                alwaysLive_[kFirstCounterCell + c] = true;
                uncappable_[kFirstCounterCell + c] = true;
            }
        } else if (Is(command, "selarea") || Is(command, "selword") || Is(command, "flagselect")) {
            bool word = Is(command, "selword");
            bool flagSelect = Is(command, "flagselect");
            uint32_t end = n + 1;
            for (; end <= count; ++end) {
                std::string item = lines_.Text(end);
                if (flagSelect ? item.find("$flagselend") != std::string::npos
                               : item.find("selend") != std::string::npos) {
                    break;
                }
                // An item of `selarea` and `selword` shows only while its event flag is set. Only the
                // flag is read here, and the title's encoding changes only how the texts are cut.
                MenuItemLine parsed;
                constexpr TextEncoding kAny = TextEncoding::kShiftJis;
                if (!flagSelect &&
                    (word ? ParseWordItem(item, kAny, parsed) : ParseAreaItem(item, false, kAny, parsed)) &&
                    parsed.flag != 0) {
                    AddRead(n, parsed.flag, false, 0);
                }
            }
            for (const std::string& label : lines_.MenuLabels(n)) {
                pending.emplace_back(n, ":" + label);
            }
            fallsThrough_[n] = false;
            if (end < count) {
                jumps_[n].push_back(end + 1);
            }
        }
    }
    // A menu the explorer may stop at whose command line is not read as one above: its entries
    // lead on all the same.
    for (const auto& [n, labels] : lines_.Menus()) {
        if (fallsThrough_[n]) {
            for (const std::string& label : labels) {
                pending.emplace_back(n, ":" + label);
            }
        }
    }
    for (uint32_t n : returnLines) {
        for (const std::string& label : returnLabels) {
            pending.emplace_back(n, label);
        }
    }
    for (const auto& [n, pattern] : pending) {
        if (uint32_t to = Target(pattern)) {
            jumps_[n].push_back(to);
        }
    }
}

// The line a jump to the label pattern lands on: the line after the first place the pattern
// appears anywhere in the scenario, as the engine looks labels up; 0 when there is none.
uint32_t StateKeying::Target(const std::string& pattern) const {
    std::string cut = pattern.substr(0, static_cast<size_t>(kLabelPatternMax));
    auto at = std::search(text_.begin(), text_.end(), cut.begin(), cut.end());
    if (at == text_.end()) {
        return 0;
    }
    uint32_t line = lines_.LineOf(static_cast<uint32_t>(at - text_.begin()));
    return line < lines_.LineCount() ? line + 1 : 0;
}

void StateKeying::AddRead(uint32_t line, int cell, bool threshold, uint32_t limit) {
    if (cell >= 0 && cell < kCells) {
        reads_[line].push_back({cell, threshold, limit});
    }
}

std::vector<StateKeying::Use> StateKeying::Uses(uint32_t menuLine) {
    std::lock_guard lock(mutex_);
    return UsesLocked(menuLine);
}

const std::vector<StateKeying::Use>& StateKeying::UsesLocked(uint32_t menuLine) {
    auto known = perMenu_.find(menuLine);
    if (known != perMenu_.end()) {
        return known->second;
    }
    std::vector<Use> uses(kCells);
    if (exact_ || menuLine == 0 || menuLine > lines_.LineCount()) {
        for (Use& use : uses) {
            use.live = true;
        }
        return perMenu_[menuLine] = uses;
    }
    // Every line the story can reach once an entry of the menu is chosen.
    uint32_t count = lines_.LineCount();
    std::vector<bool> seen(count + 2, false);
    std::vector<uint32_t> todo;
    auto visit = [&](uint32_t n) {
        if (n >= 1 && n <= count && !seen[n]) {
            seen[n] = true;
            todo.push_back(n);
        }
    };
    auto follow = [&](uint32_t n) {
        if (fallsThrough_[n]) {
            visit(n + 1);
        }
        auto jumps = jumps_.find(n);
        if (jumps != jumps_.end()) {
            for (uint32_t to : jumps->second) {
                visit(to);
            }
        }
    };
    follow(menuLine);
    std::vector<bool> readExactly(kCells, false);
    while (!todo.empty()) {
        uint32_t n = todo.back();
        todo.pop_back();
        auto reads = reads_.find(n);
        if (reads != reads_.end()) {
            for (const Read& r : reads->second) {
                Use& use = uses[static_cast<size_t>(r.cell)];
                use.live = true;
                if (r.threshold) {
                    use.cap = std::max(use.cap, r.limit);
                } else {
                    readExactly[static_cast<size_t>(r.cell)] = true;
                }
            }
        }
        follow(n);
    }
    for (size_t c = 0; c < uses.size(); ++c) {
        uses[c].live = uses[c].live || alwaysLive_[c];
        uses[c].capped = uses[c].live && !readExactly[c] && !uncappable_[c] && !alwaysLive_[c];
        if (!uses[c].capped) {
            uses[c].cap = 0;
        }
    }
    return perMenu_[menuLine] = uses;
}

std::string StateKeying::Key(uint32_t menuLine, const std::string& state) {
    if (exact_) {
        return state;
    }
    std::lock_guard lock(mutex_);
    const std::vector<Use>& uses = UsesLocked(menuLine);
    std::string key;
    for (size_t c = 0; c < uses.size() && 4 * c + 4 <= state.size(); ++c) {
        if (!uses[c].live) {
            continue;
        }
        uint32_t value = 0;
        for (int b = 3; b >= 0; --b) {
            value = (value << 8) | static_cast<uint8_t>(state[4 * c + static_cast<size_t>(b)]);
        }
        if (uses[c].capped) {
            value = std::min(value, uses[c].cap);
        }
        for (int b = 0; b < 4; ++b) {
            key.push_back(static_cast<char>((value >> (8 * b)) & 0xFF));
        }
    }
    return key;
}

}  // namespace textreel::explore
