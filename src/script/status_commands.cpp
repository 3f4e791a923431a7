// The commands that keep values in FlagBlock for the scenario and its saves (`statuswindow`,
// `statusctrl`, `statetitle`) and the two that are accepted and do nothing (`commandopen`,
// `stuffroll`).
#include <algorithm>
#include <string_view>

#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace textreel {

namespace {
// The status window flag is PointCounter[20]; `statusctrl` works on counters 2 and 4.
constexpr int kStatusWindowCounter = 20;
// `statetitle`: the title starts at this byte of the line (the blank after "$statetitle").
constexpr int kTitleStart = 11;
}  // namespace

void CmdStatusWindow(Engine& e, const char* line, int) {
    // Nothing draws from the flag: it travels with saved games and the scenario can test it.
    e.flags.SetPointCounter(kStatusWindowCounter, FindText(line, "OPEN") != nullptr ? 1 : 0);
}

void CmdCommandOpen(Engine&, const char*, int) {}

void CmdStatusCtrl(Engine& e, const char* line, int) {
    if (NumberAfterBlank(line) != 1) {
        return;
    }
    // Unsigned arithmetic: a scenario's large counters wrap as 32-bit values, without overflow.
    uint32_t value = static_cast<uint32_t>(e.flags.PointCounter(2)) +
                     static_cast<uint32_t>(e.flags.PointCounter(4)) * 20u + 50u;
    e.flags.SetPointCounter(2, static_cast<int32_t>(value));
}

void CmdStuffRoll(Engine&, const char*, int) {}

void CmdStateTitle(Engine& e, const char* line, int length) {
    std::string_view title;
    if (length > kTitleStart) {
        title = std::string_view(line + kTitleStart, static_cast<size_t>(length - kTitleStart));
        title = title.substr(0, std::min(title.find('\0'), FlagBlock::kTitleSize - 1));
    }
    e.flags.SetText(FlagBlock::kTitle, FlagBlock::kTitleSize, title);
}

}  // namespace textreel
