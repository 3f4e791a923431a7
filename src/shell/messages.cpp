#include "shell/messages.h"

#include "platform/encoding.h"

namespace textreel {

std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

}  // namespace textreel
