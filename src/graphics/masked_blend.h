// The software blend of masked pictures: a picture twice as wide as what it draws, colours in the
// left half and the mask in the right half, laid over a 24-bit pixel buffer with an opacity.
#pragma once

#include <cstdint>

#include "graphics/surface.h"

namespace textreel {

// Blends the masked picture in source (sourceWidth x sourceHeight, its left sourceWidth / 2 columns
// the colours and the columns from sourceWidth / 2 on the mask) over destination, with the top-left
// of the drawn picture at (x, y) in top-down destination coordinates. Both arrays are 24-bit
// blue-green-red, rows bottom-up, each row RowStride(width) bytes.
//
// A mask pixel with any byte at 255 leaves the destination alone; otherwise the mask's blue byte
// gives the cover a = ((255 - blue) * opacity) >> 8 and each channel becomes
// (colour * a + destination * (255 - a)) >> 8. Opacity is taken in 0..255; values outside are
// clamped, as a larger or negative weight would only wrap the channels around. Pixels that fall
// outside the destination are skipped, and sizes below 1 draw nothing. Destination and source may
// overlap; the blend then runs pixel by pixel in row order.
void BlendMaskedPicture(uint8_t* destination, int destinationWidth, int destinationHeight, int x, int y,
                        const uint8_t* source, int sourceWidth, int sourceHeight, int opacity);

void BlendMaskedPicture(Surface& destination, int x, int y, const Surface& source, int opacity);

}  // namespace textreel
