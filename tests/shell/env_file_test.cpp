#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "shell/engine.h"
#include "shell/save_folder.h"
#include "support/fake_platform.h"
#include "support/temp_title.h"

namespace textreel {
namespace {

using testing::FakePlatform;
using testing::TempTitle;

struct EnvFixture {
    TempTitle title;
    FakePlatform platform;
    Engine engine{platform};

    explicit EnvFixture(const std::string& scenario = "0123456789") {
        engine.instance = DefaultInstanceConfig();
        engine.scenario.LoadBytes(std::vector<uint8_t>(scenario.begin(), scenario.end()));
    }
};

TEST(EnvFile, AFirstRunCreatesTheSaveFolderAndUsesTheDefaults) {
    EnvFixture f;
    f.engine.ReadEnvDat();
    EXPECT_TRUE(f.title.Exists("save"));
    EXPECT_FALSE(f.title.Exists("save/env.dat"));
    EXPECT_EQ(f.engine.env.SpeedMs, 1);
    EXPECT_EQ(f.engine.env.windowed, 1);
    EXPECT_EQ(f.engine.env.screenEffects, 1);
    EXPECT_EQ(f.engine.env.seVolume, 100);
    EXPECT_EQ(f.engine.env.bgmVolume, 75);
    EXPECT_EQ(f.engine.env.ForcedSkip, 0);
    EXPECT_FALSE(f.engine.scenario.MarkAt(0));
}

TEST(EnvFile, TheRecordAndTheReadMarksLandAtTheirOffsets) {
    EnvFixture f;
    f.engine.ReadEnvDat();
    f.engine.env.SpeedMs = 40;
    f.engine.env.ForcedSkip = 1;
    f.engine.env.seVolume = 25;
    f.engine.env.bgmVolume = -2;
    f.engine.persistentFlags.Set(23 + 19, 1);  // record flag 19
    f.engine.persistentFlags.Set(23, 1);       // record flag 0 is never stored
    f.engine.persistentFlags.Set(21, 1);       // nor are bytes 21 and 22
    uint8_t marks[] = {1, 0, 1};
    f.engine.scenario.SetMarks(marks, 3);
    ASSERT_TRUE(f.engine.WriteEnvDat(4));  // picture number 05
    std::vector<uint8_t> file = f.title.Read("save/env.dat");
    ASSERT_EQ(file.size(), 64u + 10u);
    EXPECT_EQ(file[0], 40);
    EXPECT_EQ(file[12], 25);
    EXPECT_EQ(file[14], 0xFE);
    EXPECT_EQ(file[15], 0xFF);
    EXPECT_EQ(file[16 + 4], 1);
    EXPECT_EQ(file[56], 1);
    for (int i : {16 + 21, 57, 58, 59}) {
        EXPECT_EQ(file[i], 0) << i;
    }
    EXPECT_EQ(file[60], 1);
    EXPECT_EQ(file[64], 1);
    EXPECT_EQ(file[65], 0);
    EXPECT_EQ(file[66], 1);
    EXPECT_FALSE(f.title.Exists("save/env.dat.new"));

    // A fresh engine reads back what was stored.
    FakePlatform platform;
    Engine second{platform};
    second.scenario.LoadBytes(std::vector<uint8_t>(10, 'x'));
    second.ReadEnvDat();
    EXPECT_EQ(second.env.SpeedMs, 40);
    EXPECT_EQ(second.env.bgmVolume, -2);
    EXPECT_EQ(second.persistentFlags.Get(4), 1);
    EXPECT_EQ(second.persistentFlags.Get(42), 1);
    EXPECT_EQ(second.persistentFlags.Get(23), 0);
    EXPECT_TRUE(second.scenario.MarkAt(2));
    EXPECT_FALSE(second.scenario.MarkAt(1));
}

TEST(EnvFile, OnlyPictureFlagsAreSetByTheWrite) {
    EnvFixture f;
    f.engine.ReadEnvDat();
    for (int n : {-1, 21, 22, 30, 42, 99, 1000}) {
        ASSERT_TRUE(f.engine.WriteEnvDat(n));
    }
    for (int i = 0; i < PersistentFlags::kSize; ++i) {
        EXPECT_EQ(f.engine.persistentFlags.Get(i), 0) << i;
    }
}

TEST(EnvFile, AnOlderLongerFileKeepsItsTailAndOnlyOurMarksAreRead) {
    EnvFixture f;
    std::vector<uint8_t> old(64 + 20, 0);
    old[0] = 100;
    old[4] = 1;
    old[8] = 1;
    for (size_t i = 64; i < old.size(); ++i) {
        old[i] = 1;
    }
    old.back() = 7;
    f.title.Write("save/env.dat", old);
    f.engine.ReadEnvDat();
    EXPECT_EQ(f.engine.env.SpeedMs, 100);
    EXPECT_TRUE(f.engine.scenario.MarkAt(9));
    ASSERT_TRUE(f.engine.WriteEnvDat());
    std::vector<uint8_t> file = f.title.Read("save/env.dat");
    ASSERT_EQ(file.size(), old.size());
    EXPECT_EQ(file.back(), 7);
}

// The marks pass between env.dat and the scenario in pieces: marks on both sides of each piece's
// edge come back exactly, and an older file's tail beyond them is kept.
TEST(EnvFile, ReadMarksOfALongScenarioRoundTripAcrossThePieces) {
    const size_t size = 200000;
    EnvFixture f(std::string(size, 'x'));
    std::vector<uint8_t> old(64 + size + 3, 0);
    old.back() = 9;
    const std::vector<uint32_t> marked = {0, 63, 64, 65535, 65536, 131071, 131072, 199999};
    for (uint32_t p : marked) {
        old[64 + p] = 1;
    }
    f.title.Write("save/env.dat", old);
    f.engine.ReadEnvDat();
    for (uint32_t p :
         {0u, 1u, 62u, 63u, 64u, 65534u, 65535u, 65536u, 65537u, 131071u, 131072u, 199998u, 199999u}) {
        EXPECT_EQ(f.engine.scenario.MarkAt(p), old[64 + p] == 1) << p;
    }
    f.engine.scenario.SetMarks(100000, std::vector<uint8_t>{1, 0, 1}.data(), 3);
    old[64 + 100000] = 1;
    old[64 + 100002] = 1;
    ASSERT_TRUE(f.engine.WriteEnvDat());
    std::vector<uint8_t> file = f.title.Read("save/env.dat");
    ASSERT_EQ(file.size(), old.size());
    EXPECT_TRUE(std::equal(file.begin() + 64, file.end(), old.begin() + 64));
}

// env.dat holds at most the record and the read marks of the largest scenario: a file up to that
// is read (its tail kept); a longer one (a sparse file of gigabytes, say) is not read, and the next
// write keeps it aside as env.dat.bad and starts afresh.
TEST(EnvFile, AFileLongerThanAnyScenarioNeedsIsKeptAsideNotCopied) {
    const struct {
        uint64_t size;
        bool read;
    } cases[] = {{64 + kMaxScenarioBytes, true}, {64 + kMaxScenarioBytes + 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        EnvFixture f;
        f.title.Write("save/env.dat", std::vector<uint8_t>{200, 0, 0, 0});
        std::filesystem::resize_file("save/env.dat", c.size);
        f.engine.ReadEnvDat();
        EXPECT_EQ(f.engine.env.SpeedMs, c.read ? 200 : 1);
        ASSERT_TRUE(f.engine.WriteEnvDat());
        EXPECT_EQ(std::filesystem::file_size("save/env.dat"), c.read ? c.size : 64u + 10u);
        EXPECT_EQ(f.title.Exists("save/env.dat.bad"), !c.read);
        if (!c.read) {
            EXPECT_EQ(std::filesystem::file_size("save/env.dat.bad"), c.size);
        }
    }
}

// A title that changes flags in a loop writes env.dat about once a second: a request within the
// second of the last write waits, and FlushEnvDat (a load, the end of the run) stores it.
TEST(EnvFile, RequestedWritesComeAtMostOnceASecondAndNoneIsLost) {
    EnvFixture f;
    f.engine.ReadEnvDat();
    f.engine.env.SpeedMs = 100;
    f.engine.RequestEnvDatWrite();
    EXPECT_EQ(f.title.Read("save/env.dat")[0], 100);
    f.engine.env.SpeedMs = 200;
    f.engine.RequestEnvDatWrite(4);
    EXPECT_EQ(f.title.Read("save/env.dat")[0], 100);
    f.engine.FlushEnvDat();
    std::vector<uint8_t> file = f.title.Read("save/env.dat");
    EXPECT_EQ(file[0], 200);
    EXPECT_EQ(file[EnvSettings::kPictureFlags + 4], 1);
}

TEST(EnvFile, AShortFileFillsWhatItHoldsAndKeepsDefaultsForTheRest) {
    EnvFixture f;
    // Only the speed survived.
    f.title.Write("save/env.dat", std::vector<uint8_t>{200, 0, 0, 0});
    f.engine.ReadEnvDat();
    EXPECT_EQ(f.engine.env.SpeedMs, 200);
    EXPECT_EQ(f.engine.env.windowed, 1);
    EXPECT_EQ(f.engine.env.bgmVolume, 75);
    EXPECT_FALSE(f.engine.scenario.MarkAt(0));
}

TEST(EnvFile, AFileStandingWhereTheSaveFolderShouldBeFailsWithItsMessage) {
    EnvFixture f;
    f.title.Write("save", "not a folder");
    f.engine.ReadEnvDat();
    EXPECT_EQ(f.engine.env.SpeedMs, 1);
    EXPECT_FALSE(f.engine.WriteEnvDat());
    EXPECT_EQ(f.platform.Messages(), (std::vector<std::string>{"セーブに失敗しました"}));
}

TEST(EnvFile, TheSaveFolderIsFoundWhateverTheCaseOfItsName) {
    EnvFixture f;
    f.title.Write("SAVE/ENV.DAT", std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0});
    f.engine.ReadEnvDat();
    EXPECT_EQ(f.engine.env.SpeedMs, 0);
    EXPECT_EQ(f.engine.env.windowed, 0);
    EXPECT_FALSE(f.title.Exists("save"));
}

// A damaged env.dat: each field is brought into range where it is used, and keeps its bytes.
TEST(EnvFile, DamagedValuesAreBroughtIntoRangeWhereTheyAreUsed) {
    struct Case {
        int32_t speed, windowed, effects;
        int16_t se, bgm;
        int32_t forcedSkip;
        int32_t speedUsed;
        bool windowedUsed, effectsUsed;
        int32_t seUsed, bgmUsed;
        bool forcedSkipUsed;
    };
    const Case cases[] = {
        {0x7FFFFFFF, 7, -3, 30000, -5, 2, 10000, true, false, 100, 0, true},
        {-200, -1, 1, -32768, 101, -9, 0, false, true, 0, 100, false},
        {40, 1, 0, 55, 75, 1, 40, true, false, 55, 75, true},
        {10000, 0, 1, 0, 100, 0, 10000, false, true, 0, 100, false},
    };
    for (const Case& c : cases) {
        EnvFixture f;
        std::vector<uint8_t> bytes(64, 0);
        auto put32 = [&](int at, int32_t v) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
            }
        };
        put32(EnvSettings::kSpeedMs, c.speed);
        put32(EnvSettings::kWindowed, c.windowed);
        put32(EnvSettings::kScreenEffects, c.effects);
        bytes[EnvSettings::kSeVolume] = static_cast<uint8_t>(c.se);
        bytes[EnvSettings::kSeVolume + 1] = static_cast<uint8_t>(static_cast<uint16_t>(c.se) >> 8);
        bytes[EnvSettings::kBgmVolume] = static_cast<uint8_t>(c.bgm);
        bytes[EnvSettings::kBgmVolume + 1] = static_cast<uint8_t>(static_cast<uint16_t>(c.bgm) >> 8);
        put32(EnvSettings::kForcedSkip, c.forcedSkip);
        f.title.Write("save/env.dat", bytes);
        f.engine.ReadEnvDat();
        const EnvSettings& env = f.engine.env;
        EXPECT_EQ(env.SpeedInUse(), c.speedUsed) << c.speed;
        EXPECT_EQ(env.WindowedInUse(), c.windowedUsed) << c.windowed;
        EXPECT_EQ(env.ScreenEffectsInUse(), c.effectsUsed) << c.effects;
        EXPECT_EQ(env.SeVolumeInUse(), c.seUsed) << c.se;
        EXPECT_EQ(env.BgmVolumeInUse(), c.bgmUsed) << c.bgm;
        EXPECT_EQ(env.ForcedSkipInUse(), c.forcedSkipUsed) << c.forcedSkip;
        // The file itself is left as it was until the next write.
        EXPECT_EQ(f.title.Read("save/env.dat"), bytes);
        const auto record = env.ToBytes(f.engine.persistentFlags);
        EXPECT_EQ(std::vector<uint8_t>(record.begin(), record.begin() + 16),
                  std::vector<uint8_t>(bytes.begin(), bytes.begin() + 16));
    }
}

