// FlagBlock: the 1424-byte game-state record that a save file stores verbatim. Integers are
// little-endian; the layout below is the file format.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/little_endian.h"

namespace textreel {

class FlagBlock {
  public:
    static constexpr size_t kSize = 1424;

    static constexpr size_t kSavedPosition = 0;  // 4: ReadPos at the moment of saving
    static constexpr size_t kCells = 4;          // 32-bit cells: EventFlag[i] is cell i
    static constexpr int kEventFlagCount = 40;   // PointCounter[j] is cell 40 + j
    static constexpr size_t kPointCounters = 164;
    static constexpr size_t kStatusWindow = 244;        // PointCounter[20]
    static constexpr size_t kSpriteValues = 248;        // 2 x 4: PointCounter[21], [22]
    static constexpr size_t kBackgroundName = 256;      // 260
    static constexpr size_t kSpriteNames = 516;         // 2 x 260
    static constexpr size_t kSpriteActive = 1036;       // 2 x 1
    static constexpr size_t kBgmName = 1038;            // 260
    static constexpr size_t kPlayerName = 1298;         // 11
    static constexpr size_t kReturnLabel = 1309;        // 64
    static constexpr size_t kTitle = 1373;              // 50
    static constexpr size_t kBackgroundVariant = 1423;  // 1

    static constexpr size_t kNameSize = 260;
    static constexpr size_t kPlayerNameSize = 11;
    static constexpr size_t kReturnLabelSize = 64;
    static constexpr size_t kTitleSize = 50;

    // The cells the layout holds: event flags 0..39, point counters 0..22 (20 is the status window
    // flag, 21 and 22 the sprite values).
    static constexpr int kCellCount = 63;

    static_assert(kCells + 4 * kEventFlagCount == kPointCounters);
    static_assert(kPointCounters + 4 * 20 == kStatusWindow);
    static_assert(kStatusWindow + 4 == kSpriteValues);
    static_assert(kSpriteValues + 8 == kBackgroundName);
    static_assert(kBackgroundName + kNameSize == kSpriteNames);
    static_assert(kSpriteNames + 2 * kNameSize == kSpriteActive);
    static_assert(kSpriteActive + 2 == kBgmName);
    static_assert(kBgmName + kNameSize == kPlayerName);
    static_assert(kPlayerName + kPlayerNameSize == kReturnLabel);
    static_assert(kReturnLabel + kReturnLabelSize == kTitle);
    static_assert(kTitle + kTitleSize == kBackgroundVariant);
    static_assert(kBackgroundVariant + 1 == kSize);
    static_assert(kCells + 4 * kCellCount == kBackgroundName);

    void Clear() { bytes.fill(0); }

    uint32_t U32(size_t offset) const { return ReadLe32(bytes.data() + offset); }
    void SetU32(size_t offset, uint32_t value) { WriteLe32(bytes.data() + offset, value); }

    static bool ValidCell(int64_t index) { return index >= 0 && index < kCellCount; }
    // Cells outside the layout read as 0 and are never written.
    int32_t Cell(int64_t index) const {
        return ValidCell(index) ? static_cast<int32_t>(U32(kCells + 4 * static_cast<size_t>(index))) : 0;
    }
    void SetCell(int64_t index, int32_t value) {
        if (ValidCell(index)) {
            SetU32(kCells + 4 * static_cast<size_t>(index), static_cast<uint32_t>(value));
        }
    }
    int32_t EventFlag(int64_t i) const { return Cell(i); }
    void SetEventFlag(int64_t i, int32_t v) { SetCell(i, v); }
    int32_t PointCounter(int64_t j) const { return j < 0 ? 0 : Cell(kEventFlagCount + j); }
    void SetPointCounter(int64_t j, int32_t v) {
        if (j >= 0) {
            SetCell(kEventFlagCount + j, v);
        }
    }

    // A zero-terminated text field: the bytes up to the first zero, never more than the field.
    std::string_view Text(size_t offset, size_t size) const {
        const char* p = reinterpret_cast<const char*>(bytes.data() + offset);
        size_t n = 0;
        while (n < size && p[n] != '\0') {
            ++n;
        }
        return std::string_view(p, n);
    }
    // Clears the field, then stores at most size - 1 bytes of text and a zero byte.
    void SetText(size_t offset, size_t size, std::string_view text) {
        std::memset(bytes.data() + offset, 0, size);
        size_t n = text.size() < size ? text.size() : size - 1;
        if (n > 0) {  // an empty view may have no data at all
            std::memcpy(bytes.data() + offset, text.data(), n);
        }
    }

    std::string_view PlayerName() const { return Text(kPlayerName, kPlayerNameSize); }

    std::array<uint8_t, kSize> bytes{};
};

}  // namespace textreel
