#include "graphics/png_loader.h"

#include <gtest/gtest.h>

#include <png.h>
#include "support/temp_title.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace textreel {
namespace {

struct PngLayout {
    int width = 1;
    int height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    bool hasGamma = true;
    png_fixed_point gamma = 45455;  // 1 / 2.2
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;
    bool greyTransparent = false;  // a tRNS grey value of 0
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

bool WritePngTo(const PngLayout* layout, png_bytepp rows, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, Flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout->width), static_cast<png_uint_32>(layout->height),
                 layout->bitDepth, layout->colourType,
                 layout->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (layout->hasGamma) {
        png_set_gAMA_fixed(png, info, layout->gamma);
    }
    if (!layout->palette.empty()) {
        png_set_PLTE(png, info, layout->palette.data(), static_cast<int>(layout->palette.size()));
    }
    if (!layout->paletteAlpha.empty()) {
        png_set_tRNS(png, info, layout->paletteAlpha.data(), static_cast<int>(layout->paletteAlpha.size()),
                     nullptr);
    }
    png_color_16 grey{};
    if (layout->greyTransparent) {
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// rows: the packed rows as the file stores them (16-bit samples big-endian).
std::vector<uint8_t> WritePng(const PngLayout& layout, std::vector<std::vector<uint8_t>> rows) {
    std::vector<png_bytep> pointers;
    for (auto& row : rows) {
        pointers.push_back(row.data());
    }
    std::vector<uint8_t> out;
    EXPECT_TRUE(WritePngTo(&layout, pointers.data(), &out));
    return out;
}

// An 8-bit RGB picture whose pixel (x, y) is (x * 20, y * 30, x + y + 1).
std::vector<uint8_t> Pattern(int width, int height, bool interlaced = false) {
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    layout.interlaced = interlaced;
    std::vector<std::vector<uint8_t>> rows(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rows[y].insert(rows[y].end(), {static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 30),
                                           static_cast<uint8_t>(x + y + 1)});
        }
    }
    return WritePng(layout, rows);
}

std::vector<uint8_t> PatternPixels(int width, int height) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rgb.insert(rgb.end(), {static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 30),
                                   static_cast<uint8_t>(x + y + 1)});
        }
    }
    return rgb;
}

PngResult Decode(const std::vector<uint8_t>& file, DecodedPng& out) {
    return DecodePng(file.data(), file.size(), out);
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

// Rewrites the size in the IHDR chunk (always first, at offset 8) with a valid checksum.
std::vector<uint8_t> WithSize(std::vector<uint8_t> file, uint32_t width, uint32_t height) {
    PutBe32(file, 16, width);
    PutBe32(file, 20, height);
    PutBe32(file, 29, Crc32(file.data() + 12, 17));
    return file;
}

DecodedPng Previous() {
    DecodedPng picture;
    picture.width = 1;
    picture.height = 1;
    picture.rgb = {9, 8, 7};
    return picture;
}

void ExpectUntouched(const DecodedPng& picture) {
    EXPECT_EQ(picture.width, 1);
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.rgb, (std::vector<uint8_t>{9, 8, 7}));
}

int Corrected(int value, double exponent) {
    return static_cast<int>(std::lround(255.0 * std::pow(value / 255.0, exponent)));
}

TEST(PngLoader, AFileMarkedOneOverTwoPointTwoPassesItsValuesThrough) {
    DecodedPng picture;
    ASSERT_EQ(Decode(Pattern(4, 3), picture), PngResult::kOk);
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.height, 3);
    EXPECT_EQ(picture.rgb, PatternPixels(4, 3));
}

