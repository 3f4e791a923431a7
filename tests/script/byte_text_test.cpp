#include "script/byte_text.h"

#include <gtest/gtest.h>

namespace textreel {
namespace {

TEST(ByteText, DecimalsFollowAtoiRules) {
    EXPECT_EQ(ReadDecimal("42abc"), 42);
    EXPECT_EQ(ReadDecimal("  -7"), -7);
    EXPECT_EQ(ReadDecimal("+3"), 3);
    EXPECT_EQ(ReadDecimal("x1"), 0);
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal("99999999999999"), INT32_MAX);
    EXPECT_EQ(ReadDecimal("-99999999999999"), INT32_MIN);
}

TEST(ByteText, TheNumberAfterTheFirstBlank) {
    EXPECT_EQ(NumberAfterBlank("$wait 500"), 500);
    EXPECT_EQ(NumberAfterBlank("$wait"), 0);
    EXPECT_EQ(NumberAfterBlank("$effect  3"), 3);
    EXPECT_EQ(NumberAfterBlank("$effect x 3"), 0);
    EXPECT_STREQ(TextAfterBlank("$imgblt cg\\a b.png"), "cg\\a b.png");
    EXPECT_STREQ(TextAfterBlank("$imgblt"), "");
}

TEST(ByteText, HexadecimalsFollowStrtolRules) {
    EXPECT_EQ(ReadHex("FF0000"), 0xFF0000);
    EXPECT_EQ(ReadHex(" 0x00ff"), 0xFF);
    EXPECT_EQ(ReadHex("0000FFzz"), 0xFF);
    EXPECT_EQ(ReadHex("g"), 0);
    EXPECT_EQ(static_cast<uint32_t>(ReadHex("123456789ABC")), 0xFFFFFFFFu);
}

TEST(ByteText, TheMultibyteSearchNeverStartsOnATrailByte) {
    const char text[] = "\x83W=\x83\x40W=";
    const char* hit = FindTextMb(text, "W=");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit - text, 5);
    EXPECT_EQ(FindText(text, "W=") - text, 1);
    EXPECT_EQ(FindBytes(reinterpret_cast<const uint8_t*>("a\0b:x"), 5, ":x"), 3);
    EXPECT_EQ(FindBytes(reinterpret_cast<const uint8_t*>("ab"), 2, "abc"), -1);
}

}  // namespace
}  // namespace textreel
