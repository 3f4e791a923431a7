// Handlers whose subsystems are still being built; each does nothing yet.
#include "script/commands.h"

namespace textreel {

void CmdImgblt(Engine&, const char*, int) {}
void CmdCcblt(Engine&, const char*, int) {}
void CmdBlt(Engine&, const char*, int) {}
void CmdFill(Engine&, const char*, int) {}
void CmdSprite(Engine&, const char*, int) {}
void CmdBrightness(Engine&, const char*, int) {}
void CmdSprAlpha(Engine&, const char*, int) {}
void CmdAlphaDepth(Engine&, const char*, int) {}

}  // namespace textreel
