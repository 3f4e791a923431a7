#include "support/recording.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace textreel::testing {

Recording ReadRecording(const std::string& path) {
    Recording r;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr) << path;
    if (f == nullptr) {
        return r;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(f);
    EXPECT_GE(bytes.size(), 44u);
    if (bytes.size() < 44) {
        return r;
    }
    auto le32 = [&](size_t p) {
        return bytes[p] | (bytes[p + 1] << 8) | (bytes[p + 2] << 16) |
               (static_cast<uint32_t>(bytes[p + 3]) << 24);
    };
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(24), static_cast<uint32_t>(kRecordingRate));
    // The header was finished at exit: its sizes match the file.
    EXPECT_EQ(le32(40), bytes.size() - 44);
    EXPECT_EQ(le32(4), bytes.size() - 8);
    for (size_t p = 44; p + 4 <= bytes.size(); p += 4) {
        r.left.push_back(static_cast<int16_t>(bytes[p] | (bytes[p + 1] << 8)));
    }
    return r;
}

}  // namespace textreel::testing
