#include "platform/audio_mixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace textreel {
namespace {

std::shared_ptr<const PcmSound> Sound(int rate, int channels, std::vector<int16_t> samples) {
    auto s = std::make_shared<PcmSound>();
    s->rate = rate;
    s->channels = channels;
    s->samples = std::move(samples);
    return s;
}

std::vector<int16_t> Constant(size_t count, int16_t value) {
    return std::vector<int16_t>(count, value);
}

// Mixes frames stereo frames and returns them.
std::vector<int16_t> Mix(AudioMixer& mixer, int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 12345);
    mixer.Mix(out.data(), frames);
    return out;
}

// The left channel of mixed output.
std::vector<int16_t> Left(const std::vector<int16_t>& stereo) {
    std::vector<int16_t> left;
    for (size_t i = 0; i < stereo.size(); i += 2) {
        left.push_back(stereo[i]);
    }
    return left;
}

// Records done notices and the thread each ran on.
class Notices {
  public:
    std::function<void(int)> Callback() {
        return [this](int tag) {
            std::lock_guard lock(mutex_);
            tags_.push_back(tag);
            threads_.push_back(std::this_thread::get_id());
            changed_.notify_all();
        };
    }
    bool WaitFor(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return tags_.size() >= count; });
    }
    std::vector<int> Tags() {
        std::lock_guard lock(mutex_);
        return tags_;
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> tags_;
    std::vector<std::thread::id> threads_;
};

TEST(AudioMixer, InterfaceSoundPlaysItsFramesThenStops) {
    AudioMixer mixer;
    mixer.PlayInterfaceSound(Sound(44100, 2, {100, -100, 200, -200, 300, -300}));
    EXPECT_TRUE(mixer.InterfaceSoundPlaying());
    EXPECT_TRUE(mixer.Active());
    std::vector<int16_t> out = Mix(mixer, 5);
    EXPECT_EQ(out, (std::vector<int16_t>{100, -100, 200, -200, 300, -300, 0, 0, 0, 0}));
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());
    EXPECT_FALSE(mixer.Active());
    EXPECT_EQ(Mix(mixer, 2), (std::vector<int16_t>{0, 0, 0, 0}));
}

TEST(AudioMixer, MonoSoundIsHeardOnBothSides) {
    AudioMixer mixer;
    mixer.PlayInterfaceSound(Sound(44100, 1, {7, 8}));
    EXPECT_EQ(Mix(mixer, 2), (std::vector<int16_t>{7, 7, 8, 8}));
}

TEST(AudioMixer, NewInterfaceSoundReplacesTheOnePlaying) {
    AudioMixer mixer;
    mixer.PlayInterfaceSound(Sound(44100, 1, Constant(100, 1000)));
    EXPECT_EQ(Left(Mix(mixer, 10)), Constant(10, 1000));
    mixer.PlayInterfaceSound(Sound(44100, 1, Constant(20, -500)));
    std::vector<int16_t> left = Left(Mix(mixer, 30));
    EXPECT_EQ(std::vector<int16_t>(left.begin(), left.begin() + 20), Constant(20, -500));
    EXPECT_EQ(std::vector<int16_t>(left.begin() + 20, left.end()), Constant(10, 0));
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());

    mixer.PlayInterfaceSound(Sound(44100, 1, Constant(100, 1000)));
    mixer.StopInterfaceSound();
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());
    EXPECT_EQ(Left(Mix(mixer, 3)), Constant(3, 0));
}

TEST(AudioMixer, UnplayableSoundsPlayNothing) {
    AudioMixer mixer;
    mixer.PlayInterfaceSound(Sound(44100, 1, {}));
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());
    mixer.PlayInterfaceSound(Sound(0, 1, {1, 2}));
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());
    mixer.PlayInterfaceSound(Sound(44100, 0, {1, 2}));
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());
    mixer.PlayInterfaceSound(nullptr);
    EXPECT_FALSE(mixer.InterfaceSoundPlaying());
    EXPECT_EQ(Left(Mix(mixer, 3)), Constant(3, 0));
}

TEST(AudioMixer, HalfRateSoundLastsTwiceAsLongAndInterpolates) {
    AudioMixer mixer;
    mixer.PlayInterfaceSound(Sound(22050, 1, {0, 1000, 2000}));
    // Output frames fall on source positions 0, 0.5, 1, 1.5, 2, 2.5; the last frame has no
    // neighbour and is held.
    EXPECT_EQ(Left(Mix(mixer, 8)), (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2000, 0, 0}));

    const int sourceFrames = 22050;
    mixer.PlayInterfaceSound(Sound(22050, 1, Constant(sourceFrames, 1000)));
    int heard = 0;
    for (int round = 0; round < 200 && mixer.InterfaceSoundPlaying(); ++round) {
        for (int16_t v : Left(Mix(mixer, 512))) {
            heard += v != 0 ? 1 : 0;
        }
    }
    EXPECT_NEAR(heard, 2 * sourceFrames, 2);
}

