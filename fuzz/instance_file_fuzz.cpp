// Feeds arbitrary bytes to the instance-file reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell/instance_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    textreel::InstanceConfig config = textreel::ParseInstanceFile(bytes);
    if (config.instanceName.size() > textreel::InstanceConfig::kInstanceNameMax ||
        config.windowName.size() > textreel::InstanceConfig::kWindowNameMax) {
        __builtin_trap();
    }
    return 0;
}
