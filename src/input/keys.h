// The keys textreel gives a meaning of their own. Before them every key release advanced the story
// (Page Up and Page Down kept the backlog); these never advance, whether or not they can do
// anything at the moment.
#pragma once

#include "platform/platform.h"

namespace textreel {

struct ReservedKey {
    int key;
    bool shiftOnly;  // only with Shift held (Shift+C); otherwise with or without it
};

constexpr ReservedKey kReservedKeys[] = {
    {vk::kBack, false},  // back one page (rollback)
    {vk::kF5, false},    // quick save
    {vk::kF8, false},    // load the automatic save
    {vk::kF9, false},    // load the quick save
    {'V', false},        // the self-voicing on and off
    {'C', true},         // Shift+C: copy the shown text
};

constexpr bool KeyNeverAdvances(int key, bool shift) {
    for (const ReservedKey& k : kReservedKeys) {
        if (k.key == key && (shift || !k.shiftOnly)) {
            return true;
        }
    }
    return false;
}

}  // namespace textreel
