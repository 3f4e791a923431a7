// The instance file (*.ist): the per-title configuration, read once at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace textreel {

struct InstanceConfig {
    static constexpr size_t kInstanceNameMax = 63;
    static constexpr size_t kWindowNameMax = 127;
    static constexpr size_t kShortValueMax = 9;

    std::string instanceName;  // Shift-JIS, at most 63 bytes
    std::string windowName;    // Shift-JIS, at most 127 bytes
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    int32_t gameType = 0;
    bool cdMusic = false;
    bool fromFile = false;  // an instance file was found and read
};

// The values used for every key the file does not hold; also the whole configuration when a title
// has no instance file at all.
InstanceConfig DefaultInstanceConfig();

// Reads the keys out of the file's bytes. Each key is found by the first occurrence of its text
// (equals sign included) anywhere in the file, never starting on the second byte of a two-byte
// character; the byte after the equals sign is skipped and the value runs to the next double quote
// (or the end of the file). Values longer than their fields are cut.
InstanceConfig ParseInstanceFile(const std::vector<uint8_t>& bytes);

// The configuration of the title in the current directory: the file named chosen (an instance file
// given on the command line) or, when chosen is empty, the first "*.ist" file in name order, read
// and parsed; the defaults when there is none or it cannot be read. fileName (when given) receives
// the file's name, or stays empty. A first "*.ist" that is a link out of the folder, a FIFO or a
// device is refused as every file a title names is (see files::FindFirstWithExtension); *refusal
// then says why.
InstanceConfig ReadInstanceConfig(std::string* fileName = nullptr, const std::string& chosen = {},
                                  files::Refusal* refusal = nullptr);

}  // namespace textreel