TEST(PngLoader, GammaCorrectsWithTheFilesGammaOrHalfWhenItHasNone) {
    const std::vector<int> values = {0, 16, 64, 128, 200, 230, 255};
    PngLayout layout;
    layout.width = static_cast<int>(values.size());
    layout.colourType = PNG_COLOR_TYPE_GRAY;
    const std::vector<std::vector<uint8_t>> rows = {std::vector<uint8_t>(values.begin(), values.end())};
    struct Case {
        bool hasGamma;
        png_fixed_point gamma;
        double exponent;  // 1 / (file gamma * 2.2)
    };
    for (const Case& c :
         {Case{false, 0, 1 / (0.5 * 2.2)}, Case{true, 100000, 1 / 2.2}, Case{true, 70000, 1 / 1.54}}) {
        layout.hasGamma = c.hasGamma;
        layout.gamma = c.gamma;
        DecodedPng picture;
        ASSERT_EQ(Decode(WritePng(layout, rows), picture), PngResult::kOk);
        ASSERT_EQ(picture.rgb.size(), values.size() * 3);
        for (size_t i = 0; i < values.size(); ++i) {
            const int expected = Corrected(values[i], c.exponent);
            EXPECT_NEAR(picture.rgb[3 * i], expected, 1) << values[i] << " gamma " << c.gamma;
            EXPECT_EQ(picture.rgb[3 * i + 1], picture.rgb[3 * i]);
            EXPECT_EQ(picture.rgb[3 * i + 2], picture.rgb[3 * i]);
        }
        if (!c.hasGamma) {
            EXPECT_GT(picture.rgb[3 * 3], 128);  // values rise
        }
    }
}

TEST(PngLoader, EveryColourTypeAndDepthComesOutAsEightBitRgb) {
    const std::vector<png_color> palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    struct Case {
        const char* name;
        int colourType;
        int bitDepth;
        std::vector<uint8_t> row;  // three pixels, packed as stored
        std::vector<uint8_t> expected;
        std::vector<uint8_t> paletteAlpha = {};
        bool greyTransparent = false;
    };
    const std::vector<uint8_t> fromPalette = {70, 80, 90, 10, 20, 30, 40, 50, 60};  // indices 2, 0, 1
    const std::vector<Case> cases = {
        {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, {2, 0, 1}, fromPalette},
        {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, {0x20, 0x10}, fromPalette},
        {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, {0x84}, fromPalette},
        {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, {0xA0}, {40, 50, 60, 10, 20, 30, 40, 50, 60}},
        {"palette tRNS", PNG_COLOR_TYPE_PALETTE, 8, {2, 0, 1}, fromPalette, {0, 128, 255}},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8, {0, 77, 255}, {0, 0, 0, 77, 77, 77, 255, 255, 255}},
        {"grey 4", PNG_COLOR_TYPE_GRAY, 4, {0x3F, 0x00}, {51, 51, 51, 255, 255, 255, 0, 0, 0}},
        {"grey 2", PNG_COLOR_TYPE_GRAY, 2, {0x6C}, {85, 85, 85, 170, 170, 170, 255, 255, 255}},
        {"grey 1", PNG_COLOR_TYPE_GRAY, 1, {0xA0}, {255, 255, 255, 0, 0, 0, 255, 255, 255}},
        {"grey 16",
         PNG_COLOR_TYPE_GRAY,
         16,
         {0x12, 0x12, 0xFF, 0xFF, 0x80, 0x80},
         {18, 18, 18, 255, 255, 255, 128, 128, 128}},
        {"grey tRNS", PNG_COLOR_TYPE_GRAY, 8, {0, 77, 255}, {0, 0, 0, 77, 77, 77, 255, 255, 255}, {}, true},
        {"grey alpha 8",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         {77, 0, 200, 255, 5, 128},
         {77, 77, 77, 200, 200, 200, 5, 5, 5}},
        {"grey alpha 16",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         16,
         {0x4D, 0x4D, 0, 0, 0xC8, 0xC8, 0xFF, 0xFF, 5, 5, 0x80, 0},
         {77, 77, 77, 200, 200, 200, 5, 5, 5}},
        {"rgb 16",
         PNG_COLOR_TYPE_RGB,
         16,
         {0x10, 0x10, 0x20, 0x20, 0x30, 0x30, 0, 0, 0xFF, 0xFF, 0x7F, 0x7F, 1, 1, 2, 2, 3, 3},
         {16, 32, 48, 0, 255, 127, 1, 2, 3}},
        {"rgba 8",
         PNG_COLOR_TYPE_RGBA,
         8,
         {10, 20, 30, 0, 40, 50, 60, 255, 70, 80, 90, 128},
         {10, 20, 30, 40, 50, 60, 70, 80, 90}},
        {"rgba 16",
         PNG_COLOR_TYPE_RGBA,
         16,
         {10, 10, 20, 20, 30, 30, 0, 0, 40, 40, 50, 50, 60, 60, 255, 255, 70, 70, 80, 80, 90, 90, 1, 1},
         {10, 20, 30, 40, 50, 60, 70, 80, 90}},
    };
    for (const Case& c : cases) {
        PngLayout layout;
        layout.width = 3;
        layout.colourType = c.colourType;
        layout.bitDepth = c.bitDepth;
        if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
            // A 1-bit palette holds two entries.
            layout.palette.assign(palette.begin(), palette.begin() + (c.bitDepth == 1 ? 2 : 3));
        }
        layout.paletteAlpha = c.paletteAlpha;
        layout.greyTransparent = c.greyTransparent;
        DecodedPng picture;
        ASSERT_EQ(Decode(WritePng(layout, {c.row}), picture), PngResult::kOk) << c.name;
        EXPECT_EQ(picture.width, 3) << c.name;
        EXPECT_EQ(picture.height, 1) << c.name;
        EXPECT_EQ(picture.rgb, c.expected) << c.name;
    }
}

