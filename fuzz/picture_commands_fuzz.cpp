// The argument reading of the picture commands that need no file: `blt` with any six values (and
// any text where they should be) over a small screen, `fill` with any words, and the picture
// number of any name.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/picture_commands.h"
#include "graphics/screen.h"
#include "platform/headless/headless_platform.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace {

textreel::Engine& FuzzEngine() {
    using namespace textreel;
    static HeadlessPlatform platform;
    // Kept for the whole run: the engine outlives every input.
    static Engine* engine = [] {
        auto* e = new Engine(platform);
        e->instance = DefaultInstanceConfig();
        e->instance.windowWidth = 64;
        e->instance.windowHeight = 48;
        e->env.ApplyDefaults();
        platform.OpenWindow("fuzz", 64, 48);
        CreateGraphics(*e);
        e->graphics.effectNumber = 1;
        return e;
    }();
    return *engine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace textreel;
    Engine& e = FuzzEngine();
    // A scenario line holds at most 1023 bytes and ends at its first zero byte.
    const std::string line(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1023));
    CmdBlt(e, line.c_str(), static_cast<int>(line.size()));
    if (size > 0 && (data[0] & 1) != 0) {
        CmdFill(e, line.c_str(), static_cast<int>(line.size()));
    }
    const int index = SeenPictureIndex(std::string_view(reinterpret_cast<const char*>(data), size));
    if (index < -1 || index > 20) {
        __builtin_trap();
    }
    return 0;
}