// A title that ships the temporary's old name as a link to a file of the player's gets neither
// that file written nor its bytes read.
TEST(EnvFile, APlantedLinkBesideEnvDatIsNeverWrittenThrough) {
    EnvFixture f;
    namespace fs = std::filesystem;
    f.title.Write("victim.txt", "precious");
    fs::create_directory("save");
    fs::create_symlink(fs::absolute("victim.txt"), "save/env.dat.new");
    fs::create_symlink(fs::absolute("victim.txt"), "save/env.dat");
    f.engine.ReadEnvDat();
    EXPECT_EQ(f.engine.env.SpeedMs, 1);  // the link out is not read: defaults
    ASSERT_TRUE(f.engine.WriteEnvDat());
    EXPECT_EQ(f.title.Read("victim.txt"), (std::vector<uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_FALSE(fs::is_symlink("save/env.dat"));
    EXPECT_FALSE(fs::exists(fs::symlink_status("save/env.dat.new")));
    EXPECT_EQ(f.title.Read("save/env.dat").size(), 64u + 10u);
}

TEST(EnvFile, AWriteDuringSkipModeStoresTheSpeedFromBeforeIt) {
    testing::TempTitle title;
    FakePlatform platform;
    Engine engine{platform};
    engine.instance = DefaultInstanceConfig();
    engine.scenario.LoadBytes(std::vector<uint8_t>(4, 'x'));
    engine.ReadEnvDat();
    engine.env.SpeedMs = 100;
    engine.StartSkipMode();
    ASSERT_EQ(engine.env.SpeedMs, 0);
    ASSERT_TRUE(engine.WriteEnvDat(2));
    std::vector<uint8_t> file = title.Read("save/env.dat");
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(file[0], 100);
    // Skip mode itself runs on at speed 0.
    EXPECT_EQ(engine.env.SpeedMs, 0);
    engine.EndSkipMode();
    EXPECT_EQ(engine.env.SpeedMs, 100);
}

TEST(SaveFolder, InstanceNamesBecomeOneSafeFolderName) {
    const std::pair<std::string, std::string> cases[] = {
        {"MyGame-2_v1.0", "MyGame-2_v1.0"},
        {"a/b", "a%2fb"},
        {"a_b", "a_b"},
        {"..", "%2e."},
        {".hidden", "%2ehidden"},
        {"x\\y z", "x%5cy%20z"},
        {"100%", "100%25"},
        {"", "%"},
        {"\x96\xe9\x96\xbe\x82\xaf", "夜明け"},  // Shift-JIS in, UTF-8 out
    };
    for (const auto& [name, folder] : cases) {
        EXPECT_EQ(SafeFolderName(name), folder) << name;
    }
    EXPECT_LE(SafeFolderName(std::string(300, '/')).size(), 200u);
}

// The user's data and configuration folders of a test, set for its length.
struct UserFolders {
    TempTitle root;
    UserFolders() {
        ::setenv("XDG_DATA_HOME", (root.Path() + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root.Path() + "/config").c_str(), 1);
    }
    ~UserFolders() {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
    }
};

// Where a title's env.dat goes: its own "save" (a link inside its folder too), the player's choice
// in save-folders.cfg, else the user's data folder under the instance name and the title folder's
// real path. A "save" that leads out of the title (to another title's saves) is never written.
TEST(SaveFolder, EachTitleWritesOnlyIntoItsOwnFolder) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void()> make;  // run in the test's root; the title is "title"
        std::string config;          // save-folders.cfg, "ROOT" standing for the root
        std::string lands;           // where env.dat is written, from the root; "DATA" is the
                                     // title's folder in the user's data folder
    };
    const Case cases[] = {
        {"a save folder is made", [] {}, "", "title/save"},
        {"a save link inside the title",
         [] {
             fs::create_directory("title/kept");
             fs::create_directory_symlink("kept", "title/save");
         },
         "", "title/kept"},
        {"a save link to another title's saves",
         [] { fs::create_directory_symlink(fs::absolute("other/save"), "title/save"); }, "", "DATA"},
        {"a save link to nowhere", [] { fs::create_directory_symlink("/nonexistent/save", "title/save"); },
         "", "DATA"},
        {"the player's choice, named through a link to the title",
         [] {
             fs::create_directory_symlink(fs::absolute("title"), "alias");
             fs::create_directory_symlink(fs::absolute("other/save"), "title/save");
         },
         "# mine\nROOT/elsewhere = ROOT/nowhere\n ROOT/alias = ROOT/mine/title \n", "mine/title"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string config = c.config;
        UserFolders user;
        const std::string root = fs::canonical(user.root.Path()).string();
        for (size_t at; (at = config.find("ROOT")) != std::string::npos;) {
            config.replace(at, 4, root);
        }
        if (!config.empty()) {
            user.root.Write("config/textreel/save-folders.cfg", config);
        }
        user.root.Write("title/scenario.txt", "x");
        user.root.Write("other/save/env.dat", std::vector<uint8_t>{7});
        c.make();
        fs::current_path("title");
        {
            FakePlatform platform;
            Engine engine{platform};
            engine.instance = DefaultInstanceConfig();
            engine.instance.instanceName = "same";
            engine.scenario.LoadBytes(std::vector<uint8_t>(4, 'x'));
            engine.ReadEnvDat();
            engine.env.SpeedMs = 200;
            ASSERT_TRUE(engine.WriteEnvDat());
            EXPECT_TRUE(platform.Messages().empty());
        }
        fs::current_path(root);
        const std::string lands =
            c.lands == "DATA" ? "data/textreel/" + DataFolderName("same", root + "/title") : c.lands;
        ASSERT_TRUE(user.root.Exists(lands + "/env.dat"));
        EXPECT_EQ(user.root.Read(lands + "/env.dat")[0], 200);
        EXPECT_EQ(user.root.Read("other/save/env.dat"), std::vector<uint8_t>{7});
    }
}

// Titles installed where no save folder can be made (here: folders that vanish under the running
// title) keep their saves in the user's data folder, one folder per title folder: two titles of
// the same name keep apart, and a title started again from its folder finds its own.
TEST(SaveFolder, SameNamedTitlesThatCannotTakeOneKeepApartInTheUserDataFolder) {
    UserFolders user;
    const std::string root = std::filesystem::canonical(user.root.Path()).string();
    auto play = [&](const std::string& folder, int speed) {
        user.root.Write(folder + "/scenario.txt", "x");
        std::filesystem::current_path(root + "/" + folder);
        FakePlatform platform;
        Engine engine{platform};
        engine.instance = DefaultInstanceConfig();
        engine.instance.instanceName = "ro/title";
        engine.workDir = root + "/" + folder + "/";
        engine.scenario.LoadBytes(std::vector<uint8_t>(4, 'x'));
        std::filesystem::remove_all(root + "/" + folder);
        engine.ReadEnvDat();
        const int stored = engine.env.SpeedMs;
        engine.env.SpeedMs = speed;
        EXPECT_TRUE(engine.WriteEnvDat());
        std::filesystem::current_path(root);
        return stored;
    };
    play("disc-a", 100);
    play("disc-b", 200);
    EXPECT_EQ(play("disc-a", 40), 100);
    EXPECT_EQ(play("disc-b", 40), 200);
    const std::string a = "data/textreel/" + DataFolderName("ro/title", root + "/disc-a");
    const std::string b = "data/textreel/" + DataFolderName("ro/title", root + "/disc-b");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.substr(0, 25), "data/textreel/ro%2ftitle@");
    EXPECT_EQ(user.root.Read(a + "/env.dat")[0], 40);
    EXPECT_EQ(user.root.Read(b + "/env.dat")[0], 40);
}

