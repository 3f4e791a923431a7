// BMP parsing with each of the engine's byte counts, then blending the result as the message window
// does, over a 640 x 480 screen and partly off its edges.
#include <cstddef>
#include <cstdint>

#include "graphics/bmp_reader.h"
#include "graphics/masked_blend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace textreel;
    if (size < 1) {
        return 0;
    }
    // The button parts, the wait icon, and the pictures that take what their header declares.
    static constexpr size_t kByteCounts[] = {168960, 12288, 0};
    const size_t byteCount = kByteCounts[data[0] % 3];
    BmpPicture picture;
    if (ParseBmp(data + 1, size - 1, byteCount, picture) != BmpResult::kOk) {
        return 0;
    }
    static Surface screen(640, 480);
    BlendMaskedPicture(screen, 0, 0, picture.pixels, 255);
    BlendMaskedPicture(screen, -7, 478 - picture.pixels.Height() / 2, picture.pixels, 128);
    BlendMaskedPicture(screen, 640 - picture.pixels.Width() / 4, -3, picture.pixels, 255);
    return 0;
}
