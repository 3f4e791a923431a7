// Feeds arbitrary bytes to the settings record of env.dat: every field read back is brought into
// range where it is used, and the record keeps the bytes it was given.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "shell/env_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using textreel::EnvSettings;
    textreel::PersistentFlags flags;
    EnvSettings env;
    env.ApplyDefaults();
    // As the start-up read does: a short file keeps the defaults for the bytes it lacks.
    std::array<uint8_t, EnvSettings::kSize> record = env.ToBytes(flags);
    std::memcpy(record.data(), data, std::min<size_t>(size, record.size()));
    env.FromBytes(record, flags);
    const int32_t speed = env.SpeedInUse();
    const int32_t se = env.SeVolumeInUse();
    const int32_t bgm = env.BgmVolumeInUse();
    if (speed < 0 || speed > EnvSettings::kMaxSpeedMs || se < 0 || se > 100 || bgm < 0 || bgm > 100) {
        __builtin_trap();
    }
    // Reading uses the values without changing them: the record written back is the one read.
    std::array<uint8_t, EnvSettings::kSize> again = env.ToBytes(flags);
    if (again != record) {
        __builtin_trap();
    }
    return 0;
}
