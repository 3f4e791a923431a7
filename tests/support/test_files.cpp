#include "support/test_files.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace textreel::testing {

namespace {
void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}
}  // namespace

std::vector<uint8_t> BmpHeader(int width, int height, int bits, uint32_t paletteColours) {
    const uint32_t stride = (static_cast<uint32_t>(width) * static_cast<uint32_t>(bits) / 8 + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    const uint32_t pixelOffset = 54 + paletteColours * 4;
    std::vector<uint8_t> out = {'B', 'M'};
    Put(out, pixelOffset + imageSize, 4);
    Put(out, 0, 4);
    Put(out, pixelOffset, 4);
    Put(out, 40, 4);
    Put(out, static_cast<uint32_t>(width), 4);
    Put(out, static_cast<uint32_t>(height), 4);  // positive: bottom-up
    Put(out, 1, 2);
    Put(out, static_cast<uint32_t>(bits), 2);
    Put(out, 0, 4);  // no compression
    Put(out, imageSize, 4);
    Put(out, 2835, 4);  // 72 dpi
    Put(out, 2835, 4);
    Put(out, paletteColours, 4);
    Put(out, 0, 4);
    return out;
}

std::vector<uint8_t> MakeBmp(const Surface& picture) {
    std::vector<uint8_t> out = BmpHeader(picture.Width(), picture.Height(), 24);
    out.insert(out.end(), picture.Pixels(), picture.Pixels() + picture.ByteSize());
    return out;
}

Surface MakeMasked(int w, int h, uint32_t colour, uint8_t maskLevel) {
    Surface s(2 * w, h);
    s.FillRect(0, 0, w, h, colour);
    uint32_t mask = maskLevel * 0x010101u;
    s.FillRect(w, 0, w, h, mask);
    return s;
}

std::vector<uint8_t> MakeWav(int rate, int channels, const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    Put(out, 36 + dataBytes, 4);
    for (char c : std::string_view("WAVEfmt ")) {
        out.push_back(static_cast<uint8_t>(c));
    }
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, static_cast<uint32_t>(channels), 2);
    Put(out, static_cast<uint32_t>(rate), 4);
    Put(out, static_cast<uint32_t>(rate * channels * 2), 4);
    Put(out, static_cast<uint32_t>(channels * 2), 2);
    Put(out, 16, 2);
    for (char c : std::string_view("data")) {
        out.push_back(static_cast<uint8_t>(c));
    }
    Put(out, dataBytes, 4);
    for (int16_t s : samples) {
        Put(out, static_cast<uint16_t>(s), 2);
    }
    return out;
}

std::vector<uint8_t> MakePng(int width, int height, uint32_t colour, const std::vector<PaintRect>& paint) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    auto put = [&](int x, int y, uint32_t c) {
        uint8_t* p =
            rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            put(x, y, colour);
        }
    }
    for (const PaintRect& r : paint) {
        for (int y = std::max(r.y, 0); y < std::min(r.y + r.h, height); ++y) {
            for (int x = std::max(r.x, 0); x < std::min(r.x + r.w, width); ++x) {
                put(x, y, r.colour);
            }
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<uint8_t> bytes(size);
    if (png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr) == 0) {
        bytes.clear();
    }
    bytes.resize(size);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace textreel::testing
