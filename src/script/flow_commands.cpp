// Jumps: `jmp` to a label with an optional return label, and `returnto` back to it.
#include <cstring>
#include <string>

#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace textreel {

namespace {

// A label that cannot be found ends the game after showing what was looked for: the scenario
// cannot go on from a place that does not exist.
void FlowError(Engine& e, const std::string& shown) {
    e.Warn(shown);
    e.RequestClose();
}

}  // namespace

void CmdJmp(Engine& e, const char* line, int) {
    e.text.TextCursor.Set(e.text.TextOrigin);
    const char* blank = FindTextMb(line, " ");
    const char* label = blank == nullptr ? line + std::strlen(line) : blank + 1;
    size_t length = std::strcspn(label, " ");
    if (length > static_cast<size_t>(kLabelPatternMax - 1)) {
        length = kLabelPatternMax - 1;
    }
    std::string pattern = ":" + std::string(label, length);
    if (!e.scenario.SeekLabel(pattern)) {
        FlowError(e, ":" + std::string(label));
        return;
    }
    if (const char* ret = FindText(line, "return ")) {
        std::string returnLabel = ":" + std::string(ret + 7);
        e.flags.SetText(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize, returnLabel);
    }
}

void CmdReturnTo(Engine& e, const char* line, int) {
    std::string returnLabel(e.flags.Text(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize));
    if (returnLabel.empty()) {
        return;
    }
    e.text.TextCursor.Set(e.text.TextOrigin);
    if (!e.scenario.SeekLabel(returnLabel)) {
        FlowError(e, line);
        return;
    }
    e.flags.SetText(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize, "");
}

}  // namespace textreel
