// A whole `imgblt` of an 800 x 600 PNG with a cut (reading the file, decoding, converting, the
// picture pipeline and the copy to the window) against libpng alone decoding the same file. The
// target: the command costs at most 1.5 times the bare decode. BM_ImgbltAgainstLibpng times both
// alternately in one loop and reports their ratio; the other two time each on its own.
#include <benchmark/benchmark.h>
#include <png.h>

#include <chrono>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace textreel {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr char kLine[] = "$imgblt bg\\bench.png";

// A picture like a painted background: smooth gradients with a little noise.
std::vector<uint8_t> BackgroundPixels() {
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    std::mt19937 random(5);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = rgb.data() + (static_cast<size_t>(y) * kWidth + x) * 3;
            const uint32_t noise = random();
            p[0] = static_cast<uint8_t>(x * 255 / kWidth + (noise & 7));
            p[1] = static_cast<uint8_t>(y * 200 / kHeight + ((noise >> 8) & 7));
            p[2] = static_cast<uint8_t>((x + y) / 6 + ((noise >> 16) & 7));
        }
    }
    return rgb;
}

// A title folder of its own with the picture in it, made the current directory, and an engine on
// the headless platform with its surfaces made, as the engine's start-up leaves them.
struct BenchTitle {
    BenchTitle() {
        folder = fs::temp_directory_path() / ("textreel-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder / "bg");
        picturePath = (folder / "bg" / "bench.png").string();
        const std::vector<uint8_t> rgb = BackgroundPixels();
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = kWidth;
        image.height = kHeight;
        image.format = PNG_FORMAT_RGB;
        written = png_image_write_to_file(&image, picturePath.c_str(), 0, rgb.data(), 0, nullptr) != 0;
        previous = files::CurrentDirectory();
        files::ChangeDirectory(folder.string());

        engine = std::make_unique<Engine>(platform);
        engine->instance = DefaultInstanceConfig();
        engine->instance.windowWidth = kWidth;
        engine->instance.windowHeight = kHeight;
        engine->workDir = folder.string() + "/";
        engine->env.ApplyDefaults();
        platform.OpenWindow("bench", kWidth, kHeight);
        CreateGraphics(*engine);
        engine->graphics.effectNumber = 1;
    }
    ~BenchTitle() {
        engine.reset();
        files::ChangeDirectory(previous);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    std::string picturePath;
    std::string previous;
    bool written = false;
    HeadlessPlatform platform;
    std::unique_ptr<Engine> engine;
};

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

bool DecodeWithLibpng(png_structp png, png_infop info, std::FILE* file, std::vector<uint8_t>& pixels,
                      std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    pixels.resize(rowBytes * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = pixels.data() + y * rowBytes;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

// libpng alone: open the file, decode every row into memory, close.
bool LibpngDecodeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    const bool ok = info != nullptr && DecodeWithLibpng(png, info, file, pixels, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    benchmark::DoNotOptimize(pixels.data());
    return ok;
}

void RunImgblt(Engine& engine) {
    CmdImgblt(engine, kLine, static_cast<int>(sizeof(kLine) - 1));
}

void BM_LibpngDecode800x600(benchmark::State& state) {
    BenchTitle title;
    if (!title.written) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    for (auto _ : state) {
        if (!LibpngDecodeFile(title.picturePath)) {
            state.SkipWithError("libpng failed");
            break;
        }
    }
}
BENCHMARK(BM_LibpngDecode800x600)->Unit(benchmark::kMillisecond);

void BM_Imgblt800x600Cut(benchmark::State& state) {
    BenchTitle title;
    if (!title.written) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    for (auto _ : state) {
        RunImgblt(*title.engine);
    }
}
BENCHMARK(BM_Imgblt800x600Cut)->Unit(benchmark::kMillisecond);

// One iteration is one decode with libpng and one `imgblt`, each timed on its own clock.
void BM_ImgbltAgainstLibpng(benchmark::State& state) {
    BenchTitle title;
    if (!title.written) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    using Clock = std::chrono::steady_clock;
    std::chrono::duration<double, std::milli> libpng{0};
    std::chrono::duration<double, std::milli> imgblt{0};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        LibpngDecodeFile(title.picturePath);
        const auto t1 = Clock::now();
        RunImgblt(*title.engine);
        const auto t2 = Clock::now();
        libpng += t1 - t0;
        imgblt += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["libpng_ms"] = libpng.count() / n;
    state.counters["imgblt_ms"] = imgblt.count() / n;
    state.counters["ratio"] = imgblt.count() / libpng.count();
    state.counters["target_ratio"] = 1.5;
}
BENCHMARK(BM_ImgbltAgainstLibpng)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace textreel
