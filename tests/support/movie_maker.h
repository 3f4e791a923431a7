// Tiny movie files made with the encoders built into FFmpeg (libavcodec, libavformat), for the
// tests, the benches and the demo tools; and a plain decode of a movie file, so that what was made
// can be looked at.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace textreel::testing {

struct MovieRecipe {
    int width = 64, height = 48;
    int fps = 25;  // MPEG-1 and MPEG-2 take 24, 25, 30, 50 or 60; the others any rate up to 60
    int frames = 25;
    // The picture of frame i: by default a solid colour from `colour` (black when unset); `draw`
    // (if set) paints frame i into an RGB24 top-down buffer of width x height instead. The buffer
    // is cleared to black before each call.
    std::function<std::array<uint8_t, 3>(int frame)> colour;
    std::function<void(int frame, std::vector<uint8_t>& rgb)> draw;
    bool sound = false;  // a sine tone for the whole length
    int sampleRate = 44100;
    int channels = 2;
    double toneHz = 440;
    int amplitude = 8000;
    // The sound's sample at a sample index (sampleRate per second) on a channel, in -32768..32767;
    // replaces the tone when set.
    std::function<int(int64_t sample, int channel)> sample;
    // "mpeg": MPEG-1 video + MP2 sound in an MPEG program stream (.mpg), what titles shipped;
    // "mpeg2": MPEG-2 video + MP2 in a program stream; "avi": MPEG-4 part 2 + MP2 in AVI;
    // "asf": WMV2 + WMA v2 in ASF (.wmv); "mp4": MPEG-4 part 2 + AAC in MP4.
    std::string container = "mpeg";
    // Video bits per second; 0: a constant quantizer of good quality (4), which keeps smooth
    // pictures small.
    int bitrate = 0;
};

// Writes the movie to path; false with a reason in *error when something fails.
bool MakeMovie(const MovieRecipe& movie, const std::string& path, std::string* error = nullptr);

// What a decode of every packet of a movie file finds.
struct DecodedMovie {
    std::string format;  // libavformat's name of the container ("mpeg", "avi", "asf", ...)
    std::string videoCodec, soundCodec;
    int width = 0, height = 0;
    int frames = 0;  // video frames decoded
    // Each decoded frame's timestamp; -1 for a frame that came without one. A program stream
    // stamps only the first frame that starts in each of its packets, so small frames often share a
    // stamp's packet; and its clock starts at about 0.5 s, not at 0.
    std::vector<double> frameSeconds;
    double durationSeconds = 0;  // the container's duration, 0 when it gives none
    bool sound = false;
    int sampleRate = 0, channels = 0;
    int64_t soundSamples = 0;  // per channel
};

// Decodes the first video stream and the first sound stream of path. onFrame (if set) receives
// each video frame in presentation order as RGB24 top-down rows of width x height.
bool DecodeMovie(const std::string& path, DecodedMovie* out,
                 const std::function<void(int frame, const std::vector<uint8_t>& rgb)>& onFrame = {},
                 std::string* error = nullptr);

}  // namespace textreel::testing
