#include "input/rollback.h"

#include <algorithm>
#include <cstdint>

#include "input/quick_save.h"
#include "script/save_file.h"
#include "shell/engine.h"

namespace textreel {

namespace {

// The little of the engine a rollback reads and changes, in one place.
class RollbackRoom {
  public:
    explicit RollbackRoom(Engine& engine) : e(engine) {}

    // The game state at this wait, as a save keeps it, with the backlog's end and the transition.
    RollbackRecord Take(uint32_t linePosition) {
        RollbackRecord r;
        r.block = e.flags;
        r.block.SetU32(FlagBlock::kSavedPosition, e.scenario.ReadPos);
        r.block.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, e.sound.music.streamer->FileName());
        r.backlogNext = e.backlog.Next();
        r.effectNumber = e.graphics.effectNumber;
        r.linePosition = linePosition;
        return r;
    }

    // Brings the game back to the record through the load path, without its transition.
    void Restore(const RollbackRecord& r) {
        if (e.AdvanceMode == 3) {
            e.EndAutoMode();
        }
        RestoreStyle style;
        style.quiet = true;
        style.effectNumber = r.effectNumber;
        RestoreGame(e, r.block, style);
        e.backlog.Rewind(r.backlogNext);
        e.NotifyStateChange();
    }

    // The scenario line (counted from 1) that holds position p.
    int64_t LineNumber(uint32_t p) {
        const uint8_t* text = e.scenario.Bytes();
        uint32_t end = std::min(p, e.scenario.Size());
        return 1 + std::count(text, text + end, static_cast<uint8_t>('\n'));
    }

    void TraceStep(int steps, uint32_t position) {
        if (e.trace.Enabled()) {
            e.trace.Event("rollback", {{"steps", int64_t{steps}}, {"line", LineNumber(position)}});
        }
    }

    Engine& e;
};

}  // namespace

void RecordWait(Engine& e, uint32_t linePosition) {
    if (e.QuietReplay != 0) {
        return;
    }
    e.rollback.Push(RollbackRoom(e).Take(linePosition));
}

bool RollbackAllowed(Engine& e) {
    // The same moments as the quick save's keys: the story waits for a click or a choice, and no
    // movie, screen, backlog view, dialog, menu, skip mode or load is in the way.
    return QuickKeysAllowed(e);
}

void Rollback(Engine& e) {
    if (!RollbackAllowed(e)) {
        return;
    }
    RollbackRecord target;
    if (!e.rollback.StepBack(e.scenario.ReadPos, target)) {
        return;
    }
    RollbackRoom room(e);
    room.TraceStep(e.rollback.Steps(), target.linePosition);
    room.Restore(target);
}

void ForgetRollback(Engine& e) {
    e.rollback.Clear();
}

}  // namespace textreel
