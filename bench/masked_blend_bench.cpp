// The masked blend over full-screen buffers: the frame or a full-screen sprite (800 x 600 drawn
// from a 1600 x 600 picture), and a sprite that stands partly off the screen.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "graphics/masked_blend.h"
#include "graphics/surface.h"

namespace textreel {
namespace {

// A picture with a mask like a character sprite's: an opaque body, a soft edge of partial cover
// around it, transparent background, a band of mixed levels, and scattered pixels that are
// transparent through one channel only.
Surface SpritePicture(int width, int height) {
    Surface picture(width * 2, height);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t noise = random() & 0x0F0F0F;
            const uint32_t colour =
                (static_cast<uint32_t>(x * 255 / width) | (static_cast<uint32_t>(y * 255 / height) << 8) |
                 (static_cast<uint32_t>((x + y) & 0xFF) << 16)) ^
                noise;
            picture.SetPixel(x, y, colour);

            const int dx = x - width / 2;
            const int dy = y - height / 2;
            const int distance2 = dx * dx + dy * dy;
            const int body = height / 4;
            const int edge = height / 2 - 20;
            int level = 255;
            if (distance2 < body * body) {
                level = 0;
            } else if (distance2 < edge * edge) {
                level = (distance2 - body * body) * 254 / (edge * edge - body * body);
            }
            uint32_t mask = static_cast<uint32_t>(level) * 0x010101u;
            if ((y / 40) % 5 == 2) {
                mask = (random() & 0xFF) * 0x010101u;
            }
            if (random() % 64 == 0) {
                mask = 0x0000FFu;
            }
            picture.SetPixel(width + x, y, mask);
        }
    }
    return picture;
}

Surface Screen(int width, int height) {
    Surface screen(width, height);
    std::mt19937 random(2);
    for (size_t i = 0; i < screen.ByteSize(); ++i) {
        screen.Pixels()[i] = static_cast<uint8_t>(random());
    }
    return screen;
}

void BM_BlendMaskedPicture800x600(benchmark::State& state) {
    const Surface picture = SpritePicture(800, 600);
    Surface screen = Screen(800, 600);
    const int opacity = static_cast<int>(state.range(0));
    for (auto _ : state) {
        BlendMaskedPicture(screen, 0, 0, picture, opacity);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_BlendMaskedPicture800x600)->Arg(255)->Arg(128)->Unit(benchmark::kMicrosecond);

void BM_BlendClippedSprite(benchmark::State& state) {
    const Surface picture = SpritePicture(400, 500);
    Surface screen = Screen(800, 600);
    for (auto _ : state) {
        BlendMaskedPicture(screen, 590, 100, picture, 255);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlendClippedSprite)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace textreel
