// `textreel --check` on generated titles of 10,000, 100,000 and 1,000,000 scenario lines, with a
// label every 20 lines and a picture of its own every 50 (100,000 lines: 5,000 labels and 2,000
// pictures). The checker's cost should grow linearly with the scenario.
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "check/checker.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ScreenPng() {
    std::vector<uint8_t> rgb(static_cast<size_t>(800) * 600 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<uint8_t>((i / 2400) & 0xFF);  // a gradient, row by row
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 800;
    image.height = 600;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    out.resize(size);
    return out;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A clean title of the given number of lines.
fs::path MakeTitle(int lines) {
    fs::path dir = fs::temp_directory_path() / ("textreel-check-bench-" + std::to_string(lines));
    fs::remove_all(dir);
    fs::create_directories(dir / "bg");
    fs::create_directories(dir / "cg" / "menu");
    WriteFile(dir / "title.ist",
              "InstanceName=\"check-bench\"\r\nWindowWidth=\"800\"\r\nWindowHeight=\"600\"\r\n");
    std::vector<uint8_t> logo(54 + 800 * 600 * 3, 0);
    const uint32_t header[] = {0, 0, 54, 40, 800, 600};
    std::memcpy(logo.data() + 2, header, sizeof(header));
    logo[0] = 'B';
    logo[1] = 'M';
    logo[26] = 1;
    logo[28] = 24;
    WriteFile(dir / "cg" / "menu" / "logo.bmp", std::string(logo.begin(), logo.end()));

    const int labels = lines / 20;
    const int pictures = lines / 50;
    std::vector<uint8_t> png = ScreenPng();
    const std::string pngBytes(png.begin(), png.end());
    for (int p = 0; p < pictures; ++p) {
        WriteFile(dir / "bg" / ("p" + std::to_string(p) + ".png"), pngBytes);
    }
    const std::string text =
        textreel::Utf8ToCp932("列車は夜明けの海沿いを走っていく。窓の外が少しずつ明るくなる。");
    std::mt19937 random(15);
    std::string scenario;
    scenario.reserve(static_cast<size_t>(lines) * 40);
    for (int i = 0; i < lines; ++i) {
        if (i % 20 == 0) {
            scenario += ":scene" + std::to_string(i / 20);
        } else if (i % 50 == 7) {
            scenario += "$imgblt bg\\p" + std::to_string(i / 50) + ".png";
        } else if (i % 20 == 9) {
            scenario += "$eventjudge 3 scene" + std::to_string(random() % labels);
        } else if (i % 20 == 13) {
            scenario += "$pointflag 2 1";
        } else if (i % 2 == 0) {
            scenario += "$C";
        } else {
            scenario += text;
        }
        scenario += "\r\n";
    }
    WriteFile(dir / "scenario.txt", scenario);
    return dir;
}

void BM_CheckTitle(benchmark::State& state) {
    const std::string previous = textreel::files::CurrentDirectory();
    fs::path dir = MakeTitle(static_cast<int>(state.range(0)));
    textreel::files::ChangeDirectory(dir.string());
    int errors = 0;
    for (auto _ : state) {
        textreel::check::Report report = textreel::check::CheckTitle();
        errors = report.Errors();
        benchmark::DoNotOptimize(report);
    }
    state.counters["errors"] = errors;
    textreel::files::ChangeDirectory(previous);
    fs::remove_all(dir);
}
BENCHMARK(BM_CheckTitle)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