TEST(SaveFolder, ThePlayersChoiceIsReadLineByLine) {
    TempTitle root;
    std::filesystem::create_directory("title");
    const std::string title = std::filesystem::canonical("title").string();
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    ::setenv("HOME", root.Path().c_str(), 1);
    const std::pair<std::string, std::string> cases[] = {
        {title + "=/saves/a", "/saves/a"},
        {"  " + title + "/  =  /saves/b  \r\n", "/saves/b"},
        {"~/title = ~/saves", root.Path() + "/saves"},
        {"# " + title + " = /saves/c\n", ""},
        {title + " /saves/d\n", ""},
        {"title = /saves/e\n" + title + " = saves\n", ""},
        {"/elsewhere = /saves/f\n" + title + " = /saves/g\n" + title + " = /saves/h\n", "/saves/g"},
    };
    for (const auto& [config, folder] : cases) {
        EXPECT_EQ(ChosenSaveFolder(config, title), folder) << config;
    }
    std::vector<std::string> problems;
    ChosenSaveFolder("# fine\n" + title + " /saves\nrelative = /saves\n", title, &problems);
    EXPECT_EQ(problems,
              (std::vector<std::string>{"line 2 has no \"=\"",
                                        "line 3: both folders must be absolute paths or start with \"~/\""}));
    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace textreel
