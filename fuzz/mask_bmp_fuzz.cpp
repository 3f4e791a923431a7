// The mask reader of the mask fade on arbitrary files and screen sizes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/transitions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const int width = 4 * (data[0] % 32);
    const int height = data[1] % 64;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> file(data + 2, data + size);
    std::vector<uint8_t> levels;
    if (textreel::ReadMaskLevels(file, width, height, stride, levels) &&
        levels.size() != static_cast<size_t>(stride) * height) {
        __builtin_trap();
    }
    return 0;
}
