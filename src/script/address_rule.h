// Which addresses `URLOpen` may hand to the desktop: web pages and mail only, never a program or a
// file on this computer.
#pragma once

#include <string_view>

namespace textreel {

// Null when the address (as the scenario wrote it, trailing blanks cut) may be opened; otherwise why
// it is refused.
const char* AddressRefusal(std::string_view address);

}  // namespace textreel
