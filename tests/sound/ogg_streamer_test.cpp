// The Ogg streamer: Fill's chunks, volume and fade, looping, the end of a play-once file and the
// ring of three buffers driven through the mixer by hand.
#include "sound/ogg_streamer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "support/ogg_maker.h"

namespace textreel {
namespace {

using testing::EncodeOgg;
using testing::Tone;

// A source of constant samples handed out in chunks of a fixed size, as a decoder does.
class ChunkSource : public PcmSource {
  public:
    ChunkSource(size_t totalSamples, int16_t value, int chunkBytes, int rate = 44100, int channels = 2)
        : total_(totalSamples), value_(value), chunk_(chunkBytes), rate_(rate), channels_(channels) {}
    int Rate() const override { return rate_; }
    int Channels() const override { return channels_; }
    long Read(char* out, int bytes) override {
        size_t n = std::min({static_cast<size_t>(bytes), static_cast<size_t>(chunk_), (total_ - pos_) * 2});
        n -= n % (2 * static_cast<size_t>(channels_));
        for (size_t i = 0; i < n / 2; ++i) {
            int16_t v = value_;
            std::memcpy(out + 2 * i, &v, 2);
        }
        pos_ += n / 2;
        ++reads;
        return static_cast<long>(n);
    }
    bool Rewind() override {
        pos_ = 0;
        ++rewinds;
        return true;
    }
    int reads = 0;
    int rewinds = 0;

