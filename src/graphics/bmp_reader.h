// The reader of the uncompressed BMP files that hold the user-interface parts (button parts, wait
// icon, window frame, choice-menu bar). Their pixel rows are used as they are in the file: 24-bit
// blue-green-red, bottom-up, each row padded to 4 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/surface.h"

namespace textreel {

struct BmpPicture {
    // The 44 bytes at file offset 14: the 40-byte bitmap information header and the 4 bytes after it.
    std::array<uint8_t, 44> header{};
    // The pixel rows, sized to the header's width and height, so that the picture can be handed to
    // BlendMaskedPicture as it is. Empty when the header declares a width or height below 1: such a
    // picture loads but draws nothing.
    Surface pixels;
};

enum class BmpResult { kOk, kMissing, kNoMemory, kInvalid };

// Takes byteCount pixel bytes from the pixel-data offset stored at file offset 10 (byteCount 0
// takes what the declared width and height need) and fills out from them. The file is rejected as
// kInvalid, and out left untouched, when it is too short for the 44 header bytes or for the bytes
// taken, when the declared width or height is beyond 16384, or when the declared picture needs more
// bytes than are taken. A header that declares a smaller picture than the bytes taken still loads;
// only the declared size is kept. Nothing else in the file is checked.
BmpResult ParseBmp(const uint8_t* data, size_t size, size_t byteCount, BmpPicture& out);

// Reads the file at realPath (already resolved) and parses it; kMissing when it cannot be read.
BmpResult ReadBmp(const std::string& realPath, size_t byteCount, BmpPicture& out);

}  // namespace textreel
