#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
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

// Players link the save folder to a folder elsewhere on purpose; settings are read and written there.
TEST(EnvFile, ASaveFolderLinkedElsewhereStillHoldsTheSettings) {
    EnvFixture f;
    namespace fs = std::filesystem;
    f.title.Write("elsewhere/env.dat", std::vector<uint8_t>{100, 0, 0, 0});
    fs::create_directory("title");
    fs::create_directory_symlink(fs::absolute("elsewhere"), "title/save");
    fs::current_path("title");
    f.engine.ReadEnvDat();
    EXPECT_EQ(f.engine.env.SpeedMs, 100);
    f.engine.env.SpeedMs = 40;
    ASSERT_TRUE(f.engine.WriteEnvDat());
    EXPECT_TRUE(fs::is_symlink("save"));
    EXPECT_EQ(f.title.Read("elsewhere/env.dat")[0], 40);
    EXPECT_TRUE(f.platform.Messages().empty());
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

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

TEST(SaveFolder, ATitleFolderThatCannotTakeOneSendsSavesToTheUserDataFolder) {
    testing::TempTitle data;
    std::string dataPath = data.Path();
    ::setenv("XDG_DATA_HOME", dataPath.c_str(), 1);
    {
        testing::TempTitle title;
        FakePlatform platform;
        Engine engine{platform};
        engine.instance = DefaultInstanceConfig();
        engine.instance.instanceName = "ro/title";
        engine.scenario.LoadBytes(std::vector<uint8_t>(4, 'x'));
        // The folder disappears under the running title: nothing can be made in it any more, as
        // on a read-only disc.
        std::filesystem::remove_all(title.Path());
        engine.ReadEnvDat();
        engine.env.SpeedMs = 200;
        ASSERT_TRUE(engine.WriteEnvDat());
        EXPECT_TRUE(platform.Messages().empty());
        std::string folder;
        ASSERT_TRUE(engine.EnsureSaveFolder(false, &folder));
        EXPECT_EQ(folder, dataPath + "/textreel/ro%2ftitle");
    }
    std::vector<uint8_t> file = data.Read("textreel/ro%2ftitle/env.dat");
    ASSERT_EQ(file.size(), 64u + 4u);
    EXPECT_EQ(file[0], 200);
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace textreel
