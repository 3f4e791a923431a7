// Decoding an 800 x 600 truecolour PNG with libpng alone, the conversion of the decoded rows into a
// screen buffer, and both together, so that a whole picture command can be compared with them.
#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <random>
#include <vector>

#include "graphics/png_loader.h"
#include "graphics/surface.h"

namespace textreel {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

void AppendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

bool Encode(png_bytepp rows, bool withGamma, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, Flush);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (withGamma) {
        png_set_gAMA_fixed(png, info, 45455);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// A picture like a painted background: smooth gradients with a little noise. withGamma marks it
// 1/2.2 (decoded without correction); without, the decoder corrects from gamma 0.5.
std::vector<uint8_t> BackgroundPng(bool withGamma) {
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
    std::mt19937 random(3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = pixels.data() + (static_cast<size_t>(y) * kWidth + x) * 3;
            const uint32_t noise = random();
            p[0] = static_cast<uint8_t>(x * 255 / kWidth + (noise & 7));
            p[1] = static_cast<uint8_t>(y * 200 / kHeight + ((noise >> 8) & 7));
            p[2] = static_cast<uint8_t>(((x + y) / 6) + ((noise >> 16) & 7));
        }
    }
    std::vector<png_bytep> rows(kHeight);
    for (int y = 0; y < kHeight; ++y) {
        rows[y] = pixels.data() + static_cast<size_t>(y) * kWidth * 3;
    }
    std::vector<uint8_t> file;
    if (!Encode(rows.data(), withGamma, &file)) {
        file.clear();
    }
    return file;
}

void BM_DecodePng800x600(benchmark::State& state) {
    const std::vector<uint8_t> file = BackgroundPng(state.range(0) != 0);
    for (auto _ : state) {
        DecodedPng picture;
        if (DecodePng(file.data(), file.size(), picture) != PngResult::kOk) {
            state.SkipWithError("decoding failed");
            break;
        }
        benchmark::DoNotOptimize(picture.rgb.data());
    }
    state.SetLabel(state.range(0) != 0 ? "gAMA 1/2.2" : "no gAMA, corrected");
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_DecodePng800x600)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ConvertToScreen800x600(benchmark::State& state) {
    const std::vector<uint8_t> file = BackgroundPng(true);
    DecodedPng picture;
    DecodePng(file.data(), file.size(), picture);
    Surface screen(kWidth, kHeight);
    for (auto _ : state) {
        ConvertToScreen(picture, screen);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ConvertToScreen800x600)->Unit(benchmark::kMicrosecond);

void BM_DecodeAndConvert800x600(benchmark::State& state) {
    const std::vector<uint8_t> file = BackgroundPng(true);
    Surface screen(kWidth, kHeight);
    for (auto _ : state) {
        DecodedPng picture;
        DecodePng(file.data(), file.size(), picture);
        ConvertToScreen(picture, screen);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeAndConvert800x600)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace textreel
