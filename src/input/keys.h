// The keys textreel gives a meaning of their own. Before them every key release advanced the story
// (Page Up and Page Down kept the backlog); these never advance, whether or not they can do
// anything at the moment.
#pragma once

#include "platform/platform.h"

namespace textreel {

// Whether Shift belongs to the key.
enum class ShiftRule {
    kEither,   // with or without Shift
    kWithout,  // the key alone (V; Shift+V still advances)
    kWith,     // only with Shift (Shift+C; C alone still advances)
};

struct ReservedKey {
    int key;
    ShiftRule shift;
};

constexpr ReservedKey kReservedKeys[] = {
    {vk::kBack, ShiftRule::kEither},  // back one page (rollback)
    {vk::kF5, ShiftRule::kEither},    // quick save
    {vk::kF8, ShiftRule::kEither},    // load the automatic save
    {vk::kF9, ShiftRule::kEither},    // load the quick save
    {'V', ShiftRule::kWithout},       // self-voicing on and off
    {'C', ShiftRule::kWith},          // Shift+C: copying the text to the clipboard on and off
};

constexpr bool KeyNeverAdvances(int key, bool shift) {
    for (const ReservedKey& k : kReservedKeys) {
        if (k.key == key && (k.shift == ShiftRule::kEither || (k.shift == ShiftRule::kWith) == shift)) {
            return true;
        }
    }
    return false;
}

// The modifier keys as the window side follows them (main thread). A Shift, Ctrl or Alt released
// with no other key pressed while it was held was pressed alone; one held for a chord (Alt+Enter,
// Shift+C, Shift+Tab) was not, and its release does nothing.
class ModifierKeys {
  public:
    static constexpr bool IsModifier(int key) {
        return key == vk::kShift || key == vk::kControl || key == vk::kAlt;
    }
    // Any key press (or its repeat; a modifier repeats only until another key goes down).
    constexpr void Press(int key) {
        if (IsModifier(key)) {
            down_[Index(key)] = true;
            alone_[Index(key)] = true;
            return;
        }
        for (bool& alone : alone_) {
            alone = false;
        }
    }
    // A modifier's release: whether it went down and up with no other key pressed in between.
    constexpr bool ReleasedAlone(int key) {
        const int i = Index(key);
        const bool alone = down_[i] && alone_[i];
        down_[i] = false;
        alone_[i] = false;
        return alone;
    }

  private:
    static constexpr int Index(int key) { return key == vk::kShift ? 0 : key == vk::kControl ? 1 : 2; }
    bool down_[3] = {};
    bool alone_[3] = {};
};

}  // namespace textreel