  private:
    size_t total_;
    size_t pos_ = 0;
    int16_t value_;
    int chunk_;
    int rate_;
    int channels_;
};

std::vector<int16_t> Samples(const std::vector<char>& bytes, size_t count) {
    std::vector<int16_t> s(count);
    std::memcpy(s.data(), bytes.data(), count * 2);
    return s;
}

TEST(FillBuffer, FillsTheWholeBufferChunkByChunkAndScalesByTheVolume) {
    ChunkSource source(1'000'000, 1001, 4096);
    FillSettings settings;
    settings.playOnce = true;
    settings.volume = 50;
    std::vector<char> buffer(OggStreamer::kBufferBytes);
    FillResult r = FillBuffer(source, settings, buffer.data(), buffer.size());
    EXPECT_EQ(r.bytes, OggStreamer::kBufferBytes);
    EXPECT_FALSE(r.last);
    EXPECT_EQ(source.reads, 8);
    for (int16_t s : Samples(buffer, r.bytes / 2)) {
        ASSERT_EQ(s, 500);  // trunc(0.5 * 1001)
    }
    EXPECT_EQ(settings.fadeLevel, 1000u);  // the first decode without a fade sets the full level
}

TEST(FillBuffer, VolumesOutsideZeroToHundredAreHeldThere) {
    struct Case {
        int volume;
        int16_t expected;
    };
    for (Case c : {Case{0, 0}, Case{-20, 0}, Case{100, -3000}, Case{250, -3000}, Case{75, -2250}}) {
        ChunkSource source(4096, -3000, 4096);
        FillSettings settings;
        settings.volume = c.volume;
        std::vector<char> buffer(4096 * 2);
        FillResult r = FillBuffer(source, settings, buffer.data(), buffer.size());
        ASSERT_GT(r.bytes, 0u);
        EXPECT_EQ(Samples(buffer, 1)[0], c.expected) << c.volume;
    }
}

TEST(FillBuffer, AFadeStepsItsLevelEvery1024FramesAt44kHzAndEndsTheDataAtSilence) {
    struct Case {
        int rate;
        int chunksHeard;  // chunks of 1024 frames decoded before the level reached 0
    };
    for (Case c : {Case{100, 100}, Case{300, 334}, Case{1000, 1000}, Case{1, 1}}) {
        ChunkSource source(100'000'000, 10000, 4096);
        FillSettings settings;
        settings.volume = 100;
        settings.fadeRate = c.rate;
        settings.fadeLevel = 1000;
        std::vector<char> buffer(4096 * 1001);
        FillResult r = FillBuffer(source, settings, buffer.data(), buffer.size());
        EXPECT_TRUE(r.last) << c.rate;
        EXPECT_EQ(r.bytes, static_cast<size_t>(c.chunksHeard) * 4096) << c.rate;
        EXPECT_EQ(settings.fadeLevel, 0u);
        // Each chunk is heard at the level before its step: 1000, then 1000 - step, ...
        std::vector<int16_t> s = Samples(buffer, r.bytes / 2);
        const int step = 1000 / c.rate;
        for (int k = 0; k < c.chunksHeard; ++k) {
            int level = std::max(1000 - k * step, 0);
            ASSERT_EQ(s[static_cast<size_t>(k) * 2048], static_cast<int16_t>(level * 10000 * 0.001))
                << c.rate << " " << k;
        }
    }
}

// FADEOUT 100 takes the same time at every rate and channel count, whatever the chunks: the level
// is halved after 50 steps of 1024 / 44100 s and silent after 100.
TEST(FillBuffer, AFadeTakesTheSameTimeAtEveryRateAndChannelCount) {
    struct Case {
        int rate;
        int channels;
        int chunkFrames;
    };
    for (Case c : {Case{44100, 2, 1024}, Case{22050, 1, 1024}, Case{22050, 2, 1024}, Case{11025, 1, 1024},
                   Case{48000, 2, 1024}, Case{44100, 1, 300}, Case{22050, 1, 4096}}) {
        const auto channels = static_cast<size_t>(c.channels);
        ChunkSource source(100'000'000, 10000, c.chunkFrames * 2 * c.channels, c.rate, c.channels);
        FillSettings settings;
        settings.volume = 100;
        settings.fadeRate = 100;
        settings.fadeLevel = 1000;
        std::vector<char> buffer(static_cast<size_t>(c.rate) * 4 * channels * 2);
        FillResult r = FillBuffer(source, settings, buffer.data(), buffer.size());
        ASSERT_TRUE(r.last) << c.rate << " " << c.channels;
        std::vector<int16_t> s = Samples(buffer, r.bytes / 2);
        // The first frame after step j of 1024 frames at 44.1 kHz (-1: past the data's end).
        auto after = [&](uint64_t j) { return (j * 1024 * static_cast<uint64_t>(c.rate) + 44099) / 44100; };
        auto at = [&](uint64_t frame) {
            return frame * channels < s.size() ? s[frame * channels] : int16_t{-1};
        };
        EXPECT_EQ(at(after(50) - 1), 5100) << c.rate << " " << c.channels << " " << c.chunkFrames;
        EXPECT_EQ(at(after(50)), 5000) << c.rate << " " << c.channels << " " << c.chunkFrames;
        EXPECT_EQ(at(after(100) - 1), 100) << c.rate << " " << c.channels << " " << c.chunkFrames;
        EXPECT_LE(at(after(100)), 0) << c.rate << " " << c.channels << " " << c.chunkFrames;
        // Nothing is decoded past the chunk in which the fade fell silent.
        EXPECT_LT(r.bytes / 2 / channels, after(100) + static_cast<uint64_t>(c.chunkFrames))
            << c.rate << " " << c.channels;
    }
}

TEST(FillBuffer, AFadeWithoutASpeedIsSilentAtOnce) {
    for (int rate : {0, -5}) {
        ChunkSource source(100000, 10000, 400);
        FillSettings settings;
        settings.fadeRate = rate;
        settings.fadeLevel = 1000;
        std::vector<char> buffer(OggStreamer::kBufferBytes);
        FillResult r = FillBuffer(source, settings, buffer.data(), buffer.size());
        EXPECT_TRUE(r.last);
        EXPECT_EQ(r.bytes, 0u);
        EXPECT_EQ(source.reads, 0);
    }
}

TEST(FillBuffer, PlayOnceEndsWithAShortLastBufferAndLoopingRewinds) {
    ChunkSource once(1000, 7, 4096);
    FillSettings settings;
    settings.volume = 100;
    std::vector<char> buffer(OggStreamer::kBufferBytes);
    FillResult r = FillBuffer(once, settings, buffer.data(), buffer.size());
    EXPECT_TRUE(r.last);
    EXPECT_EQ(r.bytes, 2000u);

    ChunkSource loop(1000, 7, 4096);
    settings.playOnce = false;
    r = FillBuffer(loop, settings, buffer.data(), buffer.size());
    EXPECT_FALSE(r.last);
    EXPECT_EQ(r.bytes, OggStreamer::kBufferBytes);
    EXPECT_EQ(loop.rewinds, 16);  // 32768 bytes out of a 2000-byte file
}

TEST(FillBuffer, ALoopingFileWithNothingAfterRewindingEnds) {
    ChunkSource empty(0, 7, 4096);
    FillSettings settings;
    settings.playOnce = false;
    std::vector<char> buffer(OggStreamer::kBufferBytes);
    FillResult r = FillBuffer(empty, settings, buffer.data(), buffer.size());
    EXPECT_TRUE(r.last);
    EXPECT_EQ(r.bytes, 0u);
    EXPECT_EQ(empty.rewinds, 1);
}

// A decoder that fails after its first chunk.
class FailingSource : public ChunkSource {
  public:
    FailingSource() : ChunkSource(1'000'000, 5, 4096) {}
    long Read(char* out, int bytes) override {
        return reads == 0 ? ChunkSource::Read(out, bytes) : (++reads, -3);
    }
};

TEST(FillBuffer, ADecoderErrorEndsALoopingStreamLikeTheEndOfAPlayOnceFile) {
    FailingSource source;
    FillSettings settings;
    settings.playOnce = false;
    std::vector<char> buffer(OggStreamer::kBufferBytes);
    FillResult r = FillBuffer(source, settings, buffer.data(), buffer.size());
    EXPECT_TRUE(r.last);
    EXPECT_EQ(r.bytes, 4096u);
    EXPECT_EQ(source.reads, 3);  // the chunk, the error, and the one try after going back
}

TEST(OggSource, AShortLoopingFileRepeatsSeamlesslyInsideOneBuffer) {
    std::vector<uint8_t> ogg = EncodeOgg(Tone(44100, 2, 1500, 441, 12000), 44100, 2);
    std::unique_ptr<PcmSource> once = OpenOggSource(ogg);
    ASSERT_NE(once, nullptr);
    EXPECT_EQ(once->Rate(), 44100);
    EXPECT_EQ(once->Channels(), 2);
    FillSettings s1;
    s1.volume = 100;
    std::vector<char> one(OggStreamer::kBufferBytes);
    FillResult r1 = FillBuffer(*once, s1, one.data(), one.size());
    ASSERT_TRUE(r1.last);
    ASSERT_EQ(r1.bytes, 1500u * 4);  // the decoder gives back exactly the frames encoded

    std::unique_ptr<PcmSource> looping = OpenOggSource(ogg);
    FillSettings s2;
    s2.volume = 100;
    s2.playOnce = false;
    std::vector<char> many(OggStreamer::kBufferBytes);
    FillResult r2 = FillBuffer(*looping, s2, many.data(), many.size());
    ASSERT_FALSE(r2.last);
    for (size_t i = 0; i < many.size(); ++i) {
        ASSERT_EQ(many[i], one[i % r1.bytes]) << i;
    }
}

// Both sources hand out at most 1024 frames per read, the size of one decoded Vorbis packet at
// 44.1 kHz, so that a fade, which steps once per chunk, runs at the same pace on WAV and Ogg.
TEST(PcmSource, WavAndOggHandOutChunksOfTheSameFrameCount) {
    const std::vector<int16_t> tone = Tone(44100, 2, 44100, 300, 15000);
    std::vector<uint8_t> wav = {'R',  'I',  'F', 'F', 0, 0, 0,  0, 'W', 'A', 'V',  'E',  'f', 'm',
                                't',  ' ',  16,  0,   0, 0, 1,  0, 2,   0,   0x44, 0xAC, 0,   0,
                                0x10, 0xB1, 2,   0,   4, 0, 16, 0, 'd', 'a', 't',  'a'};
    const uint32_t dataBytes = static_cast<uint32_t>(tone.size() * 2);
    for (int i = 0; i < 4; ++i) {
        wav.push_back(static_cast<uint8_t>(dataBytes >> (8 * i)));
    }
    wav.insert(wav.end(), reinterpret_cast<const uint8_t*>(tone.data()),
               reinterpret_cast<const uint8_t*>(tone.data()) + dataBytes);
    std::unique_ptr<PcmSource> sources[] = {OpenWavSource(wav), OpenOggSource(EncodeOgg(tone, 44100, 2))};
    for (const std::unique_ptr<PcmSource>& source : sources) {
        ASSERT_NE(source, nullptr);
        std::vector<char> buffer(32768);
        long largest = 0;
        long total = 0;
        for (long n; (n = source->Read(buffer.data(), static_cast<int>(buffer.size()))) > 0;) {
            largest = std::max(largest, n);
            total += n;
        }
        EXPECT_EQ(largest, 1024 * 4);
        EXPECT_EQ(total, static_cast<long>(dataBytes));
    }
}

// An Ogg whose header packets are larger than 1 MB, or with more than two channels, is refused
// before libvorbisfile gathers its headers; the edges are accepted.
TEST(OggSource, HeaderPacketsOver1MbAndMoreThanTwoChannelsAreRefused) {
    const struct {
        int channels;
        uint32_t emptyComments;  // four bytes each
        bool accepted;
    } cases[] = {{1, 0, true},  {2, 0, true},      {3, 0, false},
                 {6, 0, false}, {1, 250000, true}, {1, 270000, false}};
    for (const auto& c : cases) {
        std::vector<uint8_t> ogg = EncodeOgg(std::vector<int16_t>(4410 * static_cast<size_t>(c.channels), 0),
                                             44100, c.channels, c.emptyComments);
        EXPECT_EQ(OpenOggSource(ogg) != nullptr, c.accepted)
            << c.channels << " channels, " << c.emptyComments;
    }
}

TEST(OggSource, NonOggDataIsRefused) {
    EXPECT_EQ(OpenOggSource(std::vector<uint8_t>{'O', 'g', 'g', 'S', 0, 0}), nullptr);
    EXPECT_EQ(OpenOggSource(std::vector<uint8_t>{}), nullptr);
    EXPECT_EQ(OpenOggSource(static_cast<std::FILE*>(nullptr)), nullptr);
}

// Drives a streamer through the mixer one buffer's length at a time and counts the frames heard.
struct StreamRun {
    AudioMixer mixer;
    std::atomic<int> playedOut{0};
    std::vector<std::string> warnings;
    OggStreamer streamer{
        mixer, {[this](uint64_t) { ++playedOut; }, [this](const char* t) { warnings.push_back(t); }}};

