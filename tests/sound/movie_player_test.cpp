#include "sound/movie_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>

#include "support/fake_platform.h"
#include "support/movie_maker.h"

namespace textreel {
namespace {

namespace fs = std::filesystem;

// Plays a movie in a 64 x 48 window and waits (on the finished hook, never on the clock) until it
// has played out or a minute has gone by.
struct Played {
    MoviePlayer::Stats stats;
    bool finished = false;
};

Played Play(testing::FakePlatform& platform, const std::string& path, bool stopAtFirstPicture = false) {
    MoviePlayer player;
    std::mutex mutex;
    std::condition_variable changed;
    bool showing = false;
    bool finished = false;
    MoviePlayer::Hooks hooks;
    hooks.showing = [&] {
        std::lock_guard lock(mutex);
        showing = true;
        changed.notify_all();
    };
    hooks.finished = [&] {
        std::lock_guard lock(mutex);
        finished = true;
        changed.notify_all();
    };
    bool opened = false;
    bool failed = false;
    hooks.opened = [&](MoviePlayer::StartError kind, const std::string& why) {
        EXPECT_EQ(kind, MoviePlayer::StartError::kNone) << why;
        std::lock_guard lock(mutex);
        opened = true;
        failed = kind != MoviePlayer::StartError::kNone;
        changed.notify_all();
    };
    platform.OpenWindow("movie", 64, 48);
    Played result;
    player.Open(path, platform, 64, 48, hooks);
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::minutes(1), [&] { return opened; });
        EXPECT_TRUE(opened);
        changed.wait_for(lock, std::chrono::minutes(1),
                         [&] { return failed || finished || (stopAtFirstPicture && showing); });
        result.finished = finished;
    }
    result.stats = player.Stop();
    return result;
}

std::string Make(const fs::path& dir, const char* name, testing::MovieRecipe movie) {
    std::string path = (dir / name).string();
    std::string error;
    EXPECT_TRUE(testing::MakeMovie(movie, path, &error)) << error;
    return path;
}

TEST(MoviePlayer, EveryPictureIsShownOrDroppedAndDamagedTimesDoNotHoldTheMovie) {
    fs::path dir = fs::temp_directory_path() / ("textreel-movie-player-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    testing::MovieRecipe silent;
    silent.frames = 10;
    testing::MovieRecipe sound = silent;
    sound.sound = true;
    const struct {
        std::string path;
        int64_t pictures;
    } cases[] = {
        {Make(dir, "silent.mpg", silent), 10},
        {Make(dir, "sound.mpg", sound), 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        testing::FakePlatform platform;
        Played played = Play(platform, c.path);
        EXPECT_TRUE(played.finished);
        EXPECT_EQ(played.stats.frames + played.stats.dropped, c.pictures);
        EXPECT_GE(played.stats.frames, 1);
        EXPECT_TRUE(played.stats.anything);
    }
    fs::remove_all(dir);
}

TEST(MoviePlayer, AWideMovieKeepsItsShapeAndStopEndsItAtOnce) {
    fs::path dir = fs::temp_directory_path() / ("textreel-movie-wide-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    testing::MovieRecipe wide;
    wide.width = 128;
    wide.height = 48;
    wide.frames = 250;
    wide.colour = [](int) { return std::array<uint8_t, 3>{240, 240, 240}; };
    testing::FakePlatform platform;
    Played played = Play(platform, Make(dir, "wide.mpg", wide), true);
    EXPECT_FALSE(played.finished);
    EXPECT_GE(played.stats.frames, 1);
    // 128 x 48 in a 64 x 48 window: 64 x 24 in the middle, black above and below.
    EXPECT_EQ(platform.WindowPixel(32, 5), 0u);
    EXPECT_EQ(platform.WindowPixel(32, 42), 0u);
    EXPECT_GT(platform.WindowPixel(32, 24) & 0xff, 200u);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace textreel
