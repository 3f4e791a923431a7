// Short Ogg Vorbis files made with libvorbisenc, for the tests and the asset tools.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace textreel::testing {

// Interleaved 16-bit samples of a sine tone.
std::vector<int16_t> Tone(int rate, int channels, int frames, double hz, int amplitude);

struct OggSettings {
    float quality = 0.5f;  // the encoder's variable bit rate quality, 0 to 1
    int serial = 1;        // the stream's serial number; a fixed one keeps the bytes the same run to run
    // Comments as tag and value, e.g. {"TITLE", "..."}.
    std::vector<std::pair<std::string, std::string>> tags;
    // With emptyComments > 0 the comment packet holds that many empty comments (four bytes each),
    // the shape of a header bomb, in place of the tags.
    uint32_t emptyComments = 0;
};

// Encodes interleaved samples as Ogg Vorbis; empty when the encoder refuses the rate, the channel
// count or the quality.
std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels,
                               const OggSettings& settings);

// For the test programs only (defined in ogg_files.cpp, with GoogleTest):

// EncodeOgg with the default settings and that many empty comments; fails the running test when the
// encoder refuses.
std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels,
                               uint32_t emptyComments = 0);

// Writes bytes to a file, making its folder; fails the running test when it cannot.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace textreel::testing
