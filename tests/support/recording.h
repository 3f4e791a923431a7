// The sound a run recorded with --audio-out, read back for the end-to-end tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace textreel::testing {

constexpr int kRecordingRate = 44100;

// The recording: 16-bit stereo at 44.1 kHz, read back as the left channel.
struct Recording {
    std::vector<int16_t> left;

    // Milliseconds of the trace clock map to samples (the recording starts with the program).
    size_t At(int64_t ms) const {
        return std::min(left.size(), static_cast<size_t>(std::max<int64_t>(ms, 0) * kRecordingRate / 1000));
    }

    double Rms(size_t from, size_t to) const {
        double sum = 0;
        for (size_t i = from; i < to; ++i) {
            sum += static_cast<double>(left[i]) * left[i];
        }
        return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
    }
    // Strength of one frequency in a stretch (Goertzel), as an amplitude.
    double Tone(size_t from, size_t to, double hz) const {
        const double w = 2 * std::numbers::pi * hz / kRecordingRate;
        double s1 = 0, s2 = 0;
        for (size_t i = from; i < to; ++i) {
            double s = left[i] + 2 * std::cos(w) * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
        return to > from ? 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(to - from) : 0;
    }
    // The share of 50 ms windows between two times whose loudness passes test.
    template <typename Test>
    double Share(int64_t fromMs, int64_t toMs, Test test) const {
        int windows = 0;
        int passing = 0;
        for (int64_t ms = fromMs; ms + 50 <= toMs; ms += 50) {
            size_t a = At(ms);
            size_t b = At(ms + 50);
            if (b <= a) {
                break;
            }
            ++windows;
            passing += test(a, b) ? 1 : 0;
        }
        return windows == 0 ? -1 : static_cast<double>(passing) / windows;
    }
    int64_t LengthMs() const { return static_cast<int64_t>(left.size()) * 1000 / kRecordingRate; }
};

// Reads a recording; a missing or broken file (or a header not finished at exit) fails the
// running test.
Recording ReadRecording(const std::string& path);

}  // namespace textreel::testing
