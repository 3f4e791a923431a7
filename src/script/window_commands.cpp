// The message window switches: `windowopen` loads the wait icon and the button parts and lets the
// picture commands compose the window; `windowclose` stops that.
#include "graphics/bmp_reader.h"
#include "platform/files.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {

constexpr char kWaitIcon[] = "cg\\menu\\waiticon.bmp";
constexpr char kButtonParts[] = "cg\\menu\\btnprts.bmp";
constexpr size_t kWaitIconBytes = 12288;
constexpr size_t kButtonPartsBytes = 640 * 22 * 12;

// Loads a user-interface part into target; on failure shows missingText (or the allocation
// message) and leaves target as it was.
void LoadPart(Engine& e, const char* name, size_t bytes, const char* missingText, Surface& target) {
    BmpPicture picture;
    auto path = e.ResolvePath(name);
    BmpResult result = path ? ReadBmp(*path, bytes, picture) : BmpResult::kMissing;
    if (result == BmpResult::kOk) {
        std::lock_guard lock(e.graphics.ScreenLock);
        target = std::move(picture.pixels);
        return;
    }
    e.Warn(result == BmpResult::kNoMemory ? msg::kAllocateError : missingText);
}

}  // namespace

void CmdWindowOpen(Engine& e, const char*, int) {
    LoadPart(e, kWaitIcon, kWaitIconBytes, kWaitIcon, e.graphics.waitIcon);
    LoadPart(e, kButtonParts, kButtonPartsBytes, msg::kLossParts, e.graphics.buttonParts);
    e.MessageWindowOpen = 1;
}

void CmdWindowClose(Engine& e, const char*, int) {
    e.MessageWindowOpen = 0;
}

}  // namespace textreel
