#include "graphics/masked_blend.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "graphics/surface.h"

namespace textreel {
namespace {

// The blend written out plainly, pixel by pixel with a bounds test each, as the reference the
// optimised routine must match byte for byte. Strides are 3W + W mod 4.
void ReferenceBlend(uint8_t* destination, int wd, int hd, int x, int y, const uint8_t* source, int ws, int hs,
                    int opacity) {
    const int sd = 3 * wd + wd % 4;
    const int ss = 3 * ws + ws % 4;
    const int half = ws / 2;
    for (int i = 0; i < hs; ++i) {
        if (y + i < 0 || y + i > hd - 1) {
            continue;
        }
        const uint8_t* sourceRow = source + static_cast<size_t>(hs - 1 - i) * ss;
        uint8_t* destinationRow = destination + static_cast<size_t>(hd - 1 - (y + i)) * sd;
        for (int j = 0; j < half; ++j) {
            if (x + j < 0 || x + j > wd - 1) {
                continue;
            }
            const uint8_t* mask = sourceRow + 3 * (half + j);
            if (mask[0] == 255 || mask[1] == 255 || mask[2] == 255) {
                continue;
            }
            const int a = ((255 - mask[0]) * opacity) >> 8;
            for (int c = 0; c < 3; ++c) {
                uint8_t& out = destinationRow[3 * (x + j) + c];
                out = static_cast<uint8_t>((sourceRow[3 * j + c] * a + out * (255 - a)) >> 8);
            }
        }
    }
}

// A destination buffer with guard bytes on both sides, to prove the blend writes nothing outside.
struct GuardedBuffer {
    static constexpr size_t kGuard = 256;
    static constexpr uint8_t kSentinel = 0xA5;

    GuardedBuffer(int width, int height) : width(width), height(height) {
        const size_t size = static_cast<size_t>(RowStride(width)) * height;
        bytes.assign(size + 2 * kGuard, kSentinel);
        std::mt19937 random(7);
        for (size_t i = 0; i < size; ++i) {
            Data()[i] = static_cast<uint8_t>(random());
        }
    }
    uint8_t* Data() { return bytes.data() + kGuard; }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (bytes[i] != kSentinel || bytes[bytes.size() - 1 - i] != kSentinel) {
                return false;
            }
        }
        return true;
    }

    int width;
    int height;
    std::vector<uint8_t> bytes;
};

// A masked picture of drawn size width x height; colour and mask given per pixel as 0x00BBGGRR.
Surface MaskedPicture(int width, int height, uint32_t colour, uint32_t mask) {
    Surface picture(width * 2, height);
    picture.FillRect(0, 0, width, height, colour);
    picture.FillRect(width, 0, width, height, mask);
    return picture;
}

uint32_t Grey(int v) {
    return static_cast<uint32_t>(v) * 0x010101u;
}

int Blue(const Surface& s, int x, int y) {
    uint32_t colour = 0;
    EXPECT_TRUE(s.GetPixel(x, y, colour));
    return static_cast<int>(colour >> 16);
}

std::vector<uint8_t> RandomPicture(std::mt19937& random, int width, int height, bool mask) {
    std::vector<uint8_t> bytes(static_cast<size_t>(3 * width + width % 4) * height);
    for (auto& b : bytes) {
        b = static_cast<uint8_t>(random());
        // Masks need plenty of transparent bytes, in any channel, and of full cover.
        if (mask) {
            const uint32_t pick = random() % 8;
            b = pick == 0 ? 255 : pick == 1 ? 0 : b;
        }
    }
    return bytes;
}

TEST(MaskedBlend, AnyMaskByteAt255IsTransparent) {
    // Blue, green, red each alone at 255, then white.
    for (uint32_t mask : {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu}) {
        Surface destination(4, 4);
        destination.FillRect(0, 0, 4, 4, Grey(100));
        BlendMaskedPicture(destination, 1, 1, MaskedPicture(2, 2, Grey(200), mask), 255);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                EXPECT_EQ(Blue(destination, x, y), 100) << std::hex << mask;
            }
        }
    }
    // One step below white in every channel covers a little.
    Surface destination(1, 1);
    destination.FillRect(0, 0, 1, 1, Grey(100));
    BlendMaskedPicture(destination, 0, 0, MaskedPicture(1, 1, Grey(200), Grey(254)), 255);
    EXPECT_EQ(Blue(destination, 0, 0), 99);  // a = 0 at full opacity: 100 * 255 >> 8
}

TEST(MaskedBlend, FullCoverAtFullOpacityKeepsOneStepOfTheDestination) {
    Surface destination(1, 1);
    destination.FillRect(0, 0, 1, 1, Grey(100));
    BlendMaskedPicture(destination, 0, 0, MaskedPicture(1, 1, Grey(200), 0), 255);
    EXPECT_EQ(Blue(destination, 0, 0), 198);  // (200 * 254 + 100 * 1) >> 8

    destination.FillRect(0, 0, 1, 1, Grey(255));
    BlendMaskedPicture(destination, 0, 0, MaskedPicture(1, 1, Grey(255), 0), 255);
    EXPECT_EQ(Blue(destination, 0, 0), 254);

    destination.FillRect(0, 0, 1, 1, Grey(255));
    BlendMaskedPicture(destination, 0, 0, MaskedPicture(1, 1, Grey(0), 0), 255);
    EXPECT_EQ(Blue(destination, 0, 0), 0);
}

