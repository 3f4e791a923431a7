// The rollback history: the game state at each of the last wait points the story reached, so that
// BackSpace can take the player back one wait at a time. A record is what a save file holds (the
// FlagBlock with the read position and the music's name) and the little a save leaves to the
// scenario: the backlog's end and the transition number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "script/flag_block.h"

namespace textreel {

struct RollbackRecord {
    // The FlagBlock at the wait; its saved position is the read position there and its BGM field
    // the music that played.
    FlagBlock block;
    // BacklogNext at the wait: the lines shown after it leave the backlog on the way back.
    int32_t backlogNext = 0;
    // The transition of the next picture change at the wait.
    int32_t effectNumber = 0;
    // A position on the scenario line that waits (the wait code's line, or the menu command's).
    uint32_t linePosition = 0;

    uint32_t Position() const { return block.U32(FlagBlock::kSavedPosition); }
};

class RollbackHistory {
  public:
    // How far back the player may go: the wait the story stands at and this many before it.
    static constexpr int kMaxSteps = 100;

    // The story has reached a wait: its record becomes the newest; the oldest beyond the limit is
    // dropped. The steps taken back start again from here.
    void Push(const RollbackRecord& record) {
        std::lock_guard lock(mutex_);
        records_.push_back(record);
        while (records_.size() > static_cast<size_t>(kMaxSteps) + 1) {
            records_.pop_front();
        }
        steps_ = 0;
    }

    // One step back from where the story waits (its read position here): when it waits at the
    // newest record's wait, that record is dropped and the one before it is the target; when it
    // waits somewhere that left no record (a stop), the newest record is the target. False, and
    // nothing changes, when there is no record to go back to.
    bool StepBack(uint32_t here, RollbackRecord& target) {
        std::lock_guard lock(mutex_);
        if (records_.empty()) {
            return false;
        }
        if (records_.back().Position() == here) {
            if (records_.size() < 2) {
                return false;
            }
            records_.pop_back();
        }
        target = records_.back();
        ++steps_;
        return true;
    }

    // The steps taken back since the story last reached a new wait.
    int Steps() {
        std::lock_guard lock(mutex_);
        return steps_;
    }

    size_t Count() {
        std::lock_guard lock(mutex_);
        return records_.size();
    }

    // The memory the records take.
    size_t RecordBytes() {
        std::lock_guard lock(mutex_);
        return records_.size() * sizeof(RollbackRecord);
    }

    // A load or a return to the title starts a new history.
    void Clear() {
        std::lock_guard lock(mutex_);
        records_.clear();
        steps_ = 0;
    }

  private:
    std::mutex mutex_;
    std::deque<RollbackRecord> records_;
    int steps_ = 0;
};

}  // namespace textreel
