// The argument reading of the commands that keep values in FlagBlock (`statetitle`, `statusctrl`,
// `statuswindow`) and the address rule of `URLOpen`, with any line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/headless/headless_platform.h"
#include "script/address_rule.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace {

textreel::Engine& FuzzEngine() {
    using namespace textreel;
    static HeadlessPlatform platform;
    // Kept for the whole run: the engine outlives every input.
    static Engine* engine = new Engine(platform);
    return *engine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace textreel;
    Engine& e = FuzzEngine();
    // A scenario line holds at most 1023 bytes and ends at its first zero byte.
    std::string line(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1023));
    line.resize(std::strlen(line.c_str()));
    const int length = static_cast<int>(line.size());
    CmdStateTitle(e, line.c_str(), length);
    if (e.flags.Text(FlagBlock::kTitle, FlagBlock::kTitleSize).size() >= FlagBlock::kTitleSize) {
        __builtin_trap();
    }
    CmdStatusCtrl(e, line.c_str(), length);
    CmdStatusWindow(e, line.c_str(), length);
    const char* reason = AddressRefusal(line);
    // An address handed on never holds a blank or a control character.
    if (reason == nullptr && std::any_of(line.begin(), line.end(), [](char c) {
            return static_cast<uint8_t>(c) <= 0x20 || static_cast<uint8_t>(c) == 0x7F;
        })) {
        __builtin_trap();
    }
    return 0;
}
