// Makes a movie file for trying the movie player and for the benches:
//   make_movie [--size WxH] [--fps N] [--seconds S | --frames N] [--sound] [--bitrate BITS]
//              [--container mpeg|mpeg2|avi|asf|mp4] [--pattern solid:RRGGBB|bars|motion] OUT
// "solid" is one colour throughout; "bars" colour bars with a small square running along the
// bottom; "motion" a moving picture with detail in every part of it (gradients that drift, shapes
// that cross each other, a finely textured band that scrolls, and a little grain that changes every
// frame), so that decoding it costs what a real movie costs. --sound adds a 440 Hz tone.
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/movie_maker.h"

namespace {

using textreel::testing::MovieRecipe;

int Usage() {
    std::fprintf(
        stderr,
        "usage: make_movie [--size WxH] [--fps N] [--seconds S | --frames N] [--sound] [--bitrate BITS]\n"
        "                  [--container mpeg|mpeg2|avi|asf|mp4] [--pattern solid:RRGGBB|bars|motion] OUT\n");
    return 2;
}

uint8_t Clamp(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Seven bars at 75 %, and a white square that runs along the bottom once a second.
void DrawBars(const MovieRecipe& movie, int frame, std::vector<uint8_t>& rgb) {
    static constexpr std::array<std::array<uint8_t, 3>, 7> kBars = {{{191, 191, 191},
                                                                     {191, 191, 0},
                                                                     {0, 191, 191},
                                                                     {0, 191, 0},
                                                                     {191, 0, 191},
                                                                     {191, 0, 0},
                                                                     {0, 0, 191}}};
    const int w = movie.width, h = movie.height;
    const int side = std::max(4, h / 12);
    const int markX = (frame % movie.fps) * (w - side) / std::max(1, movie.fps - 1);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            const auto& c = kBars[static_cast<size_t>(x * 7 / w)];
            const bool mark = y >= h - side && x >= markX && x < markX + side;
            p[0] = mark ? 255 : c[0];
            p[1] = mark ? 255 : c[1];
            p[2] = mark ? 255 : c[2];
        }
    }
}

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A moving picture with detail everywhere. Deterministic: frame i is always the same picture.
void DrawMotion(const MovieRecipe& movie, int frame, std::vector<uint8_t>& rgb) {
    const int w = movie.width, h = movie.height;
    const double t = static_cast<double>(frame) / movie.fps;
    // Drifting gradients, one table per row and per column.
    std::vector<int> red(static_cast<size_t>(w)), green(static_cast<size_t>(h)), blue(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        red[static_cast<size_t>(x)] = static_cast<int>(120 + 90 * std::sin(x / 97.0 + t * 1.3));
        blue[static_cast<size_t>(x)] = static_cast<int>(110 + 80 * std::cos(x / 151.0 - t * 0.7));
    }
    for (int y = 0; y < h; ++y) {
        green[static_cast<size_t>(y)] = static_cast<int>(120 + 90 * std::sin(y / 73.0 - t * 1.1));
    }
    // Five discs on Lissajous paths.
    struct Disc {
        double cx, cy, r;
        std::array<int, 3> colour;
    };
    std::array<Disc, 5> discs;
    for (int i = 0; i < 5; ++i) {
        const double a = 0.6 + 0.23 * i, b = 0.9 - 0.11 * i;
        discs[static_cast<size_t>(i)] = {w * (0.5 + 0.38 * std::sin(a * t * 2 + i)),
                                         h * (0.5 + 0.36 * std::cos(b * t * 2 + 2 * i)),
                                         h * (0.06 + 0.025 * i),
                                         {(i * 97) % 256, (i * 53 + 120) % 256, (i * 171 + 60) % 256}};
    }
    // A band of fine texture that scrolls sideways, and a box of stripes that slides down.
    const int bandTop = h * 2 / 3, bandBottom = bandTop + h / 8;
    const int scroll = frame * 5;
    const int boxSize = h / 4;
    const int boxX = w / 8, boxY = static_cast<int>((frame * 3) % (h + boxSize)) - boxSize;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = &rgb[static_cast<size_t>(y) * w * 3];
        const int g = green[static_cast<size_t>(y)];
        for (int x = 0; x < w; ++x) {
            int r = red[static_cast<size_t>(x)], gg = g, b = blue[static_cast<size_t>(x)];
            if (y >= bandTop && y < bandBottom) {
                const int u = x + scroll;
                const int v = ((u >> 2) ^ (y >> 2)) & 1 ? 60 : -60;
                const int fine = static_cast<int>(Hash(static_cast<uint32_t>((u >> 1) * 7919 + y)) & 31) - 16;
                r = 128 + v + fine;
                gg = 128 + v / 2 + fine;
                b = 140 - v + fine;
            }
            if (x >= boxX && x < boxX + boxSize && y >= boxY && y < boxY + boxSize) {
                const bool stripe = ((x - boxX + y - boxY) / 6) % 2 == 0;
                r = stripe ? 240 : 30;
                gg = stripe ? 220 : 40;
                b = stripe ? 60 : 90;
            }
            for (const Disc& d : discs) {
                const double dx = x - d.cx, dy = y - d.cy;
                const double dd = dx * dx + dy * dy;
                if (dd < d.r * d.r) {
                    const int shade = static_cast<int>(60 * dd / (d.r * d.r));
                    r = d.colour[0] - shade;
                    gg = d.colour[1] - shade;
                    b = d.colour[2] - shade;
                }
            }
            // Grain: a little noise that changes every frame.
            const int grain =
                static_cast<int>(
                    Hash(static_cast<uint32_t>(y * w + x) * 2654435761U + static_cast<uint32_t>(frame)) & 7) -
                3;
            row[x * 3] = Clamp(r + grain);
            row[x * 3 + 1] = Clamp(gg + grain);
            row[x * 3 + 2] = Clamp(b + grain);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    MovieRecipe movie;
    movie.width = 800;
    movie.height = 600;
    movie.fps = 30;
    double seconds = 5;
    int frames = 0;
    std::string pattern = "motion";
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--size" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &movie.width, &movie.height) != 2) {
                return Usage();
            }
        } else if (arg == "--fps" && hasValue) {
            movie.fps = std::atoi(argv[++i]);
        } else if (arg == "--seconds" && hasValue) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--frames" && hasValue) {
            frames = std::atoi(argv[++i]);
        } else if (arg == "--bitrate" && hasValue) {
            movie.bitrate = std::atoi(argv[++i]);
        } else if (arg == "--sound") {
            movie.sound = true;
        } else if (arg == "--container" && hasValue) {
            movie.container = argv[++i];
        } else if (arg == "--pattern" && hasValue) {
            pattern = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && out.empty()) {
            out = arg;
        } else {
            return Usage();
        }
    }
    if (out.empty() || movie.fps < 1) {
        return Usage();
    }
    movie.frames = frames > 0 ? frames : static_cast<int>(std::lround(seconds * movie.fps));
    if (pattern.rfind("solid:", 0) == 0 && pattern.size() == 12) {
        const unsigned long rgb = std::strtoul(pattern.c_str() + 6, nullptr, 16);
        const std::array<uint8_t, 3> colour = {static_cast<uint8_t>(rgb >> 16),
                                               static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)};
        movie.colour = [colour](int) { return colour; };
    } else if (pattern == "bars") {
        movie.draw = [&movie](int frame, std::vector<uint8_t>& rgb) { DrawBars(movie, frame, rgb); };
    } else if (pattern == "motion") {
        movie.draw = [&movie](int frame, std::vector<uint8_t>& rgb) { DrawMotion(movie, frame, rgb); };
    } else {
        std::fprintf(stderr, "make_movie: unknown pattern \"%s\" (solid:RRGGBB, bars or motion)\n",
                     pattern.c_str());
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    if (!textreel::testing::MakeMovie(movie, out, &error)) {
        std::fprintf(stderr, "make_movie: %s\n", error.c_str());
        return 1;
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(out, ec);
    std::printf("%s: %dx%d, %d frames at %d fps%s, %s, %llu bytes, made in %.1f s\n", out.c_str(),
                movie.width, movie.height, movie.frames, movie.fps, movie.sound ? " with sound" : "",
                movie.container.c_str(), static_cast<unsigned long long>(ec ? 0 : bytes), took);
    return 0;
}
