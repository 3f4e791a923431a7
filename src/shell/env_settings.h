// EnvSettings, the live 64-byte settings record that heads env.dat, and PersistentFlags, the
// seen-picture and record flags kept across plays.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace textreel {

// PersistentFlags: bytes 0..20 picture-seen flags, byte 23 + n record flag n. Bytes 21..23 are not
// stored in env.dat.
class PersistentFlags {
  public:
    static constexpr int kSize = 43;
    static constexpr int kPictureFlags = 21;
    static constexpr int kRecordBase = 23;
    static constexpr int kRecordFlagCount = 20;  // record flags 0..19

    uint8_t Get(int index) const { return index >= 0 && index < kSize ? bytes_[index].load() : 0; }
    void Set(int index, uint8_t value) {
        if (index >= 0 && index < kSize) {
            bytes_[index] = value;
        }
    }
    void Clear() {
        for (auto& b : bytes_) {
            b = 0;
        }
    }

  private:
    std::array<std::atomic<uint8_t>, kSize> bytes_{};
};

class EnvSettings {
  public:
    static constexpr int kSize = 64;
    // Byte offsets of the record as it stands in env.dat (all integers little-endian).
    static constexpr int kSpeedMs = 0;        // 4
    static constexpr int kWindowed = 4;       // 4
    static constexpr int kScreenEffects = 8;  // 4
    static constexpr int kSeVolume = 12;      // 2
    static constexpr int kBgmVolume = 14;     // 2
    static constexpr int kPictureFlags = 16;  // 21: PersistentFlags 0..20
    static constexpr int kReserved1 = 37;     // 1
    static constexpr int kRecordFlags = 38;   // 19: PersistentFlags 24..42
    static constexpr int kReserved2 = 57;     // 3
    static constexpr int kForcedSkip = 60;    // 4
    static_assert(kPictureFlags + 21 == kReserved1 && kReserved1 + 1 == kRecordFlags);
    static_assert(kRecordFlags + 19 == kReserved2 && kReserved2 + 3 == kForcedSkip &&
                  kForcedSkip + 4 == kSize);

    std::atomic<int32_t> SpeedMs{0};
    std::atomic<int32_t> windowed{0};
    std::atomic<int32_t> screenEffects{0};
    std::atomic<int16_t> seVolume{0};
    std::atomic<int16_t> bgmVolume{0};
    std::atomic<int32_t> ForcedSkip{0};

    // The values used when there is no env.dat.
    void ApplyDefaults();

    // The settings as the engine uses them. env.dat may be damaged or made by hand; its fields keep
    // their bytes (until the next write) and are brought into range where they are used.
    static constexpr int32_t kMaxSpeedMs = 10000;
    int32_t SpeedInUse() const { return Clamp(SpeedMs, 0, kMaxSpeedMs); }
    int32_t SeVolumeInUse() const { return Clamp(seVolume, 0, 100); }
    int32_t BgmVolumeInUse() const { return Clamp(bgmVolume, 0, 100); }
    bool WindowedInUse() const { return Clamp(windowed, 0, 1) != 0; }
    bool ScreenEffectsInUse() const { return Clamp(screenEffects, 0, 1) != 0; }
    bool ForcedSkipInUse() const { return Clamp(ForcedSkip, 0, 1) != 0; }

    // The record as stored: the fields, the stored part of flags, and the reserved bytes as they
    // were read.
    std::array<uint8_t, kSize> ToBytes(const PersistentFlags& flags) const;
    // Takes the fields and the reserved bytes from a stored record, and the stored flags into flags.
    void FromBytes(const std::array<uint8_t, kSize>& bytes, PersistentFlags& flags);

  private:
    static int32_t Clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : v > high ? high : v; }

    std::array<uint8_t, kSize> reserved_{};  // the bytes of the last record read, for its reserved parts
};

}  // namespace textreel
