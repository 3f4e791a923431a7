#include "sound/sound.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "shell/engine.h"
#include "support/fake_platform.h"

namespace textreel {
namespace {

namespace fs = std::filesystem;

// A 16-bit mono WAVE file of the given length in frames, a constant non-zero level.
std::vector<char> WaveFile(int rate, int frames) {
    std::vector<char> b;
    auto put = [&b](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    uint32_t dataBytes = static_cast<uint32_t>(frames) * 2;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + dataBytes, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(static_cast<uint32_t>(rate), 4);
    put(static_cast<uint32_t>(rate) * 2, 4);
    put(2, 2);
    put(16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(dataBytes, 4);
    for (int i = 0; i < frames; ++i) {
        put(4000, 2);
    }
    return b;
}

void WriteFile(const fs::path& path, const std::vector<char>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// An engine on the recording platform, run in a title folder of its own.
class InterfaceSoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        title_ = fs::temp_directory_path() / ("textreel-sound-" + std::to_string(random()));
        fs::create_directories(title_);
        previous_ = fs::current_path();
        fs::current_path(title_);
        engine_ = std::make_unique<Engine>(platform_);
        ASSERT_TRUE(engine_->trace.Open((title_ / "trace.jsonl").string()));
    }
    void TearDown() override {
        engine_.reset();
        fs::current_path(previous_);
        fs::remove_all(title_);
    }

    std::vector<std::string> SoundEvents() {
        std::ifstream in(title_ / "trace.jsonl");
        std::vector<std::string> events;
        for (std::string line; std::getline(in, line);) {
            if (line.find("\"event\":\"sound\"") != std::string::npos) {
                events.push_back(line);
            }
        }
        return events;
    }

    AudioMixer& Mixer() { return platform_.Mixer(); }

    // Long enough that it still plays when the test looks, however slow the machine.
    static constexpr int kLongFrames = 22050 * 30;

    testing::FakePlatform platform_;
    std::unique_ptr<Engine> engine_;
    fs::path title_;
    fs::path previous_;
};

TEST_F(InterfaceSoundTest, PlaysTheFileAndTracesItsPath) {
    WriteFile(title_ / "sound" / "click.wav", WaveFile(22050, kLongFrames));
    PlayInterfaceSound(*engine_, "sound\\click.wav");
    EXPECT_TRUE(Mixer().InterfaceSoundPlaying());
    std::vector<std::string> events = SoundEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].find("\"path\":\"sound\\\\click.wav\""), std::string::npos) << events[0];

    StopInterfaceSound(*engine_);
    EXPECT_FALSE(Mixer().InterfaceSoundPlaying());
}

TEST_F(InterfaceSoundTest, PathCaseAndShiftJisNamesResolve) {
    WriteFile(title_ / "Sound" / "\xe9\x9f\xb3.WAV", WaveFile(44100, kLongFrames));
    PlayInterfaceSound(*engine_, "sound\\\x89\xb9.wav");  // 音 in Shift-JIS
    EXPECT_TRUE(Mixer().InterfaceSoundPlaying());
    std::vector<std::string> events = SoundEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].find("\"path\":\"sound\\\\\xe9\x9f\xb3.wav\""), std::string::npos) << events[0];
}

TEST_F(InterfaceSoundTest, MissingOrBrokenFilePlaysNothingAndIsNotTraced) {
    PlayInterfaceSound(*engine_, "sound\\move.wav");
    EXPECT_FALSE(Mixer().InterfaceSoundPlaying());

    WriteFile(title_ / "sound" / "move.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
    PlayInterfaceSound(*engine_, "sound\\move.wav");
    EXPECT_FALSE(Mixer().InterfaceSoundPlaying());

    WriteFile(title_ / "sound" / "empty.wav", WaveFile(44100, 0));
    PlayInterfaceSound(*engine_, "sound\\empty.wav");
    EXPECT_FALSE(Mixer().InterfaceSoundPlaying());
    EXPECT_TRUE(SoundEvents().empty());
    EXPECT_TRUE(platform_.Messages().empty());
}

TEST_F(InterfaceSoundTest, MissingFileLeavesTheSoundPlayingAlone) {
    WriteFile(title_ / "sound" / "click.wav", WaveFile(22050, kLongFrames));
    PlayInterfaceSound(*engine_, "sound\\click.wav");
    PlayInterfaceSound(*engine_, "sound\\none.wav");
    EXPECT_TRUE(Mixer().InterfaceSoundPlaying());
    EXPECT_EQ(SoundEvents().size(), 1u);
}

TEST_F(InterfaceSoundTest, DecodedSoundIsKeptForTheNextPlay) {
    WriteFile(title_ / "sound" / "move.wav", WaveFile(22050, kLongFrames));
    PlayInterfaceSound(*engine_, "sound\\move.wav");
    StopInterfaceSound(*engine_);
    fs::remove(title_ / "sound" / "move.wav");
    PlayInterfaceSound(*engine_, "sound\\move.wav");
    EXPECT_TRUE(Mixer().InterfaceSoundPlaying());
    EXPECT_EQ(SoundEvents().size(), 2u);
}

}  // namespace
}  // namespace textreel
