// Short Ogg Vorbis files made in the tests with libvorbisenc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textreel::testing {

// Interleaved 16-bit samples of a sine tone.
std::vector<int16_t> Tone(int rate, int channels, int frames, double hz, int amplitude);

// Encodes interleaved samples as Ogg Vorbis. With emptyComments > 0 the comment packet holds that
// many empty comments (four bytes each), the shape of a header bomb.
std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels,
                               uint32_t emptyComments = 0);

// Writes bytes to a file, making its folder; fails the running test when it cannot.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace textreel::testing
