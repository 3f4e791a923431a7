#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>

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

// The instance file and the scenario are found by name, and held to the resolver's rules: the first
// match that is a link out of the folder, a FIFO or a device is refused, never passed over for the
// next one; folders and dangling links are passed over as before.
TEST(DirectorySearch, TheFirstMatchIsRefusedWhenItLeadsOutOrIsNoRegularFile) {
    namespace fs = std::filesystem;
    const struct Case {
        const char* name;
        std::function<void(TempTitle&)> make;
        const char* found;   // nullptr: none
        const char* reason;  // the refusal's reason, "" for none
    } cases[] = {
        {"a link inside",
         [](TempTitle& t) {
             t.Write("inner/s.txt", "x");
             fs::create_symlink("inner/s.txt", "a.txt");
         },
         "a.txt", ""},
        {"a link out",
         [](TempTitle& t) {
             t.Write("title/b.txt", "b");
             t.Write("secret.txt", "s");
             ASSERT_TRUE(files::ChangeDirectory("title"));
             fs::create_symlink(fs::absolute("../secret.txt"), "a.txt");
         },
         nullptr, "a link that leads out of the title's folder"},
        {"a FIFO",
         [](TempTitle& t) {
             t.Write("b.txt", "b");
             ASSERT_EQ(::mkfifo("a.txt", 0600), 0);
         },
         nullptr, "not a regular file"},
        {"a device",
         [](TempTitle& t) {
             t.Write("b.txt", "b");
             fs::create_symlink("/dev/zero", "a.txt");
         },
         nullptr, "a link that leads out of the title's folder"},
        {"a folder and a dangling link",
         [](TempTitle& t) {
             t.Write("a.txt/inner", "d");
             fs::create_symlink("nowhere", "a0.txt");
             t.Write("b.txt", "b");
         },
         "b.txt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempTitle title;
        c.make(title);
        files::Refusal refusal;
        std::optional<std::string> found = files::FindFirstWithExtension("txt", &refusal);
        EXPECT_EQ(found.value_or("(none)"), c.found != nullptr ? c.found : "(none)");
        EXPECT_EQ(refusal.reason, c.reason);
    }
}

TEST(AtomicWrite, ReplacesTheFileWholeAndLeavesNothingBeside) {
    TempTitle title;
    title.Write("f.dat", std::string(100, 'a'));
    ASSERT_TRUE(files::WriteAtomically("f.dat", "bb", 2));
    EXPECT_EQ(title.Read("f.dat"), (std::vector<uint8_t>{'b', 'b'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(files::WriteAtomically("missing/f.dat", "x", 1));
}

TEST(AtomicWrite, PlantedLinksAreNeverFollowedAndStaleTemporariesGo) {
    TempTitle title;
    namespace fs = std::filesystem;
    title.Write("outside/victim", "precious");
    title.Write("save/f.dat.tmp-0123456789abcdef", "left by a crash");
    fs::create_symlink(fs::absolute("outside/victim"), "save/f.dat.new");
    fs::create_symlink(fs::absolute("outside/victim"), "save/f.dat.tmp-aaaaaaaaaaaaaaaa");
    ASSERT_TRUE(files::WriteAtomically("save/f.dat", "new", 3));
    EXPECT_EQ(title.Read("outside/victim"), (std::vector<uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_EQ(title.Read("save/f.dat"), (std::vector<uint8_t>{'n', 'e', 'w'}));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator("save")) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::vector<std::string>{"f.dat"}));

    // A target that is itself a link is replaced by the file, not written through.
    fs::create_symlink(fs::absolute("outside/victim"), "save/g.dat");
    ASSERT_TRUE(files::WriteAtomically("save/g.dat", "g", 1));
    EXPECT_FALSE(fs::is_symlink("save/g.dat"));
    EXPECT_EQ(title.Read("outside/victim").size(), 8u);
}

// Every way out of the title's folder is refused like a missing file, with the reason.
TEST(PathResolver, PathsThatLeaveTheTitlesFolderAreRefused) {
    TempTitle title;
    namespace fs = std::filesystem;
    title.Write("title/cg/a.png", "x");
    title.Write("secret.png", "s");
    ASSERT_TRUE(files::ChangeDirectory("title"));
    fs::create_symlink(fs::absolute("../secret.png"), "cg/out.png");
    fs::create_symlink("a.png", "cg/in.png");
    fs::create_symlink(fs::absolute(".."), "cg/up");
    fs::create_directory("cg/inner");
    fs::create_symlink("../a.png", "cg/inner/back.png");
    fs::create_directory_symlink(fs::absolute(".."), "save");
    struct Case {
        std::string path;
        bool refused;
    };
    const Case cases[] = {
        {"/etc/passwd", true},    {"\\etc\\passwd", true},      {"C:\\Windows\\x.png", true},
        {"..\\secret.png", true}, {"cg\\..\\a.png", true},      {"cg\\..\\..\\secret.png", true},
        {"cg\\out.png", true},    {"cg\\up\\secret.png", true}, {"save\\secret.png", true},
        {"save", true},
    };
    for (const Case& c : cases) {
        files::Refusal refusal;
        EXPECT_FALSE(files::Resolve(c.path, &refusal)) << c.path;
        EXPECT_EQ(!refusal.reason.empty(), c.refused) << c.path;
        EXPECT_EQ(refusal.path, c.path) << c.path;
        if (c.path != "cg\\out.png" && c.path != "save") {  // writing there would replace the link
            EXPECT_FALSE(files::ResolveForWrite(c.path)) << c.path;
        }
    }
    // Links that stay inside are followed.
    EXPECT_TRUE(files::Resolve("cg\\in.png"));
    EXPECT_TRUE(files::Resolve("CG\\Inner\\back.png"));
    EXPECT_TRUE(files::Resolve(".\\cg\\a.png"));
}

TEST(ReadAll, OnlyRegularFilesAreRead) {
    TempTitle title;
    title.Write("folder/x", "x");
    ASSERT_EQ(mkfifo("pipe.png", 0600), 0);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(files::ReadAll("pipe.png", bytes));  // returns at once: no writer is waited for
    EXPECT_FALSE(files::ReadAll("folder", bytes));
    EXPECT_FALSE(files::ReadAll("/dev/null", bytes));
    uint64_t size = 0;
    EXPECT_FALSE(files::RegularFileSize("pipe.png", size));
    EXPECT_TRUE(files::RegularFileSize("folder/x", size));
    EXPECT_EQ(size, 1u);
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

TEST(InstanceLock, LongNamesThatShareTheirStartStillGetTheirOwnLocks) {
    TempTitle title;
    setenv("XDG_RUNTIME_DIR", title.Path().c_str(), 1);
    // Forty Japanese characters in common, then one that differs.
    std::string common;
    for (int i = 0; i < 40; ++i) {
        common += "\x82\xA0";
    }
    std::string a = common + "\x82\xA2";
    std::string b = common + "\x82\xA4";
    EXPECT_NE(InstanceLock::PathFor(a), InstanceLock::PathFor(b));
    EXPECT_EQ(InstanceLock::PathFor(a), InstanceLock::PathFor(a));
    EXPECT_NE(InstanceLock::PathFor(a).find("textreel-%82%a0"), std::string::npos);  // readable prefix
    EXPECT_LT(InstanceLock::PathFor(common + common + common).size(), title.Path().size() + 200);
    InstanceLock first;
    InstanceLock second;
    EXPECT_EQ(first.Acquire(a), InstanceLock::Result::kAcquired);
    EXPECT_EQ(second.Acquire(b), InstanceLock::Result::kAcquired);
}

}  // namespace
}  // namespace textreel
