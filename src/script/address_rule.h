// Which addresses `URLOpen` may hand to the desktop: web pages and mail only, never a program or a
// file on this computer.
#pragma once

#include <string>
#include <string_view>

namespace textreel {

// Null when the address (as the scenario wrote it, trailing blanks cut) may be opened; otherwise why
// it is refused.
const char* AddressRefusal(std::string_view address);

// The address as it is handed to the desktop: a mail address keeps only its `subject` and `body`
// fields (an `attach`, `cc` or other field could mail a file or reach others); any other address
// is kept as it is.
std::string AddressForDesktop(std::string_view address);

}  // namespace textreel
