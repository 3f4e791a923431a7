// The test programs' side of ogg_maker.h: a failure here fails the running test.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/ogg_maker.h"

namespace textreel::testing {

std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels,
                               uint32_t emptyComments) {
    OggSettings settings;
    settings.emptyComments = emptyComments;
    std::vector<uint8_t> out = EncodeOgg(samples, rate, channels, settings);
    if (out.empty()) {
        ADD_FAILURE() << "vorbis_encode_init_vbr failed";
    }
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace textreel::testing
