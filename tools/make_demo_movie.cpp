// Makes the demo's movie, movie/dawn.mpg in the title folder given on the command line: five
// seconds at 400 x 300 and 30 frames/s, MPEG-1 video with MP2 sound in an MPEG program stream, as
// the titles of the time shipped their movies. Coming out of the tunnel, the light floods in and
// fades to the sea at daybreak: the sun climbs out of the water while the train, a dark shape with
// lit windows, runs along the embankment from left to right. The sound is a soft C major chord
// under the rumble and the wheel beats of the passing train, which moves from the left ear to the
// right. The picture ends on the sun half risen, as the sea picture that follows it shows it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "support/movie_maker.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr int kFps = 30;
constexpr int kFrames = 150;
constexpr int kRate = 44100;
constexpr double kPi = std::numbers::pi;
constexpr double kHorizon = 165;
constexpr double kSunX = 210;
constexpr double kTrackY = 232;  // the top of the embankment, where the wheels run
constexpr double kCarLength = 92;
constexpr int kCars = 4;
constexpr double kTrainSpeed = 192;  // pixels a second
constexpr double kTrainStart = 0.6;  // the front comes in at the left edge

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, double s) {
    return {a.r * s, a.g * s, a.b * s};
}

double Smooth(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A colour ramp through stops at positions 0..1.
Rgb Ramp(const std::vector<std::pair<double, Rgb>>& stops, double t) {
    if (t <= stops.front().first) {
        return stops.front().second;
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
            const double f = (t - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
            return Mix(stops[i - 1].second, stops[i].second, f);
        }
    }
    return stops.back().second;
}

double Lattice(int x, int y, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<double>(h & 0xFFFF) / 65535.0;
}

// Smooth value noise in 0..1.
double Noise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double u = Smooth(0, 1, x - fx), v = Smooth(0, 1, y - fy);
    const double top = Lattice(ix, iy, seed) + (Lattice(ix + 1, iy, seed) - Lattice(ix, iy, seed)) * u;
    const double bottom =
        Lattice(ix, iy + 1, seed) + (Lattice(ix + 1, iy + 1, seed) - Lattice(ix, iy + 1, seed)) * u;
    return top + (bottom - top) * v;
}

double Fractal(double x, double y, uint32_t seed) {
    return 0.6 * Noise(x, y, seed) + 0.3 * Noise(x * 2.1, y * 2.1, seed + 1) +
           0.1 * Noise(x * 4.3, y * 4.3, seed + 2);
}

// Where the front of the train is at time t.
double TrainFront(double t) {
    return (t - kTrainStart) * kTrainSpeed;
}