TEST(AudioMixer, LoudSourcesSaturate) {
    Notices notices;  // outlives the mixer's completion thread
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(44100, 2, notices.Callback());
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(stream->Queue({30000, -30000, 30000, -30000, 20000, -20000}, 1));
    mixer.PlayInterfaceSound(Sound(44100, 2, {30000, -30000, -1000, 1000, -25000, 25000}));
    EXPECT_EQ(Mix(mixer, 3), (std::vector<int16_t>{32767, -32768, 29000, -29000, -5000, 5000}));
}

TEST(AudioMixer, WaveOutPlaysBuffersInOrderAndNotifiesEachOnceOffTheMixThread) {
    Notices notices;  // outlives the mixer's completion thread
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(44100, 1, notices.Callback());
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(stream->Queue(Constant(5, 100), 1));
    ASSERT_TRUE(stream->Queue({}, 2));  // an empty last buffer still gets its notice
    ASSERT_TRUE(stream->Queue(Constant(7, 300), 3));
    ASSERT_TRUE(stream->Queue(Constant(3, 400), 4));
    EXPECT_EQ(stream->QueuedBuffers(), 4);

    std::vector<int16_t> left = Left(Mix(mixer, 10));
    std::vector<int16_t> expected = Constant(5, 100);
    expected.insert(expected.end(), 5, 300);
    EXPECT_EQ(left, expected);
    ASSERT_TRUE(notices.WaitFor(2));
    EXPECT_EQ(stream->QueuedBuffers(), 2);

    left = Left(Mix(mixer, 10));
    expected = Constant(2, 300);
    expected.insert(expected.end(), 3, 400);
    expected.insert(expected.end(), 5, 0);
    EXPECT_EQ(left, expected);
    ASSERT_TRUE(notices.WaitFor(4));
    EXPECT_FALSE(mixer.Active());

    stream->Close();  // returns after every notice of the stream has run
    EXPECT_EQ(notices.Tags(), (std::vector<int>{1, 2, 3, 4}));
    for (std::thread::id id : notices.Threads()) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
    EXPECT_FALSE(stream->Queue(Constant(4, 1), 5));
}

TEST(AudioMixer, WaveOutResamplesAcrossBufferBoundaries) {
    Notices notices;  // outlives the mixer's completion thread
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(22050, 1, notices.Callback());
    ASSERT_TRUE(stream->Queue({0, 1000}, 1));
    ASSERT_TRUE(stream->Queue({2000}, 2));
    // Source positions 0, 0.5, 1, 1.5 (between the buffers), 2, 2.5 (held), then nothing.
    EXPECT_EQ(Left(Mix(mixer, 7)), (std::vector<int16_t>{0, 500, 1000, 1500, 2000, 2000, 0}));
    ASSERT_TRUE(notices.WaitFor(2));
    EXPECT_EQ(notices.Tags(), (std::vector<int>{1, 2}));
}

TEST(AudioMixer, ThePlayedPositionCountsTheSourceFramesMixedLessWhatTheDeviceHolds) {
    Notices notices;  // outlives the mixer's completion thread
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(22050, 1, notices.Callback());
    ASSERT_TRUE(stream->Queue(Constant(4410, 1000), 1));
    EXPECT_EQ(stream->PlayedFrames(), 0.0);
    Mix(mixer, 441);
    Mix(mixer, 441);
    // Two periods of 441 output frames take 441 source frames at half the rate; the second period
    // counts as far as it has been heard, which depends on the time gone by since it was mixed.
    EXPECT_GE(stream->PlayedFrames(), 220.0);
    EXPECT_LE(stream->PlayedFrames(), 441.0);
    // A device that holds a second of sound has let none of this be heard yet.
    mixer.SetDeviceLatency(44100);
    EXPECT_EQ(stream->PlayedFrames(), 0.0);
    stream->Close();
}

