// `name_entry` and `openCCDlg`: the script thread opens a modal dialog and waits until the player
// closes it; the dialogs store their results in FlagBlock.
#include "script/commands.h"
#include "shell/dialogs.h"

namespace textreel {

void CmdNameEntry(Engine& e, const char*, int) {
    RunNameEntry(e);
}

void CmdOpenCCDlg(Engine& e, const char*, int) {
    RunColourSelection(e);
}

}  // namespace textreel
