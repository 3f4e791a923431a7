#include "graphics/bmp_reader.h"

#include <gtest/gtest.h>

#include "support/temp_title.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "graphics/masked_blend.h"

namespace textreel {
namespace {

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// A 24-bit BMP file: 14-byte file header, 40-byte information header, pixel bytes at pixelOffset.
// The pixel bytes count up from 1 so that every byte can be told apart.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, size_t pixelBytes, uint32_t pixelOffset = 54) {
    std::vector<uint8_t> bytes(pixelOffset + pixelBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    PutLe32(bytes, 10, pixelOffset);
    PutLe32(bytes, 14, 40);
    PutLe32(bytes, 18, static_cast<uint32_t>(width));
    PutLe32(bytes, 22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    for (size_t i = 0; i < pixelBytes; ++i) {
        bytes[pixelOffset + i] = static_cast<uint8_t>(1 + i % 251);
    }
    return bytes;
}

BmpResult Parse(const std::vector<uint8_t>& file, size_t byteCount, BmpPicture& out) {
    return ParseBmp(file.data(), file.size(), byteCount, out);
}

// A picture already in place, as a user-interface buffer holds the previous load.
BmpPicture Previous() {
    BmpPicture picture;
    picture.header.fill(0x5A);
    picture.pixels.Create(3, 2);
    picture.pixels.FillRect(0, 0, 3, 2, 0x123456);
    return picture;
}

void ExpectUntouched(const BmpPicture& picture) {
    const BmpPicture previous = Previous();
    EXPECT_EQ(picture.header, previous.header);
    EXPECT_EQ(picture.pixels.Width(), 3);
    EXPECT_EQ(picture.pixels.Height(), 2);
    ASSERT_EQ(picture.pixels.ByteSize(), previous.pixels.ByteSize());
    EXPECT_TRUE(std::equal(picture.pixels.Pixels(), picture.pixels.Pixels() + picture.pixels.ByteSize(),
                           previous.pixels.Pixels()));
}

TEST(BmpReader, TakesTheHeaderAndThePixelBytesFromTheStoredOffset) {
    // The wait icon: 64 x 64, 12288 bytes, with a gap between the headers and the pixels.
    const std::vector<uint8_t> file = MakeBmp(64, 64, 12288, 70);
    BmpPicture picture;
    ASSERT_EQ(Parse(file, 12288, picture), BmpResult::kOk);
    EXPECT_TRUE(std::equal(picture.header.begin(), picture.header.end(), file.begin() + 14));
    EXPECT_EQ(picture.pixels.Width(), 64);
    EXPECT_EQ(picture.pixels.Height(), 64);
    ASSERT_EQ(picture.pixels.ByteSize(), 12288u);
    EXPECT_TRUE(std::equal(picture.pixels.Pixels(), picture.pixels.Pixels() + 12288, file.begin() + 70));

    // The button parts: 1280 x 44 in 168960 bytes.
    BmpPicture parts;
    ASSERT_EQ(Parse(MakeBmp(1280, 44, 168960), 168960, parts), BmpResult::kOk);
    EXPECT_EQ(parts.pixels.Width(), 1280);
    EXPECT_EQ(parts.pixels.Height(), 44);
}

TEST(BmpReader, ByteCountZeroTakesWhatTheDeclaredPictureNeeds) {
    // 5 pixels make a 16-byte row.
    BmpPicture picture;
    ASSERT_EQ(Parse(MakeBmp(5, 3, 48), 0, picture), BmpResult::kOk);
    EXPECT_EQ(picture.pixels.ByteSize(), 48u);

    BmpPicture previous = Previous();
    EXPECT_EQ(Parse(MakeBmp(5, 3, 47), 0, previous), BmpResult::kInvalid);
    ExpectUntouched(previous);
}

TEST(BmpReader, FilesShorterThanTheBytesTakenFailAndLeaveThePreviousPicture) {
    BmpPicture picture = Previous();
    EXPECT_EQ(Parse(MakeBmp(64, 64, 12287), 12288, picture), BmpResult::kInvalid);
    ExpectUntouched(picture);
    EXPECT_EQ(Parse(MakeBmp(1280, 44, 12288), 168960, picture), BmpResult::kInvalid);
    ExpectUntouched(picture);
    // Too short even for the 44 header bytes at offset 14.
    std::vector<uint8_t> stub = MakeBmp(1, 1, 4);
    stub.resize(57);
    EXPECT_EQ(Parse(stub, 0, picture), BmpResult::kInvalid);
    EXPECT_EQ(ParseBmp(nullptr, 0, 0, picture), BmpResult::kInvalid);
    ExpectUntouched(picture);
}

TEST(BmpReader, PixelOffsetOutsideTheFileFails) {
    BmpPicture picture = Previous();
    std::vector<uint8_t> file = MakeBmp(64, 64, 12288);
    PutLe32(file, 10, static_cast<uint32_t>(file.size() + 1));
    EXPECT_EQ(Parse(file, 12288, picture), BmpResult::kInvalid);
    PutLe32(file, 10, 0xFFFFFFFFu);
    EXPECT_EQ(Parse(file, 12288, picture), BmpResult::kInvalid);
    EXPECT_EQ(Parse(file, 0, picture), BmpResult::kInvalid);
    // One byte further than the file allows.
    PutLe32(file, 10, 55);
    EXPECT_EQ(Parse(file, 12288, picture), BmpResult::kInvalid);
    ExpectUntouched(picture);
}

TEST(BmpReader, DeclaredSizesBeyondTheBytesTakenOrTheLimitFail) {
    BmpPicture picture = Previous();
    // 100 x 100 needs 30000 bytes; only 12288 are taken.
    EXPECT_EQ(Parse(MakeBmp(100, 100, 30000), 12288, picture), BmpResult::kInvalid);
    // A row wider than 16384 pixels, even with all its bytes present.
    EXPECT_EQ(Parse(MakeBmp(16385, 1, 49156), 0, picture), BmpResult::kInvalid);
    EXPECT_EQ(Parse(MakeBmp(1, 16385, 4 * 16385), 0, picture), BmpResult::kInvalid);
    EXPECT_EQ(Parse(MakeBmp(INT32_MIN, 1, 64), 64, picture), BmpResult::kInvalid);
    EXPECT_EQ(Parse(MakeBmp(4, INT32_MIN, 64), 64, picture), BmpResult::kInvalid);
    EXPECT_EQ(Parse(MakeBmp(INT32_MAX, INT32_MAX, 64), 0, picture), BmpResult::kInvalid);
    ExpectUntouched(picture);
}

TEST(BmpReader, ASmallerDeclaredPictureLoadsAndItsSizeSteersTheBlend) {
    // A 6 x 2 masked picture in a file that carries the wait icon's 12288 bytes: rows are 20 bytes
    // (18 + 2 padding). Row bytes: 3 colour pixels, then the mask: black, black, white.
    std::vector<uint8_t> file = MakeBmp(6, 2, 12288);
    for (int row = 0; row < 2; ++row) {
        uint8_t* p = file.data() + 54 + row * 20;
        for (int i = 0; i < 9; ++i) {
            p[i] = 200;
        }
        for (int i = 9; i < 15; ++i) {
            p[i] = 0;
        }
        for (int i = 15; i < 18; ++i) {
            p[i] = 255;
        }
    }
    BmpPicture picture;
    ASSERT_EQ(Parse(file, 12288, picture), BmpResult::kOk);
    EXPECT_EQ(picture.pixels.Width(), 6);
    EXPECT_EQ(picture.pixels.Height(), 2);

    Surface destination(8, 4);
    destination.FillRect(0, 0, 8, 4, 0x646464);
    BlendMaskedPicture(destination, 0, 0, picture.pixels, 255);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint32_t colour = 0;
            ASSERT_TRUE(destination.GetPixel(x, y, colour));
            const bool covered = y < 2 && x < 2;
            EXPECT_EQ(colour, covered ? 0xC6C6C6u : 0x646464u) << x << "," << y;
        }
    }
}

TEST(BmpReader, ANonPositiveHeightOrWidthLoadsButDrawsNothing) {
    for (auto [width, height] : {std::pair{64, 0}, std::pair{64, -64}, std::pair{0, 64}, std::pair{-3, 4}}) {
        BmpPicture picture = Previous();
        ASSERT_EQ(Parse(MakeBmp(width, height, 12288), 12288, picture), BmpResult::kOk);
        EXPECT_TRUE(picture.pixels.Empty());
        Surface destination(8, 8);
        destination.FillRect(0, 0, 8, 8, 0x646464);
        BlendMaskedPicture(destination, 0, 0, picture.pixels, 255);
        uint32_t colour = 0;
        ASSERT_TRUE(destination.GetPixel(0, 0, colour));
        EXPECT_EQ(colour, 0x646464u);
    }
}

TEST(BmpReader, ReadsFilesAndReportsMissingOnes) {
    textreel::testing::TempTitle title;
    const std::filesystem::path dir = title.Path();
    const std::vector<uint8_t> file = MakeBmp(64, 64, 12288);
    {
        std::ofstream out(dir / "waiticon.bmp", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    BmpPicture picture;
    EXPECT_EQ(ReadBmp((dir / "waiticon.bmp").string(), 12288, picture), BmpResult::kOk);
    EXPECT_EQ(picture.pixels.Width(), 64);

    BmpPicture previous = Previous();
    EXPECT_EQ(ReadBmp((dir / "absent.bmp").string(), 12288, previous), BmpResult::kMissing);
    EXPECT_EQ(ReadBmp(dir.string(), 12288, previous), BmpResult::kMissing);
    ExpectUntouched(previous);
}

}  // namespace
}  // namespace textreel
