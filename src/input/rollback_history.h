// The rollback history: the engine's state at each of the last wait points the story reached, so
// that BackSpace can take the player back one wait at a time and show the page exactly as it was.
// A record holds what the scenario's commands had set there (flags and points, pictures, text and
// picture settings, the menu on the screen, the music) and where the script thread waited, so that
// going back runs no command again.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/surface.h"
#include "script/flag_block.h"
#include "script/menu_table.h"

namespace textreel {

// A whole-screen picture kept by a record: shared with the engine's pictures when it is one of
// them, otherwise packed as its difference from a base picture the record also keeps.
struct KeptPicture {
    Surface shared;               // the picture itself when it costs nothing to keep
    std::vector<uint8_t> packed;  // else its bytes XOR the base picture's, deflated
    int width = 0;
    int height = 0;
};

// What a streamer played at the wait.
struct KeptStream {
    std::string name;
    bool playing = false;
    int32_t playOnce = 0;
};

struct RollbackRecord {
    // The FlagBlock at the wait; its saved position is the read position there and its BGM field
    // the music that played.
    FlagBlock block;
    // BacklogNext at the wait: the lines shown after it leave the backlog on the way back.
    int32_t backlogNext = 0;
    // A position on the scenario line that waits (the wait code's line, or the menu command's).
    uint32_t linePosition = 0;

    // Where the script thread waited: the wait code of the line ("$C" 0, "$X" 1, "$P" 2, "$W" 3),
    // or kChoiceWait for a choice menu of menuKind ("selarea", "selword", "flagselect").
    static constexpr int32_t kChoiceWait = -1;
    int32_t waitCode = 0;
    std::string menuKind;
    MenuTable::Contents menu;

    // The pictures; the screen is packed against the window layer.
    Surface back;
    Surface windowLayer;
    Surface cleanBackground;
    Surface buttonStrip;
    Surface waitIconSurface;
    Surface work;
    Surface buttonParts;
    Surface waitIcon;
    KeptPicture screen;

    // The picture settings.
    int32_t brightness = 0;
    int32_t spriteAlpha = 0;
    int32_t alphaDepth = 0;
    int32_t effectNumber = 0;
    std::string maskName;

    // The text state: origin, cursor and line end (x, y); the message area (left, top, right,
    // bottom) and its limits; the font.
    int32_t textOrigin[2] = {};
    int32_t textCursor[2] = {};
    int32_t lineEndCursor[2] = {};
    int32_t area[4] = {};
    int32_t wrapLimit = 0;
    int32_t pageLimit = 0;
    int32_t fontSize = 0;
    uint32_t fontColor = 0;

    // The message window's flags and the sync clock.
    int32_t messageDrawn = 0;
    int32_t messageVisible = 0;
    int32_t newPagePending = 0;
    int32_t messageWindowOpen = 0;
    int64_t syncStart = 0;

    // The music, the voice, the wave music and the CD track.
    KeptStream music;
    KeptStream voice;
    KeptStream waveMusic;
    int32_t cdTrack = 0;
    bool cdPlaying = false;

    uint32_t Position() const { return block.U32(FlagBlock::kSavedPosition); }

    // The memory the record takes besides the pictures it shares.
    size_t Bytes() const {
        size_t bytes = sizeof(RollbackRecord) + screen.packed.capacity() + menuKind.capacity() +
                       maskName.capacity() + music.name.capacity() + voice.name.capacity() +
                       waveMusic.name.capacity();
        for (const MenuEntry& m : menu.entries) {
            bytes += sizeof(MenuEntry) + m.label.capacity();
        }
        for (const std::string& s : menu.spoken) {
            bytes += sizeof(std::string) + s.capacity();
        }
        return bytes;
    }
};

class RollbackHistory {
  public:
    // How far back the player may go: the wait the story stands at and this many before it.
    static constexpr int kMaxSteps = 100;

    // The story has reached a wait: its record becomes the newest; the oldest beyond the limit is
    // dropped. The steps taken back start again from here.
    void Push(RollbackRecord record) {
        std::lock_guard lock(mutex_);
        records_.push_back(std::move(record));
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

    // The newest record (the target of the step back under way), for the script thread to take up
    // its wait; false when there is none.
    bool Newest(RollbackRecord& out) {
        std::lock_guard lock(mutex_);
        if (records_.empty()) {
            return false;
        }
        out = records_.back();
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

    // The memory the records take besides the pictures they share with the engine and each other.
    size_t RecordBytes() {
        std::lock_guard lock(mutex_);
        size_t bytes = 0;
        for (const RollbackRecord& r : records_) {
            bytes += r.Bytes();
        }
        return bytes;
    }

    // The memory of the distinct pictures the records keep (each counted once, however many
    // records or engine surfaces share it).
    size_t PictureBytes() {
        std::lock_guard lock(mutex_);
        std::vector<const uint8_t*> seen;
        size_t bytes = 0;
        auto count = [&](const Surface& s) {
            const uint8_t* p = s.ReadPixels();
            if (p != nullptr && std::find(seen.begin(), seen.end(), p) == seen.end()) {
                seen.push_back(p);
                bytes += s.ByteSize();
            }
        };
        for (const RollbackRecord& r : records_) {
            for (const Surface* s :
                 {&r.back, &r.windowLayer, &r.cleanBackground, &r.buttonStrip, &r.waitIconSurface, &r.work,
                  &r.buttonParts, &r.waitIcon, &r.screen.shared}) {
                count(*s);
            }
        }
        return bytes;
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