// One frame of the movie.
void DrawFrame(int frame, std::vector<uint8_t>& rgb) {
    const double t = static_cast<double>(frame) / kFps;
    const double dawn = Smooth(0, 5, t);                           // the sky brightens through the movie
    const double sunY = kHorizon + 34 - 34 * Smooth(0.3, 4.6, t);  // from under the water to half risen
    const double flash = std::pow(std::max(0.0, 1 - t / 0.8), 2);  // the light of the tunnel's end
    const double front = TrainFront(t);
    const double rear = front - kCars * kCarLength;

    for (int py = 0; py < kHeight; ++py) {
        for (int px = 0; px < kWidth; ++px) {
            const double x = px + 0.5, y = py + 0.5;
            Rgb c;
            if (y < kHorizon) {
                const Rgb before = Ramp({{0.0, {22, 24, 62}},
                                         {0.45, {70, 52, 112}},
                                         {0.75, {170, 84, 112}},
                                         {1.0, {236, 140, 96}}},
                                        y / kHorizon);
                const Rgb after = Ramp({{0.0, {30, 32, 84}},
                                        {0.4, {96, 66, 136}},
                                        {0.7, {204, 102, 122}},
                                        {0.9, {250, 150, 96}},
                                        {1.0, {255, 186, 110}}},
                                       y / kHorizon);
                c = Mix(before, after, dawn);
                // Two long clouds drifting slowly, dark above and lit below.
                for (const auto& [cx, cy, len, thick, seed] :
                     std::array<std::tuple<double, double, double, double, int>, 3>{
                         {{90, 44, 110, 6, 11}, {300, 70, 130, 7, 13}, {170, 112, 90, 4, 17}}}) {
                    const double dx = (x - cx - 3 * t) / len, dy = (y - cy) / thick;
                    const double body = 1 - dx * dx - dy * dy * (0.7 + 0.6 * Noise(x / 14, cy, seed));
                    if (body > 0) {
                        const Rgb cloud =
                            Mix(Rgb{70, 52, 104}, Rgb{255, 168, 138}, Smooth(-1, 1, dy) * (0.5 + dawn / 2));
                        c = Mix(c, cloud, Smooth(0, 0.25, body) * 0.85);
                    }
                }
            } else {
                // The sea darkens towards us and carries the sun's glittering path, which moves.
                const double d = (y - kHorizon) / (kHeight - kHorizon);
                Rgb sea = Ramp({{0.0, {150, 96, 120}}, {0.15, {72, 56, 104}}, {1.0, {22, 24, 58}}}, d);
                const double wave = Fractal(x / (15 + 60 * d) + t * 0.15, (y - kHorizon) / (1 + 5 * d), 81);
                sea = Scale(sea, (0.85 + 0.3 * wave) * (0.8 + 0.2 * dawn));
                const double spread = 15 + 130 * d;
                const double path = std::exp(-std::pow((x - kSunX) / spread, 2));
                const double glitter =
                    Smooth(0.6, 0.8,
                           Fractal(x / (3 + 10 * d) - t * 0.6, (y - kHorizon) / (0.8 + 2 * d) + t * 0.4, 83));
                c = Mix(sea, Rgb{255, 210, 150}, path * glitter * (1 - 0.75 * d) * (0.4 + 0.6 * dawn));
            }
            // The sun and its glow, above the water only.
            const double sd = std::hypot(x - kSunX, y - sunY);
            if (y < kHorizon) {
                c = Mix(c, Rgb{255, 190, 120}, 0.5 * std::exp(-sd / 70) * (0.5 + 0.5 * dawn));
                if (sd < 22) {
                    c = Mix(c, Rgb{255, 222, 160}, Smooth(22, 20.5, sd));
                }
            }
            // The embankment and its poles, dark against the water.
            const double bank = kTrackY + 3 + 3 * Noise(x / 40, 0.5, 91);
            if (y >= bank) {
                c = Mix(Rgb{40, 30, 60}, Rgb{24, 20, 40}, (y - bank) / (kHeight - bank));
            }
            const double poleX = std::fmod(x + 1000, 64);
            if (poleX < 2 && y > kTrackY - 42 && y < bank) {
                c = Rgb{36, 28, 54};
            }
            if (y > kTrackY - 40 && y < kTrackY - 39) {
                c = Mix(c, Rgb{36, 28, 54}, 0.7);  // the overhead wire
            }
            // The train: cars with rounded ends and a row of lit windows.
            if (x < front && x > rear && y > kTrackY - 30 && y < kTrackY) {
                const double inCar = std::fmod(x - rear, kCarLength);
                const double ty = y - (kTrackY - 30);
                const bool gap = inCar < 3;
                const bool nose =
                    x > front - 14 && ty < 14 - std::sqrt(std::max(0.0, 196 - std::pow(x - (front - 14), 2)));
                if (!gap && !nose) {
                    c = Rgb{30, 24, 46};
                    const double w = std::fmod(inCar - 8, 14);
                    if (ty > 7 && ty < 16 && inCar > 8 && inCar < kCarLength - 8 && w < 9) {
                        c = Rgb{255, 214, 140};
                    }
                    if (ty > 26) {
                        c = Rgb{18, 14, 30};  // the wheels and the shadow under the car
                    }
                }
            }
            c = Mix(c, Rgb{255, 252, 240}, flash);
            uint8_t* p = &rgb[(static_cast<size_t>(py) * kWidth + px) * 3];
            p[0] = static_cast<uint8_t>(std::clamp(std::lround(c.r), 0L, 255L));
            p[1] = static_cast<uint8_t>(std::clamp(std::lround(c.g), 0L, 255L));
            p[2] = static_cast<uint8_t>(std::clamp(std::lround(c.b), 0L, 255L));
        }
    }
}

