#include "shell/instance_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace textreel {
namespace {

InstanceConfig Parse(const std::string& text) {
    return ParseInstanceFile(std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(InstanceFile, OnlyTheSizeKeysLeaveTheRestAtTheirDefaults) {
    InstanceConfig c = Parse("WindowWidth=\"800\"\r\nWindowHeight=\"600\"\r\n");
    EXPECT_EQ(c.instanceName, "DEFAULTINSTANCE");
    EXPECT_EQ(c.windowName, "DEFAULTIN");
    EXPECT_EQ(c.windowWidth, 800);
    EXPECT_EQ(c.windowHeight, 600);
    EXPECT_EQ(c.gameType, 0);
    EXPECT_FALSE(c.cdMusic);
    EXPECT_TRUE(c.fromFile);
}

TEST(InstanceFile, BgmTypeChoosesOggOnlyForTextHoldingUpperCaseWave) {
    EXPECT_FALSE(Parse("BGMType=\"WAVE\"").cdMusic);
    EXPECT_FALSE(Parse("BGMType=\"OGGWAVE\"").cdMusic);
    EXPECT_TRUE(Parse("BGMType=\"CD\"").cdMusic);
    EXPECT_TRUE(Parse("BGMType=\"\"").cdMusic);
    EXPECT_TRUE(Parse("BGMType=\"wave\"").cdMusic);
    EXPECT_FALSE(Parse("GameType=\"1\"").cdMusic);
}

TEST(InstanceFile, TheCharacterAfterTheEqualsSignIsSkippedWhateverItIs) {
    // Without the opening quote the first digit is taken for it.
    EXPECT_EQ(Parse("WindowWidth=800\"").windowWidth, 0);
    EXPECT_EQ(Parse("WindowWidth=8123\"").windowWidth, 123);
    // A value without a closing quote runs to the end of the file.
    EXPECT_EQ(Parse("WindowHeight=\"720").windowHeight, 720);
}

TEST(InstanceFile, NumbersFollowAtoiRules) {
    EXPECT_EQ(Parse("GameType=\"abc\"").gameType, 0);
    EXPECT_EQ(Parse("GameType=\" -12x\"").gameType, -12);
    EXPECT_EQ(Parse("GameType=\"+7\"").gameType, 7);
}

TEST(InstanceFile, TheFirstOccurrenceWinsEvenInsideACommentOrAnotherValue) {
    InstanceConfig c = Parse("; old: WindowWidth=\"1024\"\r\nWindowWidth=\"800\"\r\n");
    EXPECT_EQ(c.windowWidth, 1024);
    InstanceConfig d = Parse("WindowName=\"x GameType=\"1\"\r\nGameType=\"0\"");
    EXPECT_EQ(d.gameType, 1);
}

TEST(InstanceFile, KeysAreCaseSensitive) {
    EXPECT_EQ(Parse("windowwidth=\"800\"").windowWidth, 640);
}

TEST(InstanceFile, AKeyNeverMatchesFromTheSecondByteOfATwoByteCharacter) {
    // 0x83 0x57 is one character whose trail byte is 'W'; the key text inside it must not match.
    std::string text = "\x83WindowWidth=\"900\"";
    InstanceConfig c = Parse(text);
    EXPECT_EQ(c.windowWidth, 640);
    EXPECT_EQ(Parse("\x83\x40WindowWidth=\"900\"").windowWidth, 900);
}

TEST(InstanceFile, LongValuesAreCutToTheirFields) {
    std::string longName(300, 'n');
    InstanceConfig c =
        Parse("InstanceName=\"" + longName + "\"WindowName=\"" + longName + "\"WindowWidth=\"12345678901\"");
    EXPECT_EQ(c.instanceName.size(), 63u);
    EXPECT_EQ(c.windowName.size(), 127u);
    EXPECT_EQ(c.windowWidth, 123456789);
    // BGMType is tested after the cut to 9 characters.
    EXPECT_TRUE(Parse("BGMType=\"123456WAVE\"").cdMusic);
    EXPECT_FALSE(Parse("BGMType=\"12345WAVE\"").cdMusic);
}

TEST(InstanceFile, TextAfterAZeroByteIsNotSeen) {
    std::string text = "GameType=\"2\"";
    text.insert(0, 1, '\0');
    EXPECT_EQ(Parse(text).gameType, 0);
}

TEST(InstanceFile, AKeyAtTheVeryEndHasAnEmptyValue) {
    EXPECT_EQ(Parse("WindowWidth=").windowWidth, 0);
    EXPECT_TRUE(Parse("BGMType=").cdMusic);
}

}  // namespace
}  // namespace textreel
