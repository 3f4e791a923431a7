#include "graphics/bmp_reader.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/files.h"
#include "platform/little_endian.h"

namespace textreel {

namespace {

constexpr size_t kPixelOffsetField = 10;
constexpr size_t kHeaderOffset = 14;
constexpr size_t kWidthField = 18;
constexpr size_t kHeightField = 22;
constexpr int32_t kMaxSide = 16384;

}  // namespace

BmpResult ParseBmp(const uint8_t* data, size_t size, size_t byteCount, BmpPicture& out) {
    BmpPicture picture;
    if (data == nullptr || size < kHeaderOffset + picture.header.size()) {
        return BmpResult::kInvalid;
    }
    const auto width = static_cast<int32_t>(ReadLe32(data + kWidthField));
    const auto height = static_cast<int32_t>(ReadLe32(data + kHeightField));
    if (width > kMaxSide || height > kMaxSide || width < -kMaxSide || height < -kMaxSide) {
        return BmpResult::kInvalid;
    }
    // A picture without rows or columns keeps no pixels; the blend draws nothing for it.
    const bool drawable = width > 0 && height > 0;
    const size_t needed = drawable ? static_cast<size_t>(RowStride(width)) * static_cast<size_t>(height) : 0;
    const size_t taken = byteCount == 0 ? needed : byteCount;
    const size_t offset = ReadLe32(data + kPixelOffsetField);
    if (offset > size || taken > size - offset || needed > taken) {
        return BmpResult::kInvalid;
    }

    std::memcpy(picture.header.data(), data + kHeaderOffset, picture.header.size());
    try {
        picture.pixels.Create(drawable ? width : 0, drawable ? height : 0);
    } catch (const std::bad_alloc&) {
        return BmpResult::kNoMemory;
    }
    if (needed > 0) {
        std::memcpy(picture.pixels.Pixels(), data + offset, needed);
    }
    out = std::move(picture);
    return BmpResult::kOk;
}

BmpResult ReadBmp(const std::string& realPath, size_t byteCount, BmpPicture& out) {
    std::vector<uint8_t> bytes;
    try {
        if (!files::ReadAll(realPath, bytes)) {
            return BmpResult::kMissing;
        }
    } catch (const std::bad_alloc&) {
        return BmpResult::kNoMemory;
    }
    return ParseBmp(bytes.data(), bytes.size(), byteCount, out);
}

}  // namespace textreel
