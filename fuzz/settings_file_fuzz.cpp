// Feeds arbitrary bytes to the reader of save/textreel.cfg; a file written back reads the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "access/access_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    textreel::SettingsFile file = textreel::SettingsFile::Parse(text);
    const std::string speech = file.Get("speech", "none");
    file.Set("speech", "on");
    textreel::SettingsFile again = textreel::SettingsFile::Parse(file.Format());
    if (size <= textreel::SettingsFile::kMaxBytes - 16 && again.Get("speech") != "on") {
        __builtin_trap();
    }
    (void)speech;
    return 0;
}
