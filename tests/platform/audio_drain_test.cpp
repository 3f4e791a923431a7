#include "platform/audio_drain.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace textreel {
namespace {

TEST(AudioDrain, PlaysStreamsOutAndWakesFromIdleForEachNewBuffer) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> done;
    AudioMixer mixer;
    SteadyClock clock;
    AudioDrain drain(mixer, clock);
    auto stream = mixer.OpenWaveOut(44100, 1, [&](int tag) {
        std::lock_guard lock(mutex);
        done.push_back(tag);
        changed.notify_all();
    });
    ASSERT_NE(stream, nullptr);
    for (int tag = 0; tag < 3; ++tag) {
        // Each buffer is queued after the one before has played out, when the drain has gone or
        // is about to go back to waiting for something to play.
        ASSERT_TRUE(stream->Queue(std::vector<int16_t>(441, 100), tag));
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20),
                                     [&] { return done.size() == static_cast<size_t>(tag + 1); }));
    }
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2}));
    stream->Close();
}

}  // namespace
}  // namespace textreel
