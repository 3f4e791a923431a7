// The movies the tests and the demo are made of, decoded again through libavformat and libavcodec:
// each container opens with the right codecs, frame count, timestamps and sound, and solid colours
// come back as the colours given.
#include "support/movie_maker.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "support/temp_title.h"

namespace textreel::testing {
namespace {

struct ContainerCase {
    const char* container;
    const char* format;  // what libavformat calls it when it opens the file
    const char* videoCodec;
    const char* soundCodec;
};

class MovieContainers : public ::testing::TestWithParam<ContainerCase> {};

constexpr std::array<std::array<uint8_t, 3>, 3> kColours = {{{230, 20, 20}, {20, 200, 40}, {30, 40, 220}}};

TEST_P(MovieContainers, DecodeToTheFramesColoursAndSoundThatWereAskedFor) {
    const ContainerCase& c = GetParam();
    TempTitle dir;
    MovieRecipe made;
    made.container = c.container;
    made.fps = 25;
    made.frames = 30;  // ten frames each of red, green, blue
    made.colour = [](int frame) { return kColours[static_cast<size_t>(frame / 10)]; };
    made.sound = true;
    const std::string path = dir.Path() + "/movie";
    std::string error;
    ASSERT_TRUE(MakeMovie(made, path, &error)) << error;

    std::vector<std::array<uint8_t, 3>> middles;
    DecodedMovie movie;
    ASSERT_TRUE(DecodeMovie(
        path, &movie,
        [&](int, const std::vector<uint8_t>& rgb) {
            const size_t at = (static_cast<size_t>(24) * 64 + 32) * 3;
            middles.push_back({rgb[at], rgb[at + 1], rgb[at + 2]});
        },
        &error))
        << error;
    EXPECT_EQ(movie.format.find(c.format), 0u) << movie.format;
    EXPECT_EQ(movie.videoCodec, c.videoCodec);
    EXPECT_EQ(movie.width, 64);
    EXPECT_EQ(movie.height, 48);
    ASSERT_EQ(movie.frames, 30);
    ASSERT_EQ(middles.size(), 30u);
    for (int i = 0; i < 30; ++i) {
        const std::array<uint8_t, 3>& want = kColours[static_cast<size_t>(i / 10)];
        for (int k = 0; k < 3; ++k) {
            EXPECT_LE(std::abs(middles[static_cast<size_t>(i)][static_cast<size_t>(k)] -
                               want[static_cast<size_t>(k)]),
                      12)
                << "frame " << i << " channel " << k;
        }
    }
    // Timestamps a frame apart from the first frame's on. A program stream stamps only the first
    // frame that starts in each of its packets, so with frames this small a few carry none (the
    // decoder then gives -1); a player has to count on from the last stamp it saw.
    ASSERT_GE(movie.frameSeconds[0], 0.0);
    int stamped = 0;
    for (int i = 1; i < 30; ++i) {
        const double t = movie.frameSeconds[static_cast<size_t>(i)];
        if (t >= 0) {
            ++stamped;
            EXPECT_NEAR(t - movie.frameSeconds[0], i / 25.0, 0.002) << "frame " << i;
        }
    }
    EXPECT_GE(stamped, 25);
    // The container knows its length: 1.2 s of pictures, the sound up to two audio frames
    // longer (a frame of silence ends it).
    EXPECT_GE(movie.durationSeconds, 1.15);
    EXPECT_LE(movie.durationSeconds, 1.32);
    ASSERT_TRUE(movie.sound);
    EXPECT_EQ(movie.soundCodec, c.soundCodec);
    EXPECT_EQ(movie.sampleRate, 44100);
    EXPECT_EQ(movie.channels, 2);
    EXPECT_GE(movie.soundSamples, 44100 * 12 / 10);
    EXPECT_LE(movie.soundSamples, 44100 * 12 / 10 + 4096);
}

INSTANTIATE_TEST_SUITE_P(Containers, MovieContainers,
                         ::testing::Values(ContainerCase{"mpeg", "mpeg", "mpeg1video", "mp2"},
                                           ContainerCase{"mpeg2", "mpeg", "mpeg2video", "mp2"},
                                           ContainerCase{"avi", "avi", "mpeg4", "mp2"},
                                           ContainerCase{"asf", "asf", "wmv2", "wmav2"},
                                           ContainerCase{"mp4", "mov", "mpeg4", "aac"}),
                         [](const auto& info) { return std::string(info.param.container); });

TEST(MovieMaker, AMovieWithoutSoundHasNoSoundStream) {
    TempTitle dir;
    MovieRecipe made;
    made.frames = 5;
    const std::string path = dir.Path() + "/quiet.mpg";
    std::string error;
    ASSERT_TRUE(MakeMovie(made, path, &error)) << error;
    DecodedMovie movie;
    ASSERT_TRUE(DecodeMovie(path, &movie, {}, &error)) << error;
    EXPECT_EQ(movie.frames, 5);
    EXPECT_FALSE(movie.sound);
}

TEST(MovieMaker, WhatCannotBeMadeIsRefusedWithAReason) {
    TempTitle dir;
    std::string error;
    MovieRecipe unknown;
    unknown.container = "mkv";
    EXPECT_FALSE(MakeMovie(unknown, dir.Path() + "/a", &error));
    EXPECT_NE(error.find("mkv"), std::string::npos);
    MovieRecipe odd;
    odd.width = 63;
    error.clear();
    EXPECT_FALSE(MakeMovie(odd, dir.Path() + "/b", &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(MakeMovie(MovieRecipe{}, dir.Path() + "/no-such-folder/c.mpg", &error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos);
    MovieRecipe oddRate;  // MP2 has no such rate: the encoder refuses it
    oddRate.sound = true;
    oddRate.sampleRate = 12345;
    error.clear();
    EXPECT_FALSE(MakeMovie(oddRate, dir.Path() + "/d.mpg", &error));
    EXPECT_NE(error.find("mp2"), std::string::npos) << error;
    DecodedMovie movie;
    EXPECT_FALSE(DecodeMovie(dir.Path() + "/missing.mpg", &movie, {}, &error));
}

}  // namespace
}  // namespace textreel::testing
