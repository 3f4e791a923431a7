#include "platform/files.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "platform/instance_lock.h"
#include "support/temp_title.h"

namespace textreel {
namespace {

using testing::TempTitle;

TEST(PathResolver, WindowsPathsFindFilesWhateverTheirCase) {
    TempTitle title;
    title.Write("CG/Menu/Logo.BMP", "x");
    auto found = files::Resolve("cg\\menu\\logo.bmp");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "CG/Menu/Logo.BMP");
    EXPECT_TRUE(files::Resolve("cg/MENU/logo.bmp"));
    EXPECT_FALSE(files::Resolve("cg\\menu\\missing.bmp"));
    EXPECT_FALSE(files::Resolve(""));
}

TEST(PathResolver, ShiftJisNamesMatchFilesStoredInUtf8) {
    TempTitle title;
    // "表" is 0x95 0x5C in Shift-JIS: its trail byte is a backslash and must not split the name.
    title.Write("画像/表.png", "x");
    std::string sjis = Utf8ToCp932("画像\\表.png");
    ASSERT_EQ(sjis.size(), std::string("xxxx\\xx.png").size());
    auto found = files::Resolve(sjis);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "画像/表.png");
}

TEST(PathResolver, ShiftJisNamesStoredAsRawBytesAreFoundToo) {
    TempTitle title;
    std::string raw = Utf8ToCp932("音");
    title.Write(raw + ".wav", "x");
    auto found = files::Resolve(raw + ".WAV");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, raw + ".wav");
}

TEST(PathResolver, AFileToBeMadeTakesAnExistingMatchOrItsOwnName) {
    TempTitle title;
    title.Write("SAVE/ENV.DAT", "x");
    EXPECT_EQ(*files::ResolveForWrite("save\\env.dat"), "SAVE/ENV.DAT");
    EXPECT_EQ(*files::ResolveForWrite("save\\save01.sav"), "SAVE/save01.sav");
    EXPECT_FALSE(files::ResolveForWrite("nofolder\\x.sav"));
}

TEST(DirectorySearch, TheFirstNameInByteOrderWithTheExtensionInAnyCase) {
    TempTitle title;
    title.Write("b.TXT", "b");
    title.Write("a.txt.bak", "x");
    title.Write("c.txt", "c");
    title.Write("dir.txt/inner", "d");
    EXPECT_EQ(*files::FindFirstWithExtension("txt"), "b.TXT");
    EXPECT_FALSE(files::FindFirstWithExtension("ist"));
}

TEST(AtomicWrite, ReplacesTheFileWholeAndLeavesNothingBeside) {
    TempTitle title;
    title.Write("f.dat", std::string(100, 'a'));
    ASSERT_TRUE(files::WriteAtomically("f.dat", "bb", 2));
    EXPECT_EQ(title.Read("f.dat"), (std::vector<uint8_t>{'b', 'b'}));
    EXPECT_FALSE(title.Exists("f.dat.new"));
    EXPECT_FALSE(files::WriteAtomically("missing/f.dat", "x", 1));
}

TEST(Encoding, Cp932MapsItsOwnCharactersAndReplacesBrokenBytes) {
    // The wave dash and the circled digits are where CP932 and plain Shift-JIS disagree.
    EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "～");
    EXPECT_EQ(Cp932ToUtf8("\x87\x40"), "①");
    EXPECT_EQ(Cp932ToUtf8("\x82\xA0"
                          "A"),
              "あA");
    EXPECT_EQ(Cp932ToUtf8("A\x82"), "A\xEF\xBF\xBD");
    EXPECT_EQ(Cp932CodeToUnicode(0x82A0), 0x3042u);
    EXPECT_EQ(Cp932CodeToUnicode('A'), 0x41u);
    EXPECT_EQ(Cp932CodeToUnicode(0x8100), 0u);
    bool ok = true;
    EXPECT_EQ(Utf8ToCp932("青葉", &ok), "\x90\xC2\x97\x74");
    EXPECT_TRUE(ok);
    Utf8ToCp932("😀", &ok);
    EXPECT_FALSE(ok);
}

TEST(InstanceLock, ASecondHolderOfTheSameNameIsRefusedAndAnotherNameIsNot) {
    TempTitle title;
    setenv("XDG_RUNTIME_DIR", title.Path().c_str(), 1);
    InstanceLock first;
    InstanceLock second;
    InstanceLock other;
    EXPECT_EQ(first.Acquire("game/\x82\xA0"), InstanceLock::Result::kAcquired);
    EXPECT_EQ(second.Acquire("game/\x82\xA0"), InstanceLock::Result::kHeldElsewhere);
    EXPECT_EQ(other.Acquire("another"), InstanceLock::Result::kAcquired);
    first.Release();
    EXPECT_EQ(second.Acquire("game/\x82\xA0"), InstanceLock::Result::kAcquired);
    EXPECT_NE(InstanceLock::PathFor("a/b").find(title.Path()), std::string::npos);
    EXPECT_EQ(InstanceLock::PathFor("a/b").find('/', title.Path().size() + 1), std::string::npos);
}

}  // namespace
}  // namespace textreel