// The sound, stereo and interleaved: a chord that swells and fades, the rumble of the train
// growing as it comes by and passing from left to right, and the beat of its wheels.
std::vector<double> Sound() {
    const int count = kRate * kFrames / kFps;
    std::vector<double> out(static_cast<size_t>(count) * 2);
    const std::array<double, 4> notes = {261.63, 329.63, 392.00, 587.33};  // C E G D
    uint32_t noise = 0x13579BDF;
    double low = 0, lower = 0;
    double clack = 0, clackTone = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        // The chord, each voice a little out of tune with a twin for a slow shimmer.
        double chord = 0;
        for (size_t n = 0; n < notes.size(); ++n) {
            const double f = notes[n];
            chord += std::sin(2 * kPi * f * t) +
                     0.8 * std::sin(2 * kPi * f * 1.003 * t + static_cast<double>(n)) +
                     0.15 * std::sin(4 * kPi * f * t);
        }
        chord *= 0.035 * Smooth(0, 1.5, t) * (1 - Smooth(3.8, 5, t));
        // Rumble: noise through two low-pass filters, loudest when the middle of the train is
        // in front of us.
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(noise >> 8) / (1 << 23) - 1.0;
        low += 0.03 * (n - low);
        lower += 0.05 * (low - lower);
        const double middle = TrainFront(t) - kCars * kCarLength / 2 - kWidth / 2;
        const double near = 1 / (1 + std::pow(middle / 160, 2));
        const double pan = std::clamp(0.5 + middle / 500, 0.05, 0.95);
        // The wheels: a pair of knocks as each bogie pair of a car crosses a rail joint under us.
        const double phase = std::fmod((TrainFront(t) - kWidth / 2) / kCarLength + 100, 1.0);
        const bool hit = (phase < 0.004 || std::fabs(phase - 0.16) < 0.002) && TrainFront(t) > kWidth / 2 &&
                         TrainFront(t) - kCars * kCarLength < kWidth / 2 + kCarLength;
        if (hit && clack < 0.2) {
            clack = 1;
        }
        clack *= 0.9985;
        clackTone += 2 * kPi * 180 / kRate;
        const double knock = 0.25 * clack * clack * (0.5 * std::sin(clackTone) + 0.5 * low * 8);
        const double train = (5.0 * lower + knock) * near * 0.45;
        const double fade = Smooth(0, 0.05, t) * Smooth(5.0, 4.7, t);
        out[static_cast<size_t>(i) * 2] = (chord + train * (1 - pan) * 1.4) * fade;
        out[static_cast<size_t>(i) * 2 + 1] = (chord + train * pan * 1.4) * fade;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_movie TITLE_DIR\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[1]) / "movie";
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::vector<double> sound = Sound();
    textreel::testing::MovieRecipe movie;
    movie.width = kWidth;
    movie.height = kHeight;
    movie.fps = kFps;
    movie.frames = kFrames;
    movie.draw = DrawFrame;
    movie.sound = true;
    movie.sampleRate = kRate;
    movie.channels = 2;
    movie.sample = [&sound](int64_t i, int channel) {
        const size_t at = static_cast<size_t>(i) * 2 + static_cast<size_t>(channel);
        return at < sound.size() ? static_cast<int>(std::lround(std::clamp(sound[at], -1.0, 1.0) * 32767))
                                 : 0;
    };
    movie.container = "mpeg";
    movie.bitrate = 700000;
    std::string error;
    const std::string path = (folder / "dawn.mpg").string();
    if (!textreel::testing::MakeMovie(movie, path, &error)) {
        std::fprintf(stderr, "make_demo_movie: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
