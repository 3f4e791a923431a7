// The choice menu's table: up to 48 entries with their rectangles (client pixels, edges inclusive)
// and labels. The script thread fills it while building a menu; the window side hit-tests and
// highlights its entries.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace textreel {

struct MenuEntry {
    int16_t left = 0;
    int16_t right = 0;
    int16_t top = 0;
    int16_t bottom = 0;
    std::string label;  // the label name without ":", or "*GameLoad"

    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

class MenuTable {
  public:
    static constexpr int kMaxEntries = 48;

    // The entries with what self-voicing says for each, as a rollback keeps them.
    struct Contents {
        std::vector<MenuEntry> entries;
        std::vector<std::string> spoken;
    };
    Contents Get() {
        std::lock_guard lock(mutex_);
        return Contents{entries_, spoken_};
    }
    void Set(const Contents& contents) {
        std::lock_guard lock(mutex_);
        entries_ = contents.entries;
        spoken_ = contents.spoken;
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
        spoken_.clear();
    }
    // Adds an entry; false when the table is full. spoken is what self-voicing says for it (a word
    // button's text); empty, it says the label.
    bool Add(const MenuEntry& entry, const std::string& spoken = {}) {
        std::lock_guard lock(mutex_);
        if (static_cast<int>(entries_.size()) >= kMaxEntries) {
            return false;
        }
        entries_.push_back(entry);
        spoken_.push_back(spoken.empty() ? entry.label : spoken);
        return true;
    }
    // What self-voicing says for entry index, in the title's encoding; empty when there is no such
    // entry.
    std::string Spoken(size_t index) {
        std::lock_guard lock(mutex_);
        return index < spoken_.size() ? spoken_[index] : std::string();
    }
    std::vector<MenuEntry> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }

    // The label of an "opening" item the player clicked: the script thread asks for the name
    // before it jumps there, since the window side must not wait inside a click for a dialog.
    void SetNameEntryLabel(std::string label) {
        std::lock_guard lock(mutex_);
        nameEntryLabel_ = std::move(label);
    }
    std::string TakeNameEntryLabel() {
        std::lock_guard lock(mutex_);
        return std::exchange(nameEntryLabel_, std::string());
    }

  private:
    std::mutex mutex_;
    std::vector<MenuEntry> entries_;
    std::vector<std::string> spoken_;
    std::string nameEntryLabel_;
};

}  // namespace textreel
