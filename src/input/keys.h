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

}  // namespace textreel
