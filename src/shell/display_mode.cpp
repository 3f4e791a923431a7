#include "shell/display_mode.h"

#include "shell/engine.h"

namespace textreel {

namespace {

void TraceDisplay(Engine& e) {
    DisplayInfo d = e.platform.Display();
    e.trace.Event("display", {{"mode", std::string(d.fullscreen ? "full-screen" : "window")},
                              {"scale", int64_t{d.scale}},
                              {"width", int64_t{d.outputWidth}},
                              {"height", int64_t{d.outputHeight}}});
}

}  // namespace

int SwitchDisplayMode(Engine& e, int target) {
    target &= 0xFF;
    if (e.env.windowed != 0) {
        if (target != 0) {
            return 0;
        }
        e.env.windowed = 0;
        e.platform.SetFullscreen(true);
    } else {
        if (target != 1) {
            return 0;
        }
        e.platform.SetFullscreen(false);
        e.env.windowed = 1;
    }
    TraceDisplay(e);
    return 1;
}

void ApplyStoredDisplayMode(Engine& e) {
    // The switch runs only towards the other mode, so the setting is inverted first. A damaged
    // value counts as what it is brought into range as.
    if (e.env.WindowedInUse()) {
        e.env.windowed = 0;
        SwitchDisplayMode(e, 1);
    } else {
        e.env.windowed = 1;
        SwitchDisplayMode(e, 0);
    }
}

void ToggleFullScreen(Engine& e) {
    SwitchDisplayMode(e, e.env.windowed != 0 ? 0 : 1);
    e.WriteEnvDat();
}

}  // namespace textreel
