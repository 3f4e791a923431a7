// Jumps: `jmp` to a label with an optional return label, `returnto` back to it, and the jump of the
// judge commands.
#include <cstring>
#include <string>

#include "script/byte_text.h"
#include "script/commands.h"
#include "script/flow.h"
#include "shell/engine.h"

namespace textreel {

void TraceJump(Engine& e, std::string_view pattern) {
    if (!e.trace.Enabled()) {
        return;
    }
    std::string_view name = pattern.empty() || pattern.front() != ':' ? pattern : pattern.substr(1);
    e.trace.Jump(e.Title(name).ToUtf8());
}

void FlowError(Engine& e, const std::string& shown) {
    e.Warn(e.Title(shown));
    e.RequestClose();
}

void JudgeJump(Engine& e, const char* label) {
    std::string pattern = ":" + std::string(label);
    if (!e.scenario.SeekLabel(pattern)) {
        FlowError(e, pattern);
        return;
    }
    TraceJump(e, pattern);
}

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
    TraceJump(e, pattern);
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
    TraceJump(e, returnLabel);
    e.flags.SetText(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize, "");
}

}  // namespace textreel
