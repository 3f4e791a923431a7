// The mixer's recording (--audio-out) and its underrun count.
#include "platform/audio_recorder.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/audio_mixer.h"
#include "support/temp_title.h"

namespace textreel {
namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t p) {
    return b[p] | (b[p + 1] << 8) | (b[p + 2] << 16) | (static_cast<uint32_t>(b[p + 3]) << 24);
}

TEST(AudioRecording, EverythingMixedIsWrittenAndTheHeaderMatchesTheData) {
    testing::TempTitle dir;
    const std::string path = dir.Path() + "/out.wav";
    {
        AudioMixer mixer;
        ASSERT_TRUE(mixer.StartRecording(path));
        EXPECT_TRUE(mixer.Recording());
        auto sound = std::make_shared<PcmSound>();
        sound->rate = AudioMixer::kRate;
        sound->channels = 1;
        sound->samples.assign(1000, 1234);
        mixer.PlayInterfaceSound(sound);
        std::vector<int16_t> out(1500 * 2);
        mixer.Mix(out.data(), 1500);
    }  // the mixer going away finishes the file
    std::vector<uint8_t> b = dir.Read("out.wav");
    ASSERT_EQ(b.size(), 44u + 1500 * 4);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(Le32(b, 24), 44100u);
    EXPECT_EQ(Le32(b, 40), 1500u * 4);
    // The sound, then silence: the recording keeps the mixer's timeline.
    EXPECT_EQ(static_cast<int16_t>(b[44] | (b[45] << 8)), 1234);
    EXPECT_EQ(static_cast<int16_t>(b[44 + 999 * 4] | (b[45 + 999 * 4] << 8)), 1234);
    EXPECT_EQ(static_cast<int16_t>(b[44 + 1200 * 4] | (b[45 + 1200 * 4] << 8)), 0);
}

TEST(AudioRecording, AFileThatCannotBeWrittenIsRefused) {
    AudioMixer mixer;
    EXPECT_FALSE(mixer.StartRecording("/nonexistent-folder/out.wav"));
    EXPECT_FALSE(mixer.Recording());
}

TEST(AudioMixerUnderruns, AGapBeforeTheNextBufferCountsAndAnEndDoesNot) {
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(AudioMixer::kRate, 1, nullptr);
    std::vector<int16_t> out(512 * 2);
    stream->Queue(std::vector<int16_t>(256, 1), 0);
    mixer.Mix(out.data(), 512);  // runs dry halfway: a gap
    EXPECT_EQ(mixer.Underruns(), 0);
    stream->Queue(std::vector<int16_t>(512, 1), 1);
    mixer.Mix(out.data(), 512);  // fed again after the gap
    EXPECT_EQ(mixer.Underruns(), 1);
    stream->Queue(std::vector<int16_t>(512, 1), 2);
    mixer.Mix(out.data(), 512);  // fed in time: the buffer ended exactly as the period did
    EXPECT_EQ(mixer.Underruns(), 1);
    mixer.Mix(out.data(), 512);  // the stream has simply ended
    mixer.Mix(out.data(), 512);
    EXPECT_EQ(mixer.Underruns(), 1);
}

}  // namespace
}  // namespace textreel
