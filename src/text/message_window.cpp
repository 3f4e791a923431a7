#include "text/message_window.h"

#include "shell/engine.h"

namespace textreel {

int OutputTextLine(Engine& e, const char*, int) {
    e.MessageDrawn = 1;
    e.MessageVisible = 1;
    return 1;
}

void WaitIconStep(Engine&) {}

int BacklogStep(Engine&, int) {
    return 0;
}

void LeaveBacklogView(Engine& e) {
    e.UiState = 0;
    e.WaitIconOn = 1;
}

int ShowLogo(Engine&) {
    return 1;
}

}  // namespace textreel
