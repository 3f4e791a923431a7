// An engine with its surfaces on a recording platform, an old picture on the screen and a new one
// in BackSurface, for the transition and screen-effect tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "graphics/surface.h"
#include "graphics/transitions.h"
#include "shell/engine.h"
#include "support/fake_platform.h"

namespace textreel::testing {

// Runs a hook after every copy into the window, so that tests can look at the window between the
// steps of a transition.
class ProbePlatform : public FakePlatform {
  public:
    std::function<void()> afterCopy;

    void BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) override {
        FakePlatform::BlitToWindow(source, sx, sy, w, h, dx, dy);
        if (afterCopy) {
            afterCopy();
        }
    }
    void StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) override {
        FakePlatform::StretchToWindow(source, dx, dy, dw, dh);
        if (afterCopy) {
            afterCopy();
        }
    }
};

// The two pictures differ in every pixel (their red bytes differ) and vary with x and y, so a
// pixel put in the wrong place shows.
inline uint32_t OldColour(int x, int y) {
    return 0x20u | static_cast<uint32_t>(y & 0xFF) << 8 | static_cast<uint32_t>(x & 0xFF) << 16;
}
inline uint32_t NewColour(int x, int y) {
    return 0xD0u | static_cast<uint32_t>((y * 5) & 0xFF) << 8 | static_cast<uint32_t>((x * 3) & 0xFF) << 16;
}

inline void Paint(Surface& s, uint32_t (*colour)(int, int)) {
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            s.SetPixel(x, y, colour(x, y));
        }
    }
}

// An 8-bit palette BMP of width x height: index(x, yTop) gives each pixel's palette index, and
// entry i has the red byte red[i] (blue and green are set to other values, so that only the red
// byte can give the level).
inline std::vector<uint8_t> MakeMaskBmp(int width, int height, const std::function<uint8_t(int, int)>& index,
                                        const std::vector<uint8_t>& red) {
    const uint32_t pixelOffset = 54 + 4 * 256;
    std::vector<uint8_t> file(pixelOffset + static_cast<size_t>(width) * height, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            file[at + k] = static_cast<uint8_t>(v >> (8 * k));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, pixelOffset);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = 8;
    for (int i = 0; i < 256; ++i) {
        file[54 + 4 * i] = static_cast<uint8_t>(255 - i);
        file[55 + 4 * i] = 0x55;
        file[56 + 4 * i] = i < static_cast<int>(red.size()) ? red[i] : 0;
    }
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            file[pixelOffset + static_cast<size_t>(row) * width + x] = index(x, height - 1 - row);
        }
    }
    return file;
}

class TransitionTest : public ::testing::Test {
  protected:
    // A fresh engine at width x height, screen effects on: the old picture on ScreenSurface and the
    // window, the new one in BackSurface and WorkPixels, no copies or sleeps recorded.
    void Open(int width, int height) {
        engine.reset();
        platformOwner = std::make_unique<ProbePlatform>();
        engine = std::make_unique<Engine>(*platformOwner);
        engine->instance.windowWidth = width;
        engine->instance.windowHeight = height;
        ASSERT_TRUE(CreateGraphics(*engine));
        platform().OpenWindow("t", width, height);
        engine->env.screenEffects = 1;
        GraphicsState& g = engine->graphics;
        Paint(g.ScreenSurface, OldColour);
        Paint(g.BackSurface, NewColour);
        CopyWhole(g.BackSurface, g.WorkPixels);
        CopyScreenToWindow(*engine);
        platform().ClearCopies();
        sleepsBefore = platform().FakeTime().Sleeps().size();
    }

    int PresentWith(int effect) {
        engine->graphics.effectNumber = effect;
        return Present(*engine);
    }

    // The sleeps asked for since Open.
    std::vector<int64_t> Sleeps() {
        std::vector<int64_t> all = platform().FakeTime().Sleeps();
        return std::vector<int64_t>(all.begin() + static_cast<std::ptrdiff_t>(sleepsBefore), all.end());
    }

    // Pixels where the window differs from the picture by more than tolerance in some channel.
    int WindowMismatches(const Surface& picture, int tolerance = 0) {
        std::vector<uint8_t> rgb;
        int w = 0;
        int h = 0;
        platform().ReadWindow(rgb, w, h);
        int bad = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint8_t* win = rgb.data() + (static_cast<size_t>(y) * w + x) * 3;
                const uint8_t* pic = picture.RowTop(y) + static_cast<size_t>(x) * 3;
                if (std::abs(win[0] - pic[2]) > tolerance || std::abs(win[1] - pic[1]) > tolerance ||
                    std::abs(win[2] - pic[0]) > tolerance) {
                    ++bad;
                }
            }
        }
        return bad;
    }

    static int SurfaceMismatches(const Surface& a, const Surface& b, int tolerance = 0) {
        int bad = 0;
        for (size_t k = 0; k < a.ByteSize(); ++k) {
            if (std::abs(a.Pixels()[k] - b.Pixels()[k]) > tolerance) {
                ++bad;
            }
        }
        return bad;
    }

    // Writes a mask file into a fresh temporary folder, makes that folder the current one (the
    // title's folder, which every resource path stays inside) and returns the mask's name in it.
    // The folder's name is random: test processes run side by side, and addresses repeat between
    // them.
    std::string WriteMask(const std::vector<uint8_t>& bytes) {
        std::random_device random;
        std::filesystem::path dir =
            std::filesystem::temp_directory_path() /
            ("textreel-mask-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(dir);
        tempDir = dir;
        std::filesystem::path file = dir / "mask.bmp";
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (previousDir.empty()) {
            previousDir = std::filesystem::current_path();
        }
        std::filesystem::current_path(dir);
        return "mask.bmp";
    }

    void TearDown() override {
        engine.reset();
        if (!previousDir.empty()) {
            std::filesystem::current_path(previousDir);
        }
        if (!tempDir.empty()) {
            std::filesystem::remove_all(tempDir);
        }
    }

    // Each engine gets a platform of its own: closing an engine shuts its clock down for good.
    ProbePlatform& platform() { return *platformOwner; }
    std::unique_ptr<ProbePlatform> platformOwner;
    std::unique_ptr<Engine> engine;
    size_t sleepsBefore = 0;
    std::filesystem::path tempDir;
    std::filesystem::path previousDir;
};

}  // namespace textreel::testing