TEST(MaskedBlend, OnlyTheMaskBlueByteGivesTheCover) {
    Surface destination(2, 1);
    destination.FillRect(0, 0, 2, 1, Grey(100));
    Surface picture(4, 1);
    picture.SetPixel(0, 0, Grey(200));
    picture.SetPixel(1, 0, Grey(200));
    picture.SetPixel(2, 0, 0x000080);  // blue 0: full cover, whatever green and red say
    picture.SetPixel(3, 0, 0x800000);  // blue 128: a = 127 * 255 >> 8 = 126
    BlendMaskedPicture(destination, 0, 0, picture, 255);
    EXPECT_EQ(Blue(destination, 0, 0), 198);
    EXPECT_EQ(Blue(destination, 1, 0), 148);  // (200 * 126 + 100 * 129) >> 8
}

TEST(MaskedBlend, OpacityZeroDarkensEveryCoveredPixelByOneStep) {
    Surface destination(3, 1);
    destination.SetPixel(0, 0, Grey(100));
    destination.SetPixel(1, 0, Grey(0));
    destination.SetPixel(2, 0, Grey(100));
    Surface picture = MaskedPicture(3, 1, Grey(200), 0);
    picture.SetPixel(5, 0, Grey(255));
    BlendMaskedPicture(destination, 0, 0, picture, 0);
    EXPECT_EQ(Blue(destination, 0, 0), 99);
    EXPECT_EQ(Blue(destination, 1, 0), 0);
    EXPECT_EQ(Blue(destination, 2, 0), 100);  // transparent
}

TEST(MaskedBlend, OpacityOutsideTheByteRangeIsClamped) {
    std::mt19937 random(3);
    const std::vector<uint8_t> source = RandomPicture(random, 40, 5, true);
    GuardedBuffer high(20, 5), full(20, 5), low(20, 5), none(20, 5);
    BlendMaskedPicture(high.Data(), 20, 5, 0, 0, source.data(), 40, 5, 1000);
    BlendMaskedPicture(full.Data(), 20, 5, 0, 0, source.data(), 40, 5, 255);
    BlendMaskedPicture(low.Data(), 20, 5, 0, 0, source.data(), 40, 5, INT_MIN);
    BlendMaskedPicture(none.Data(), 20, 5, 0, 0, source.data(), 40, 5, 0);
    EXPECT_EQ(high.bytes, full.bytes);
    EXPECT_EQ(low.bytes, none.bytes);
    EXPECT_NE(full.bytes, none.bytes);
}

TEST(MaskedBlend, OddSourceWidthDrawsTheLowerHalfAndReadsTheMaskFromThere) {
    // Width 5: columns 0 and 1 are colours, the mask starts at column 2, column 4 is never used.
    Surface picture(5, 1);
    picture.SetPixel(0, 0, Grey(200));
    picture.SetPixel(1, 0, Grey(200));
    picture.SetPixel(2, 0, Grey(255));  // mask of the first pixel: transparent
    picture.SetPixel(3, 0, Grey(0));
    picture.SetPixel(4, 0, Grey(0));
    Surface destination(4, 1);
    destination.FillRect(0, 0, 4, 1, Grey(100));
    BlendMaskedPicture(destination, 1, 0, picture, 255);
    EXPECT_EQ(Blue(destination, 0, 0), 100);
    EXPECT_EQ(Blue(destination, 1, 0), 100);
    EXPECT_EQ(Blue(destination, 2, 0), 198);
    EXPECT_EQ(Blue(destination, 3, 0), 100);
}

TEST(MaskedBlend, EmptySizesAndPicturesOffTheDestinationDrawNothing) {
    std::mt19937 random(5);
    const std::vector<uint8_t> source = RandomPicture(random, 8, 4, false);  // colours and mask all below 255
    struct Case {
        int wd, hd, x, y, ws, hs;
    };
    const Case cases[] = {
        {6, 6, 0, 0, 8, 0},
        {6, 6, 0, 0, 8, -4},
        {6, 6, 0, 0, 0, 4},
        {6, 6, 0, 0, 1, 4},
        {6, 6, 0, 0, -8, 4},
        {0, 6, 0, 0, 8, 4},
        {6, -1, 0, 0, 8, 4},
        {6, 6, -4, 0, 8, 4},
        {6, 6, 6, 0, 8, 4},
        {6, 6, 0, -4, 8, 4},
        {6, 6, 0, 6, 8, 4},
        {6, 6, INT_MAX, 0, 8, 4},
        {6, 6, INT_MIN, INT_MIN, 8, 4},
        {6, 6, 0, INT_MAX, 8, 4},
        {6, 6, INT_MAX - 1, INT_MAX - 1, 8, 4},
    };
    for (const Case& c : cases) {
        GuardedBuffer destination(6, 6);
        const std::vector<uint8_t> before = destination.bytes;
        BlendMaskedPicture(destination.Data(), c.wd, c.hd, c.x, c.y, source.data(), c.ws, c.hs, 255);
        EXPECT_EQ(destination.bytes, before) << c.x << "," << c.y << " " << c.ws << "x" << c.hs;
    }
    GuardedBuffer destination(6, 6);
    const std::vector<uint8_t> before = destination.bytes;
    BlendMaskedPicture(destination.Data(), 6, 6, 0, 0, nullptr, 8, 4, 255);
    BlendMaskedPicture(nullptr, 6, 6, 0, 0, source.data(), 8, 4, 255);
    EXPECT_EQ(destination.bytes, before);
}

