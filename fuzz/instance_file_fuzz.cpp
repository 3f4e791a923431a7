// Feeds arbitrary bytes to the instance-file reader, and the same bytes to the other small text
// readers of a title: the textreel.ini reader and the row breaker of a UTF-8 or Shift-JIS line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/instance_file.h"
#include "shell/title_settings.h"
#include "text/line_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    textreel::InstanceConfig config = textreel::ParseInstanceFile(bytes);
    if (config.instanceName.size() > textreel::InstanceConfig::kInstanceNameMax ||
        config.windowName.size() > textreel::InstanceConfig::kWindowNameMax) {
        __builtin_trap();
    }
    std::vector<textreel::SettingsProblem> problems;
    textreel::TitleSettings settings = textreel::ParseTitleSettings(bytes, problems);
    if (settings.latinFont.size() > textreel::TitleSettings::kMaxFontNameBytes) {
        __builtin_trap();
    }
    const int length = static_cast<int>(size > 2048 ? 2048 : size);
    for (auto encoding : {textreel::TextEncoding::kShiftJis, textreel::TextEncoding::kUtf8}) {
        std::vector<textreel::LineChar> chars;
        textreel::SplitLine(data, length, encoding, chars);
        size_t covered = 0;
        for (textreel::LineChar& c : chars) {
            if (c.offset < 0 || c.length < 1 || c.offset + c.length > length) {
                __builtin_trap();
            }
            covered += static_cast<size_t>(c.length);
            c.advance = c.halfWidth ? 10 : 20;
        }
        if (covered > static_cast<size_t>(length)) {
            __builtin_trap();
        }
        textreel::RowBreaking how;
        how.mode = textreel::WrapMode::kWords;
        std::vector<textreel::CharPlace> places;
        textreel::BreakRows(chars, how, places);
        std::vector<std::string> rows = textreel::RowTexts(data, chars, places);
        if (rows.size() > chars.size() + 1) {
            __builtin_trap();
        }
    }
    return 0;
}