TEST(AudioMixer, ResetReturnsEveryQueuedBufferInOrder) {
    Notices notices;  // outlives the mixer's completion thread
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(44100, 2, notices.Callback());
    for (int tag = 0; tag < 3; ++tag) {
        ASSERT_TRUE(stream->Queue(Constant(200, 1000), tag));
    }
    Mix(mixer, 50);  // the first buffer is partly played
    stream->Reset();
    ASSERT_TRUE(notices.WaitFor(3));
    EXPECT_EQ(notices.Tags(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(stream->QueuedBuffers(), 0);
    EXPECT_EQ(Left(Mix(mixer, 4)), Constant(4, 0));

    // The stream stays open: new buffers play from their start.
    ASSERT_TRUE(stream->Queue({5, 6, 7, 8}, 9));
    EXPECT_EQ(Mix(mixer, 3), (std::vector<int16_t>{5, 6, 7, 8, 0, 0}));
    stream->Close();
    EXPECT_EQ(notices.Tags(), (std::vector<int>{0, 1, 2, 9}));
}

TEST(AudioMixer, NoticesCanRefillAndCloseTheirStream) {
    // Declared before the mixer, so that they outlive its completion thread.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> handled;  // tags whose notice has done its work
    std::shared_ptr<WaveOut> stream;
    AudioMixer mixer;
    auto onDone = [&](int tag) {
        std::shared_ptr<WaveOut> s;
        {
            std::lock_guard lock(mutex);
            s = stream;
        }
        if (tag < 3) {
            s->Queue(Constant(4, static_cast<int16_t>(tag + 1)), tag + 1);
        } else {
            s->Close();  // from the completion thread: must not wait for itself
        }
        std::lock_guard lock(mutex);
        handled.push_back(tag);
        changed.notify_all();
    };
    {
        std::lock_guard lock(mutex);
        stream = mixer.OpenWaveOut(44100, 1, onDone);
        ASSERT_NE(stream, nullptr);
    }
    ASSERT_TRUE(stream->Queue(Constant(4, 0), 0));
    for (int played = 0; played < 4; ++played) {
        EXPECT_EQ(Left(Mix(mixer, 4)), Constant(4, static_cast<int16_t>(played)));
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20),
                                     [&] { return handled.size() == static_cast<size_t>(played + 1); }));
    }
    EXPECT_FALSE(stream->Queue(Constant(4, 9), 9));
    std::lock_guard lock(mutex);
    EXPECT_EQ(handled, (std::vector<int>{0, 1, 2, 3}));
}

TEST(AudioMixer, OpenWaveOutRefusesUnusableFormats) {
    AudioMixer mixer;
    EXPECT_EQ(mixer.OpenWaveOut(0, 2, nullptr), nullptr);
    EXPECT_EQ(mixer.OpenWaveOut(44100, 0, nullptr), nullptr);
    EXPECT_EQ(mixer.OpenWaveOut(AudioMixer::kMaxSourceRate + 1, 2, nullptr), nullptr);
    auto six = mixer.OpenWaveOut(48000, 6, nullptr);
    ASSERT_NE(six, nullptr);
    EXPECT_EQ(six->Channels(), 6);
    EXPECT_EQ(six->Rate(), 48000);
}

TEST(AudioMixer, SixChannelStreamIsHeardThroughItsFirstTwo) {
    AudioMixer mixer;
    auto stream = mixer.OpenWaveOut(44100, 6, nullptr);
    ASSERT_TRUE(stream->Queue({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, 0));  // 13th: partial frame
    EXPECT_EQ(Mix(mixer, 3), (std::vector<int16_t>{1, 2, 7, 8, 0, 0}));
}

TEST(AudioMixer, WaitUntilActiveWakesForSoundsAndForStop) {
    AudioMixer mixer;
    std::thread player([&] { mixer.PlayInterfaceSound(Sound(44100, 1, Constant(10, 1))); });
    EXPECT_TRUE(mixer.WaitUntilActive());
    player.join();
    mixer.StopInterfaceSound();
    std::thread stopper([&] { mixer.StopWaiting(); });
    EXPECT_FALSE(mixer.WaitUntilActive());
    stopper.join();
}

TEST(AudioMixer, StreamHandleMayOutliveTheMixer) {
    Notices notices;
    std::shared_ptr<WaveOut> stream;
    {
        AudioMixer mixer;
        stream = mixer.OpenWaveOut(44100, 1, notices.Callback());
        ASSERT_TRUE(stream->Queue(Constant(10, 1), 1));
    }
    EXPECT_FALSE(stream->Queue(Constant(10, 1), 2));
    stream->Reset();
    stream->Close();
    EXPECT_EQ(stream->QueuedBuffers(), 0);
}

}  // namespace
}  // namespace textreel
