// The key the explorer files a menu's state under. Two states at a menu differ only where a line that
// can still run after the menu reads them: a flag or counter that no reachable judge, menu item or
// colour command reads is left out, and a counter that only grows counts the same at or above the
// largest value a reachable `pointjudge` tests it against. Worked out once from the scenario's
// lines and jumps; each menu's answer is kept.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "explore/route_book.h"

namespace textreel::explore {

class StateKeying {
  public:
    // The cells of a state as the explorer reads it: event flags 0..39, then counters 0..19, four
    // bytes each, little-endian. An event flag number from 40 reads a counter's cell.
    static constexpr int kCells = 60;

    // How a cell counts at a menu.
    struct Use {
        bool live = false;    // some line that can run after the menu reads it
        bool capped = false;  // read only by `pointjudge` and never lowered by an add: values at or
        uint32_t cap = 0;     // above cap (the largest value tested) count as one
    };

    // exact: every cell counts, as read (the keying of --exhaustive).
    StateKeying(const ScenarioLines& lines, bool exact);

    // The key of state (kCells * 4 bytes) at the menu on menuLine.
    std::string Key(uint32_t menuLine, const std::string& state);
    // How each cell counts at the menu on menuLine.
    std::vector<Use> Uses(uint32_t menuLine);

  private:
    struct Read {
        int cell = 0;
        bool threshold = false;  // a `pointjudge`: value >= limit
        uint32_t limit = 0;
    };
    uint32_t Target(const std::string& pattern) const;
    void AddRead(uint32_t line, int cell, bool threshold, uint32_t limit);
    const std::vector<Use>& UsesLocked(uint32_t menuLine);

    const ScenarioLines& lines_;
    bool exact_;
    std::vector<uint8_t> text_;
    // Per line (from 1): whether the story goes on to the next line, and where else it may jump.
    std::vector<bool> fallsThrough_;
    std::map<uint32_t, std::vector<uint32_t>> jumps_;
    std::map<uint32_t, std::vector<Read>> reads_;
    // Cells some line changes in a way that depends on more than "has it reached the cap".
    std::vector<bool> uncappable_;
    // Cells read wherever the story stands (the colour correction of a background, which a load
    // draws again).
    std::vector<bool> alwaysLive_;
    std::mutex mutex_;
    std::map<uint32_t, std::vector<Use>> perMenu_;
};

}  // namespace textreel::explore