TEST(MaskedBlend, ClippedPicturesChangeOnlyTheOverlapAndNeverTheRowPadding) {
    std::mt19937 random(11);
    // Destination widths with each amount of row padding.
    for (int wd : {13, 14, 15, 16}) {
        const int hd = 9;
        const int ws = 2 * 20 + 1;
        const int hs = 12;
        const std::vector<uint8_t> source = RandomPicture(random, ws, hs, true);
        const int positions[][2] = {{-3, -2}, {wd - 4, hd - 3}, {-19, 8}, {12, -11}, {-5, -1}};
        for (const auto& p : positions) {
            GuardedBuffer destination(wd, hd);
            GuardedBuffer expected(wd, hd);
            BlendMaskedPicture(destination.Data(), wd, hd, p[0], p[1], source.data(), ws, hs, 255);
            ReferenceBlend(expected.Data(), wd, hd, p[0], p[1], source.data(), ws, hs, 255);
            EXPECT_TRUE(destination.GuardsIntact());
            EXPECT_EQ(destination.bytes, expected.bytes) << wd << " at " << p[0] << "," << p[1];
        }
    }
}

TEST(MaskedBlend, MatchesThePlainBlendForManySizesPlacesAndOpacities) {
    std::mt19937 random(2024);
    int mismatches = 0;
    for (int drawn = 1; drawn <= 70 && mismatches < 5; ++drawn) {
        for (int odd = 0; odd <= 1; ++odd) {
            const int ws = 2 * drawn + odd;
            const int hs = 1 + static_cast<int>(random() % 4);
            const int wd = 1 + static_cast<int>(random() % 90);
            const int hd = 1 + static_cast<int>(random() % 6);
            const int x = static_cast<int>(random() % (wd + drawn + 4)) - drawn - 2;
            const int y = static_cast<int>(random() % (hd + hs + 2)) - hs - 1;
            const int opacity = static_cast<int>(random() % 256);
            // An exactly sized source, so a read past its last row is caught by the sanitizer build.
            const std::vector<uint8_t> source = RandomPicture(random, ws, hs, true);
            GuardedBuffer destination(wd, hd);
            GuardedBuffer expected(wd, hd);
            BlendMaskedPicture(destination.Data(), wd, hd, x, y, source.data(), ws, hs, opacity);
            ReferenceBlend(expected.Data(), wd, hd, x, y, source.data(), ws, hs, opacity);
            if (destination.bytes != expected.bytes) {
                ++mismatches;
                ADD_FAILURE() << "source " << ws << "x" << hs << " on " << wd << "x" << hd << " at " << x
                              << "," << y << " opacity " << opacity;
            }
        }
    }
}

TEST(MaskedBlend, FullScreenPictureMatchesThePlainBlend) {
    std::mt19937 random(99);
    const int wd = 800, hd = 600, ws = 1600;
    const std::vector<uint8_t> source = RandomPicture(random, ws, hd, true);
    for (int opacity : {255, 128, 1}) {
        GuardedBuffer destination(wd, hd);
        GuardedBuffer expected(wd, hd);
        BlendMaskedPicture(destination.Data(), wd, hd, 0, 0, source.data(), ws, hd, opacity);
        ReferenceBlend(expected.Data(), wd, hd, 0, 0, source.data(), ws, hd, opacity);
        EXPECT_TRUE(destination.bytes == expected.bytes) << "opacity " << opacity;
    }
}

TEST(MaskedBlend, BlendingAPictureOntoItselfRunsInRowOrder) {
    std::mt19937 random(17);
    const std::vector<uint8_t> start = RandomPicture(random, 40, 6, true);
    std::vector<uint8_t> actual = start;
    std::vector<uint8_t> expected = start;
    BlendMaskedPicture(actual.data(), 40, 6, 3, 1, actual.data(), 40, 6, 200);
    ReferenceBlend(expected.data(), 40, 6, 3, 1, expected.data(), 40, 6, 200);
    EXPECT_EQ(actual, expected);
}

TEST(MaskedBlend, SurfacePlacementIsTopDown) {
    // A sprite standing on the bottom edge: y = screen height - picture height.
    Surface screen(8, 6);
    screen.FillRect(0, 0, 8, 6, Grey(10));
    BlendMaskedPicture(screen, 2, 4, MaskedPicture(3, 2, Grey(200), 0), 255);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 4;
            EXPECT_EQ(Blue(screen, x, y), inside ? (200 * 254 + 10) >> 8 : 10) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace textreel
