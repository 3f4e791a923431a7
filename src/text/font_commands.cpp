// `setfontsize` and `setfontcolor`: the text font's size and colour from the next text line on.
#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace textreel {

void CmdSetFontSize(Engine& e, const char* line, int) {
    e.text.fontSize = NumberAfterBlank(line);
}

// The colour is the hexadecimal number right after "$setfontcolor " (byte offset 14), taken as
// 0x00BBGGRR. The line sits in a zero-filled buffer of 1024 bytes, so offset 14 is always inside it.
void CmdSetFontColor(Engine& e, const char* line, int) {
    e.text.fontColor = static_cast<uint32_t>(ReadHex(line + 14));
}

}  // namespace textreel
