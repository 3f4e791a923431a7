// The save folder: "save" in the title's folder, or the user's data folder for titles installed
// where that cannot be made (a read-only disc, a system folder).
#pragma once

#include <string>
#include <string_view>

namespace textreel {

// The instance name (Shift-JIS) as one folder name: letters, digits, "-", "_", "." and the
// characters of other scripts stay readable (in UTF-8); every other byte is written as "%" and two
// hexadecimal digits, so that two names never share a folder and none climbs out of its parent.
std::string SafeFolderName(std::string_view instanceNameSjis);

}  // namespace textreel