TEST(PngLoader, InterlacedPicturesDecode) {
    DecodedPng picture;
    ASSERT_EQ(Decode(Pattern(9, 7, true), picture), PngResult::kOk);
    EXPECT_EQ(picture.rgb, PatternPixels(9, 7));
}

TEST(PngLoader, TruncatedFilesAreDamagedAndLeaveTheOutputUntouched) {
    const std::vector<uint8_t> file = Pattern(5, 4);
    // Everything before the closing 12-byte IEND chunk is needed for the pixels.
    for (size_t length = 4; length + 12 < file.size(); ++length) {
        DecodedPng picture = Previous();
        EXPECT_EQ(DecodePng(file.data(), length, picture), PngResult::kDamaged)
            << length << " of " << file.size();
        ExpectUntouched(picture);
    }
}

TEST(PngLoader, CorruptFilesAreDamaged) {
    const std::vector<uint8_t> file = Pattern(5, 4);
    DecodedPng picture = Previous();

    std::vector<uint8_t> badData = file;
    badData[file.size() - 12 - 6] ^= 0x40;  // inside the IDAT chunk
    EXPECT_EQ(Decode(badData, picture), PngResult::kDamaged);

    std::vector<uint8_t> badSignature = file;
    badSignature[6] = 'X';  // the first 4 bytes still match
    EXPECT_EQ(Decode(badSignature, picture), PngResult::kDamaged);

    std::vector<uint8_t> badHeader = file;
    badHeader[18] ^= 1;  // IHDR width, checksum unchanged
    EXPECT_EQ(Decode(badHeader, picture), PngResult::kDamaged);

    std::vector<uint8_t> garbage(file.begin(), file.begin() + 4);
    garbage.resize(300, 0x33);
    EXPECT_EQ(Decode(garbage, picture), PngResult::kDamaged);
    ExpectUntouched(picture);
}

TEST(PngLoader, FilesWithoutTheSignatureAreNotPng) {
    DecodedPng picture = Previous();
    const std::string bmp = "BM\x36\x30\x00\x00";
    EXPECT_EQ(DecodePng(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), picture),
              PngResult::kNotPng);
    const std::vector<uint8_t> file = Pattern(2, 2);
    EXPECT_EQ(DecodePng(file.data(), 3, picture), PngResult::kNotPng);
    EXPECT_EQ(DecodePng(nullptr, 0, picture), PngResult::kNotPng);
    ExpectUntouched(picture);
}

TEST(PngLoader, AbsurdSizesAreRefusedBeforeDecoding) {
    const std::vector<uint8_t> file = Pattern(5, 4);
    DecodedPng picture = Previous();
    // The rewriting itself keeps a file valid.
    ASSERT_EQ(Decode(WithSize(file, 5, 4), picture), PngResult::kOk);
    picture = Previous();
    EXPECT_EQ(Decode(WithSize(file, 8193, 4), picture), PngResult::kTooLarge);
    EXPECT_EQ(Decode(WithSize(file, 5, 8193), picture), PngResult::kTooLarge);
    EXPECT_EQ(Decode(WithSize(file, 0x7FFFFFFF, 0x7FFFFFFF), picture), PngResult::kDamaged);
    // Within the side limit but over the caller's pixel count (the header is all that is read:
    // the file holds pixels for 5 x 4 only).
    EXPECT_EQ(DecodePng(WithSize(file, 8192, 8192).data(), file.size(), picture, 4 * 640 * 480),
              PngResult::kTooLarge);
    EXPECT_EQ(DecodePng(WithSize(file, 1280, 960).data(), file.size(), picture, 4 * 640 * 480),
              PngResult::kDamaged);  // allowed, then found truncated
    ExpectUntouched(picture);
}

