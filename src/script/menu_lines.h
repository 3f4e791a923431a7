// The item lines of the choice menus, cut into their fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/menu_table.h"
#include "shell/title_settings.h"

namespace textreel {

struct MenuItemLine {
    MenuEntry entry;   // the rectangle and the label (at most 63 bytes)
    int32_t flag = 0;  // 0: always shown
    std::string text;  // `selword`: the button's text, at most 47 bytes
};

// The longest label and `selword` text an item keeps; longer ones are cut.
constexpr size_t kMenuLabelMax = 63;
constexpr size_t kMenuTextMax = 47;

// An area item, "(left,top,right,bottom,label,flag)": the four edges and the flag 1 to 4
// characters each. The flag ends at ")" (`selarea`) or at a comma (`flagselect`, flagEndsAtComma).
// An empty line is an item with all edges 0 and no label. False for a malformed line.
bool ParseAreaItem(std::string_view line, bool flagEndsAtComma, TextEncoding encoding, MenuItemLine& out);

// A `selword` item, "(label,flag,text)": the flag 1 to 4 characters, the text up to ")" (or the
// line's end). Labels and texts are cut on a whole character of the title's encoding. False for a line
// without "(" or with a flag of the wrong length.
bool ParseWordItem(std::string_view line, TextEncoding encoding, MenuItemLine& out);

// Cuts the title's text to at most max bytes without splitting a character of its encoding.
std::string CutText(std::string_view text, size_t max, TextEncoding encoding);

}  // namespace textreel