    // Mixes until the end notice came (or maxSteps), returning the frames of non-silent output.
    size_t PlayToEnd(int maxSteps) {
        size_t heard = 0;
        std::vector<int16_t> out(8192 * 2);
        for (int i = 0; i < maxSteps && playedOut == 0; ++i) {
            mixer.Mix(out.data(), 8192);
            mixer.WaitForNotices();
            for (size_t f = 0; f < 8192; ++f) {
                heard += out[2 * f] != 0 ? 1 : 0;
            }
        }
        return heard;
    }
};

TEST(OggStreamer, AFileEndingOnABufferBoundaryEndsWithAnEmptyLastBufferAndTheEndNotice) {
    // 8192 stereo frames are exactly one 32 KiB buffer.
    std::vector<int16_t> dc(8192 * 2, 9000);
    StreamRun run;
    run.streamer.volume = 100;
    ASSERT_TRUE(run.streamer.Start(OpenOggSource(EncodeOgg(dc, 44100, 2))));
    EXPECT_TRUE(run.streamer.Playing());
    size_t heard = run.PlayToEnd(10);
    EXPECT_EQ(run.playedOut, 1);
    EXPECT_GT(heard, 8000u);
    EXPECT_LE(heard, 8192u);
    // Three buffers came back: the data, the empty last one and the one that waited.
    EXPECT_EQ(run.streamer.NoticesRun(), 3u);
    EXPECT_TRUE(run.streamer.Stop());
    EXPECT_FALSE(run.streamer.Playing());
    EXPECT_TRUE(run.warnings.empty());
}

TEST(OggStreamer, APlayOnceFileIsHeardWholeBeforeTheEndNotice) {
    StreamRun run;
    run.streamer.volume = 100;
    ASSERT_TRUE(run.streamer.Start(OpenOggSource(EncodeOgg(Tone(44100, 2, 30000, 300, 15000), 44100, 2))));
    size_t heard = run.PlayToEnd(20);
    EXPECT_EQ(run.playedOut, 1);
    EXPECT_GT(heard, 29000u);
    EXPECT_LE(heard, 30000u);
    EXPECT_EQ(run.mixer.Underruns(), 0);
}

TEST(OggStreamer, ALoopingFileNeverEndsAndStopSilencesIt) {
    StreamRun run;
    run.streamer.playOnce = 0;
    ASSERT_TRUE(run.streamer.Start(OpenOggSource(EncodeOgg(Tone(44100, 1, 5000, 300, 15000), 44100, 1))));
    size_t heard = run.PlayToEnd(12);
    EXPECT_EQ(run.playedOut, 0);
    EXPECT_GT(heard, 12u * 8000);
    EXPECT_TRUE(run.streamer.Stop());
    std::vector<int16_t> out(1024 * 2, 1);
    run.mixer.Mix(out.data(), 1024);
    EXPECT_EQ(out, std::vector<int16_t>(1024 * 2, 0));
}

TEST(OggStreamer, AFadeToSilenceEndsALoopingStream) {
    StreamRun run;
    run.streamer.playOnce = 0;
    ASSERT_TRUE(run.streamer.Start(OpenOggSource(EncodeOgg(Tone(44100, 2, 44100, 300, 15000), 44100, 2))));
    run.PlayToEnd(2);
    run.streamer.playOnce = 1;
    run.streamer.fadeRate = 20;
    run.PlayToEnd(50);
    EXPECT_EQ(run.playedOut, 1);
}

TEST(OggStreamer, StopWhenIdleAndAStartWithoutAFileLeaveItIdle) {
    StreamRun run;
    EXPECT_TRUE(run.streamer.Stop());
    EXPECT_FALSE(run.streamer.Start(nullptr));
    EXPECT_FALSE(run.streamer.Playing());
    EXPECT_TRUE(run.warnings.empty());
}

}  // namespace
}  // namespace textreel
