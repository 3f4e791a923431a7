#include "graphics/masked_blend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace textreel {

namespace {

// The bulk of a row is blended 16 pixels (48 bytes) at a time by a loop over bytes that the
// compiler turns into vector code. Each byte lane needs the mask bytes of its own pixel; where they
// lie relative to the lane depends on whether the lane holds the blue, green or red byte, which
// repeats every 3 lanes. The lanes therefore read the mask shifted by up to two bytes either way and
// keep what fits their channel, using these per-lane selectors (0xFF where the lane is that channel).
constexpr int kChunkPixels = 16;
constexpr int kChunkBytes = kChunkPixels * 3;

struct LaneChannels {
    uint8_t blue[kChunkBytes];
    uint8_t green[kChunkBytes];
    uint8_t red[kChunkBytes];
};

constexpr LaneChannels MakeLaneChannels() {
    LaneChannels lanes{};
    for (int k = 0; k < kChunkBytes; ++k) {
        lanes.blue[k] = k % 3 == 0 ? 0xFF : 0;
        lanes.green[k] = k % 3 == 1 ? 0xFF : 0;
        lanes.red[k] = k % 3 == 2 ? 0xFF : 0;
    }
    return lanes;
}

constexpr LaneChannels kLanes = MakeLaneChannels();

constexpr uint8_t Full(uint8_t byte) {
    return byte == 255 ? 0xFF : 0;
}

// Blends kChunkPixels pixels. Two bytes before mask and the first two bytes of the mask pixel after
// the chunk are read too: they belong to neighbouring pixels of the same row and only fill lanes
// that the selectors drop. All arithmetic fits 16 bits: with opacity <= 255 the cover a is at most
// 254, and colour * a + destination * (255 - a) is at most 255 * 255; a transparent pixel uses the
// weights 0 and 256, which give the destination back unchanged.
inline void BlendChunk(uint8_t* __restrict destination, const uint8_t* __restrict colour,
                       const uint8_t* __restrict mask, uint16_t opacity) {
    for (int k = 0; k < kChunkBytes; ++k) {
        const uint8_t isBlue = kLanes.blue[k];
        const uint8_t isGreen = kLanes.green[k];
        const uint8_t isRed = kLanes.red[k];
        const uint8_t back2 = mask[k - 2];
        const uint8_t back1 = mask[k - 1];
        const uint8_t here = mask[k];
        const uint8_t next1 = mask[k + 1];
        const uint8_t next2 = mask[k + 2];
        // The pixel's mask bytes are here..next2 in a blue lane, back1..next1 in a green lane and
        // back2..here in a red lane.
        const uint8_t transparent =
            static_cast<uint8_t>(Full(here) | (Full(next1) & (isBlue | isGreen)) | (Full(next2) & isBlue) |
                                 (Full(back1) & (isGreen | isRed)) | (Full(back2) & isRed));
        const uint8_t maskBlue = static_cast<uint8_t>((here & isBlue) | (back1 & isGreen) | (back2 & isRed));
        const uint16_t cover = static_cast<uint16_t>(
            static_cast<uint16_t>(static_cast<uint16_t>(255 - maskBlue) * opacity) >> 8);
        const uint16_t colourWeight = transparent ? 0 : cover;
        const uint16_t destinationWeight = transparent ? 256 : static_cast<uint16_t>(255 - cover);
        destination[k] = static_cast<uint8_t>(
            static_cast<uint16_t>(colour[k] * colourWeight + destination[k] * destinationWeight) >> 8);
    }
}

inline void BlendPixel(uint8_t* destination, const uint8_t* colour, const uint8_t* mask, int opacity) {
    if (mask[0] == 255 || mask[1] == 255 || mask[2] == 255) {
        return;
    }
    const int cover = ((255 - mask[0]) * opacity) >> 8;
    for (int c = 0; c < 3; ++c) {
        destination[c] = static_cast<uint8_t>((colour[c] * cover + destination[c] * (255 - cover)) >> 8);
    }
}

// Blends count pixels of one row. maskFollows tells whether the row holds another mask pixel after
// the last one used; without it the final chunk would read past the row, so it is left to the
// pixel loop.
void BlendRow(uint8_t* __restrict destination, const uint8_t* __restrict colour,
              const uint8_t* __restrict mask, int count, bool maskFollows, uint16_t opacity) {
    const int chunkLimit = maskFollows ? count : count - 1;
    int j = 0;
    for (; j + kChunkPixels <= chunkLimit; j += kChunkPixels) {
        const size_t offset = static_cast<size_t>(j) * 3;
        BlendChunk(destination + offset, colour + offset, mask + offset, opacity);
    }
    for (; j < count; ++j) {
        const size_t offset = static_cast<size_t>(j) * 3;
        BlendPixel(destination + offset, colour + offset, mask + offset, opacity);
    }
}

size_t StrideOf(int width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

bool Overlaps(const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize) {
    const auto aStart = reinterpret_cast<uintptr_t>(a);
    const auto bStart = reinterpret_cast<uintptr_t>(b);
    return aStart < bStart + bSize && bStart < aStart + aSize;
}

}  // namespace

void BlendMaskedPicture(uint8_t* destination, int destinationWidth, int destinationHeight, int x, int y,
                        const uint8_t* source, int sourceWidth, int sourceHeight, int opacity) {
    if (destination == nullptr || source == nullptr || destinationWidth <= 0 || destinationHeight <= 0 ||
        sourceWidth <= 0 || sourceHeight <= 0) {
        return;
    }
    const int half = sourceWidth / 2;
    // The picture's columns and rows that land inside the destination.
    const int64_t firstColumn = std::max<int64_t>(0, -int64_t{x});
    const int64_t endColumn = std::min<int64_t>(half, int64_t{destinationWidth} - x);
    const int64_t firstRow = std::max<int64_t>(0, -int64_t{y});
    const int64_t endRow = std::min<int64_t>(sourceHeight, int64_t{destinationHeight} - y);
    if (firstColumn >= endColumn || firstRow >= endRow) {
        return;
    }

    const auto clamped = static_cast<uint16_t>(std::clamp(opacity, 0, 255));
    const size_t destinationStride = StrideOf(destinationWidth);
    const size_t sourceStride = StrideOf(sourceWidth);
    const int count = static_cast<int>(endColumn - firstColumn);
    const bool maskFollows = half + endColumn < sourceWidth;
    const bool overlap = Overlaps(destination, destinationStride * static_cast<size_t>(destinationHeight),
                                  source, sourceStride * static_cast<size_t>(sourceHeight));

    for (int64_t i = firstRow; i < endRow; ++i) {
        const uint8_t* sourceRow = source + static_cast<size_t>(sourceHeight - 1 - i) * sourceStride;
        uint8_t* destinationRow =
            destination + static_cast<size_t>(destinationHeight - 1 - (y + i)) * destinationStride;
        uint8_t* out = destinationRow + static_cast<size_t>(x + firstColumn) * 3;
        const uint8_t* colour = sourceRow + static_cast<size_t>(firstColumn) * 3;
        const uint8_t* mask = sourceRow + static_cast<size_t>(half + firstColumn) * 3;
        if (overlap) {
            for (int j = 0; j < count; ++j) {
                const size_t offset = static_cast<size_t>(j) * 3;
                BlendPixel(out + offset, colour + offset, mask + offset, clamped);
            }
        } else {
            BlendRow(out, colour, mask, count, maskFollows, clamped);
        }
    }
}

void BlendMaskedPicture(Surface& destination, int x, int y, const Surface& source, int opacity) {
    if (destination.Empty() || source.Empty()) {
        return;
    }
    BlendMaskedPicture(destination.Pixels(), destination.Width(), destination.Height(), x, y, source.Pixels(),
                       source.Width(), source.Height(), opacity);
}

}  // namespace textreel
