// The movie decoder on the movies it is made for and on damaged and hostile files: a good movie in
// every container gives its pictures in order, the right way up and in the right colours; a bad one
// is refused with a reason or decodes to an end, never reading what it names.
#include "movie/movie_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/movie_maker.h"
#include "support/temp_title.h"
#include "support/test_files.h"

namespace textreel {
namespace {

using testing::MakeMovie;
using testing::MovieRecipe;
using testing::TempTitle;

// More than any movie here needs: a decode that has not ended by then counts as a hang.
constexpr int kMaxSteps = 2000;

struct Drained {
    int pictures = 0;
    int converted = 0;
    int64_t soundSamples = 0;  // per channel
    bool ended = false;
    std::vector<int64_t> times;
    std::vector<uint8_t> first;  // the first picture, as converted
};

// Decodes pictures and sound in turn until both end, as the player does.
Drained Drain(MovieDecoder& movie, int width, int height) {
    Drained out;
    EXPECT_TRUE(movie.SetPictureSize(width, height));
    const int stride = width * 3 + 2;  // a pitch wider than the row, as surfaces may have
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    bool pictures = movie.Info().hasPicture;
    bool sound = movie.Info().hasSound;
    std::vector<int16_t> samples;
    for (int step = 0; step < kMaxSteps && (pictures || sound); ++step) {
        int64_t t = -1;
        if (pictures && (pictures = movie.NextPicture(t) == MovieDecoder::Result::kOk)) {
            ++out.pictures;
            out.times.push_back(t);
            if (movie.ConvertPicture(pixels.data(), stride)) {
                if (out.converted++ == 0) {
                    out.first = pixels;
                }
            }
        }
        if (sound && (sound = movie.NextSound(samples, t) == MovieDecoder::Result::kOk)) {
            out.soundSamples += static_cast<int64_t>(samples.size()) / MovieDecoder::kSoundChannels;
            samples.clear();
        }
    }
    out.ended = !pictures && !sound;
    return out;
}

// 25 frames of MPEG-1 with sound, each picture with a moving texture so that the pictures, not
// the sound, are most of the bytes.
std::vector<uint8_t> GoodMpeg(const TempTitle& dir) {
    MovieRecipe recipe;
    recipe.frames = 25;
    recipe.sound = true;
    recipe.draw = [](int frame, std::vector<uint8_t>& rgb) {
        for (size_t i = 0; i < rgb.size(); ++i) {
            rgb[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(frame) * 13) ^ (i / 192 * 31));
        }
    };
    std::string error;
    EXPECT_TRUE(MakeMovie(recipe, dir.Path() + "/good.mpg", &error)) << error;
    return dir.Read("good.mpg");
}

struct HostileCase {
    const char* name;
    // Writes the file to open (and what lies beside it) and returns its name in dir.
    std::function<std::string(const TempTitle& dir, const std::vector<uint8_t>& good)> make;
    bool mustRefuse;
    int minPictures, maxPictures;  // when it opens
    const char* reason = "";       // what the refusal must say
};

std::vector<uint8_t> Cut(const std::vector<uint8_t>& good, int percent) {
    return std::vector<uint8_t>(good.begin(),
                                good.begin() + static_cast<ptrdiff_t>(good.size() * percent / 100));
}

std::string WriteAs(const TempTitle& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    dir.Write(name, bytes);
    return name;
}

TEST(MovieDecoder, DamagedAndHostileFilesAreRefusedOrDecodeToAnEnd) {
    const std::vector<HostileCase> cases = {
        {"cut at 10 %", [](auto& d, auto& g) { return WriteAs(d, "cut10.mpg", Cut(g, 10)); }, false, 0, 24},
        {"cut at 50 %", [](auto& d, auto& g) { return WriteAs(d, "cut50.mpg", Cut(g, 50)); }, false, 1, 24},
        {"cut at 90 %", [](auto& d, auto& g) { return WriteAs(d, "cut90.mpg", Cut(g, 90)); }, false, 1, 25},
        {"random bytes over the middle",
         [](auto& d, auto& g) {
             std::vector<uint8_t> bytes = g;
             std::mt19937 random(14);
             for (size_t i = bytes.size() * 2 / 5; i < bytes.size() * 3 / 5; ++i) {
                 bytes[i] = static_cast<uint8_t>(random());
             }
             return WriteAs(d, "garbled.mpg", bytes);
         },
         false, 8, 25},
        {"zero bytes", [](auto& d, auto&) { return WriteAs(d, "empty.mpg", {}); }, true, 0, 0},
        {"a text file",
         [](auto& d, auto&) {
             d.Write("story.mpg", std::string("This is not a movie.\nJust a few lines of text.\n"));
             return std::string("story.mpg");
         },
         true, 0, 0},
        {"a PNG",
         [](auto& d, auto&) { return WriteAs(d, "picture.mpg", testing::MakePng(64, 48, 0x2040c0)); }, true,
         0, 0},
        // Both name a good movie beside them, which must never be read.
        {"an HLS playlist",
         [](auto& d, auto& g) {
             WriteAs(d, "other.mpg", g);
             d.Write("list.m3u8", std::string("#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n"
                                              "#EXTINF:1.0,\nother.mpg\n#EXT-X-ENDLIST\n"));
             return std::string("list.m3u8");
         },
         false, 0, 0},
        {"an ffconcat script",
         [](auto& d, auto& g) {
             WriteAs(d, "other.mpg", g);
             d.Write("list.mpg", std::string("ffconcat version 1.0\nfile 'other.mpg'\n"));
             return std::string("list.mpg");
         },
         false, 0, 0},
        // Matroska is not a container titles shipped movies in: refused, whatever it holds (here six
        // pictures, the first at 1 s and the others past what 64 bits of microseconds hold).
        {"a Matroska movie",
         [](auto& d, auto&) {
             std::ifstream in(
                 std::string(TEXTREEL_TEST_DATA) + "/../fuzz/seeds/movie_decoder_fuzz/far-times.mkv",
                 std::ios::binary);
             return WriteAs(d, "far.mkv",
                            {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
         },
         true, 0, 0, "not a movie in a container the player reads"},
        // A small WMV with the width in its header raised past what the player shows.
        {"a picture wider than the player shows",
         [](auto& d, auto&) {
             MovieRecipe recipe;
             recipe.container = "asf";
             recipe.frames = 2;
             std::string error;
             EXPECT_TRUE(MakeMovie(recipe, d.Path() + "/small.wmv", &error)) << error;
             std::vector<uint8_t> bytes = d.Read("small.wmv");
             // The stream's size and its bitmap header's: width, then height, 32 bits each.
             const std::array<uint8_t, 8> size = {64, 0, 0, 0, 48, 0, 0, 0};
             const uint32_t wide = MovieDecoder::kMaxSide + 16;
             int patched = 0;
             for (auto at = bytes.begin();
                  (at = std::search(at, bytes.end(), size.begin(), size.end())) != bytes.end(); ++patched) {
                 for (int k = 0; k < 4; ++k) {
                     *at++ = static_cast<uint8_t>(wide >> (8 * k));
                 }
             }
             EXPECT_EQ(patched, 2);
             return WriteAs(d, "wide.wmv", bytes);
         },
         true, 0, 0, "8208 x 48"},
    };
    TempTitle dir;
    const std::vector<uint8_t> good = GoodMpeg(dir);
    ASSERT_GT(good.size(), 10000u);
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.make(dir, good);
        std::string error;
        std::unique_ptr<MovieDecoder> movie = MovieDecoder::Open(dir.Path() + "/" + name, &error);
        if (movie == nullptr) {
            EXPECT_FALSE(error.empty());
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
            EXPECT_EQ(c.minPictures, 0) << error;
            continue;
        }
        EXPECT_FALSE(c.mustRefuse) << "opened as " << movie->Info().container;
        Drained d = Drain(*movie, 64, 48);
        EXPECT_TRUE(d.ended);
        EXPECT_GE(d.pictures, c.minPictures) << "of 25";
        EXPECT_LE(d.pictures, c.maxPictures) << "of 25";
        EXPECT_EQ(d.converted, d.pictures);
        for (size_t i = 1; i < d.times.size(); ++i) {
            EXPECT_GT(d.times[i], d.times[i - 1]) << "picture " << i;
        }
    }
}

struct GoodCase {
    const char* container;
    bool sound;
};

TEST(MovieDecoder, EveryContainerGivesItsPicturesInOrderTheRightWayUp) {
    constexpr int kFrames = 12;
    const std::array<GoodCase, 5> cases = {
        {{"mpeg", true}, {"mpeg2", true}, {"avi", false}, {"asf", true}, {"mp4", true}}};
    TempTitle dir;
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.container);
        MovieRecipe recipe;
        recipe.container = c.container;
        recipe.frames = kFrames;
        recipe.sound = c.sound;
        // Red above, blue below.
        recipe.draw = [](int, std::vector<uint8_t>& rgb) {
            for (size_t i = 0; i < rgb.size() / 3; ++i) {
                const bool top = i < rgb.size() / 6;
                rgb[i * 3] = top ? 220 : 20;
                rgb[i * 3 + 1] = 30;
                rgb[i * 3 + 2] = top ? 20 : 220;
            }
        };
        const std::string path = dir.Path() + "/movie-" + c.container;
        std::string error;
        ASSERT_TRUE(MakeMovie(recipe, path, &error)) << error;
        std::unique_ptr<MovieDecoder> movie = MovieDecoder::Open(path, &error);
        ASSERT_NE(movie, nullptr) << error;
        EXPECT_TRUE(movie->Info().hasPicture);
        EXPECT_EQ(movie->Info().hasSound, c.sound);
        EXPECT_EQ(movie->Info().width, 64);
        EXPECT_EQ(movie->Info().height, 48);

        Drained d = Drain(*movie, 64, 48);
        EXPECT_TRUE(d.ended);
        EXPECT_EQ(d.pictures, kFrames);
        EXPECT_EQ(d.converted, kFrames);
        EXPECT_EQ(d.soundSamples > 0, c.sound);
        for (size_t i = 1; i < d.times.size(); ++i) {
            EXPECT_GT(d.times[i], d.times[i - 1]) << "picture " << i;
        }
        // Rows are stored bottom-up as blue, green, red: the last row in memory is the top one.
        ASSERT_FALSE(d.first.empty());
        const int stride = 64 * 3 + 2;
        auto pixel = [&](int rowFromTop) {
            const uint8_t* p = &d.first[static_cast<size_t>((47 - rowFromTop) * stride + 32 * 3)];
            return std::array<int, 3>{p[0], p[1], p[2]};
        };
        const std::array<int, 3> top = pixel(4), bottom = pixel(43);
        const std::array<int, 3> red = {20, 30, 220}, blue = {220, 30, 20};
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_NEAR(top[k], red[k], 16) << "top, byte " << k;
            EXPECT_NEAR(bottom[k], blue[k], 16) << "bottom, byte " << k;
        }
    }
}

}  // namespace
}  // namespace textreel
