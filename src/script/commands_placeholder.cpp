// Handlers whose subsystems are still being built; each does nothing yet.
#include "script/commands.h"

namespace textreel {

void CmdEffect(Engine&, const char*, int) {}
void CmdMaskEfct(Engine&, const char*, int) {}
void CmdSubef(Engine&, const char*, int) {}
void CmdSetFontSize(Engine&, const char*, int) {}
void CmdSetFontColor(Engine&, const char*, int) {}

}  // namespace textreel
