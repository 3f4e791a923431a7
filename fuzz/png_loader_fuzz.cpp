// PNG decoding of arbitrary bytes, then the conversion of a decoded picture onto an 800 x 600
// screen and into a sprite surface.
#include <cstddef>
#include <cstdint>

#include "graphics/masked_blend.h"
#include "graphics/png_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace textreel;
    DecodedPng picture;
    if (DecodePng(data, size, picture) != PngResult::kOk) {
        return 0;
    }
    static Surface screen(800, 600);
    ConvertToScreen(picture, screen);
    const Surface sprite = ToSurface(picture);
    BlendMaskedPicture(screen, 100, 600 - sprite.Height(), sprite, 255);
    return 0;
}
