#include "shell/env_settings.h"

#include "platform/little_endian.h"

namespace textreel {

namespace {
void Put32(std::array<uint8_t, EnvSettings::kSize>& b, int at, int32_t v) {
    WriteLe32(b.data() + at, static_cast<uint32_t>(v));
}
void Put16(std::array<uint8_t, EnvSettings::kSize>& b, int at, int16_t v) {
    WriteLe16(b.data() + at, static_cast<uint16_t>(v));
}
int32_t Get32(const std::array<uint8_t, EnvSettings::kSize>& b, int at) {
    return static_cast<int32_t>(ReadLe32(b.data() + at));
}
int16_t Get16(const std::array<uint8_t, EnvSettings::kSize>& b, int at) {
    return static_cast<int16_t>(ReadLe16(b.data() + at));
}
}  // namespace

void EnvSettings::ApplyDefaults() {
    SpeedMs = 1;
    windowed = 1;
    screenEffects = 1;
    seVolume = 100;
    bgmVolume = 75;
    ForcedSkip = 0;
}

std::array<uint8_t, EnvSettings::kSize> EnvSettings::ToBytes(const PersistentFlags& flags) const {
    std::array<uint8_t, kSize> b = reserved_;
    Put32(b, kSpeedMs, SpeedMs);
    Put32(b, kWindowed, windowed);
    Put32(b, kScreenEffects, screenEffects);
    Put16(b, kSeVolume, seVolume);
    Put16(b, kBgmVolume, bgmVolume);
    for (int i = 0; i < 21; ++i) {
        b[kPictureFlags + i] = flags.Get(i);
    }
    for (int i = 0; i < 19; ++i) {
        b[kRecordFlags + i] = flags.Get(24 + i);
    }
    Put32(b, kForcedSkip, ForcedSkip);
    return b;
}

void EnvSettings::FromBytes(const std::array<uint8_t, kSize>& bytes, PersistentFlags& flags) {
    reserved_ = bytes;
    SpeedMs = Get32(bytes, kSpeedMs);
    windowed = Get32(bytes, kWindowed);
    screenEffects = Get32(bytes, kScreenEffects);
    seVolume = Get16(bytes, kSeVolume);
    bgmVolume = Get16(bytes, kBgmVolume);
    for (int i = 0; i < 21; ++i) {
        flags.Set(i, bytes[kPictureFlags + i]);
    }
    for (int i = 0; i < 19; ++i) {
        flags.Set(24 + i, bytes[kRecordFlags + i]);
    }
    ForcedSkip = Get32(bytes, kForcedSkip);
}

}  // namespace textreel
