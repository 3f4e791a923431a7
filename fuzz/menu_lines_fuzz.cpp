// Feeds arbitrary lines to the readers of menu item lines and of the flag commands' number fields:
// the cut labels and texts stay within their limits, the field offsets within the line, and the
// numbers reach FlagBlock only through its guarded cells.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "script/flag_block.h"
#include "script/flag_fields.h"
#include "script/menu_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The line as the reader hands it over: at most 1023 bytes, ending at its first zero byte.
    std::string line(reinterpret_cast<const char*>(data), size < 1023 ? size : 1023);
    line = std::string(line.c_str());

    for (bool flagEndsAtComma : {false, true}) {
        textreel::MenuItemLine item;
        if (textreel::ParseAreaItem(line, flagEndsAtComma, textreel::TextEncoding::kShiftJis, item) &&
            item.entry.label.size() > textreel::kMenuLabelMax) {
            __builtin_trap();
        }
    }
    textreel::MenuItemLine word;
    if (textreel::ParseWordItem(line, textreel::TextEncoding::kShiftJis, word) &&
        (word.entry.label.size() > textreel::kMenuLabelMax || word.text.size() > textreel::kMenuTextMax)) {
        __builtin_trap();
    }

    textreel::FlagBlock flags;
    const size_t offsets[][2] = {{textreel::kEventJudgeFirst, textreel::kEventJudgeFirst},
                                 {textreel::kPointFlagFirst, textreel::kPointFlagLastEnd},
                                 {textreel::kPointJudgeFirst, textreel::kPointJudgeLastEnd},
                                 {textreel::kRandomFirst, textreel::kRandomLastEnd}};
    for (const auto& o : offsets) {
        textreel::NumberFields f = textreel::CutNumberFields(line.c_str(), o[0], o[1]);
        if (f.afterFirst > line.size() || f.afterSecond > line.size()) {
            __builtin_trap();
        }
        flags.SetEventFlag(f.first, f.second);
        flags.SetPointCounter(f.first, f.second);
        flags.SetEventFlag(f.second, 1);
        flags.SetPointCounter(f.second, f.first);
        (void)flags.EventFlag(f.first);
        (void)flags.PointCounter(f.second);
    }
    return 0;
}