TEST(PngLoader, LoadsFilesAndReportsMissingOnes) {
    textreel::testing::TempTitle title;
    const std::filesystem::path dir = title.Path();
    const std::vector<uint8_t> file = Pattern(3, 2);
    {
        std::ofstream out(dir / "bg.png", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    {
        std::ofstream out(dir / "text.png", std::ios::binary);
        out << "not a picture";
    }
    DecodedPng picture = Previous();
    EXPECT_EQ(LoadPng((dir / "absent.png").string(), picture), PngResult::kMissing);
    EXPECT_EQ(LoadPng(dir.string(), picture), PngResult::kMissing);
    EXPECT_EQ(LoadPng((dir / "text.png").string(), picture), PngResult::kNotPng);
    ExpectUntouched(picture);
    ASSERT_EQ(LoadPng((dir / "bg.png").string(), picture), PngResult::kOk);
    EXPECT_EQ(picture.rgb, PatternPixels(3, 2));
}

DecodedPng PatternPicture(int width, int height) {
    DecodedPng picture;
    picture.width = width;
    picture.height = height;
    picture.rgb = PatternPixels(width, height);
    return picture;
}

// The pattern's pixel (x, y) as a 0x00BBGGRR colour value.
uint32_t PatternColour(int x, int y) {
    return static_cast<uint32_t>(x * 20) | (static_cast<uint32_t>(y * 30) << 8) |
           (static_cast<uint32_t>(x + y + 1) << 16);
}

TEST(ConvertToScreen, ASmallerPictureSitsAtTheTopLeftOnBlack) {
    Surface screen(7, 5);
    screen.FillRect(0, 0, 7, 5, 0xFFFFFF);
    ConvertToScreen(PatternPicture(4, 3), screen);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            uint32_t colour = 1;
            ASSERT_TRUE(screen.GetPixel(x, y, colour));
            EXPECT_EQ(colour, x < 4 && y < 3 ? PatternColour(x, y) : 0u) << x << "," << y;
        }
    }
    // The bottom row of the picture is the first buffer row that holds it.
    const uint8_t* bottom = screen.Pixels() + 2 * screen.Stride();
    EXPECT_EQ(bottom[0], 3);   // blue of (0, 2)
    EXPECT_EQ(bottom[1], 60);  // green
    EXPECT_EQ(bottom[2], 0);   // red
}

TEST(ConvertToScreen, ALargerPictureShowsItsTopLeftPart) {
    Surface screen(3, 2);
    ConvertToScreen(PatternPicture(6, 5), screen);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            uint32_t colour = 0;
            ASSERT_TRUE(screen.GetPixel(x, y, colour));
            EXPECT_EQ(colour, PatternColour(x, y)) << x << "," << y;
        }
    }
}

TEST(ConvertToScreen, APictureWithoutItsPixelsLeavesTheScreenBlack) {
    Surface screen(3, 2);
    screen.FillRect(0, 0, 3, 2, 0xFFFFFF);
    DecodedPng broken = PatternPicture(3, 2);
    broken.rgb.resize(5);
    ConvertToScreen(broken, screen);
    EXPECT_TRUE(
        std::all_of(screen.Pixels(), screen.Pixels() + screen.ByteSize(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(ToSurface(broken).Empty());
}

TEST(ToSurface, KeepsTheWholePictureInTheEnginesFormat) {
    const Surface surface = ToSurface(PatternPicture(5, 3));
    ASSERT_EQ(surface.Width(), 5);
    ASSERT_EQ(surface.Height(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            uint32_t colour = 0;
            ASSERT_TRUE(surface.GetPixel(x, y, colour));
            EXPECT_EQ(colour, PatternColour(x, y)) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace textreel
