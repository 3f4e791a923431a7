// The script commands that choose the transition and play the screen effects.
#include "graphics/transitions.h"
#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace textreel {

void CmdEffect(Engine& e, const char* line, int) {
    e.graphics.effectNumber = NumberAfterBlank(line);
}

// The mask name is kept relative to the title's folder, which is the working directory.
void CmdMaskEfct(Engine& e, const char* line, int) {
    e.graphics.maskName = TextAfterBlank(line);
    e.graphics.effectNumber = 21;
}

void CmdSubef(Engine& e, const char* line, int) {
    ScreenEffect(e, NumberAfterBlank(line));
}

}  // namespace textreel
