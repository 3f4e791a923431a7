// The system menu's first frame: from the right click to the picture with the popup drawn over
// it (the check-mark refresh with its env.dat write, the layout, the painting with the engine's
// font and the composition over an 800 x 600 picture), then closing it with Escape. The target is
// well under 20 ms. A second case times a hover that opens a submenu and redraws.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "shell/engine.h"
#include "shell/popup_menu.h"
#include "shell/system_menu.h"

namespace textreel {
namespace {

// A fresh folder to stand in for a title, so that env.dat lands there.
struct BenchFolder {
    std::string previous = files::CurrentDirectory();
    std::filesystem::path path;
    BenchFolder() {
        path = std::filesystem::temp_directory_path() /
               ("textreel-menu-bench-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(path);
        files::ChangeDirectory(path.string());
    }
    ~BenchFolder() {
        files::ChangeDirectory(previous);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

struct MenuBench {
    BenchFolder folder;
    std::unique_ptr<Platform> platform = MakeHeadlessPlatform();
    std::unique_ptr<Engine> engine;
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;

    MenuBench() {
        platform->OpenWindow("bench", 800, 600);
        engine = std::make_unique<Engine>(*platform);
        engine->instance = DefaultInstanceConfig();
        engine->instance.windowWidth = 800;
        engine->instance.windowHeight = 600;
        engine->env.ApplyDefaults();
        engine->scenario.LoadBytes(std::vector<uint8_t>(20000, 'a'));
        CreateGraphics(*engine);
        CopyScreenToWindow(*engine);
    }
    static InputEvent RightClick(int x, int y) {
        InputEvent e;
        e.kind = InputEvent::Kind::kButtonUp;
        e.button = InputEvent::kRightButton;
        e.x = x;
        e.y = y;
        return e;
    }
    void Escape() {
        InputEvent e;
        e.kind = InputEvent::Kind::kKeyDown;
        e.key = vk::kEscape;
        engine->HandleInput(e);
        e.kind = InputEvent::Kind::kKeyUp;
        engine->HandleInput(e);
    }
};

void BM_SystemMenuFirstFrame(benchmark::State& state) {
    MenuBench b;
    for (auto _ : state) {
        b.engine->HandleInput(MenuBench::RightClick(300, 200));
        b.platform->ReadWindow(b.rgb, b.width, b.height);
        benchmark::DoNotOptimize(b.rgb.data());
        state.PauseTiming();
        if (!SystemMenuOpen(*b.engine)) {
            state.SkipWithError("the menu did not open");
            break;
        }
        b.Escape();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SystemMenuFirstFrame)->Unit(benchmark::kMillisecond);

void BM_SystemMenuHoverOpensSubmenu(benchmark::State& state) {
    MenuBench b;
    b.engine->HandleInput(MenuBench::RightClick(300, 200));
    const PopupMenuWindow::Panel& top = b.engine->popupMenu->Panels()[0];
    InputEvent onSettings;
    onSettings.kind = InputEvent::Kind::kMouseMove;
    onSettings.x = top.x + top.width / 2;
    onSettings.y = top.y + top.rowTop[1] + 5;
    InputEvent onFirst = onSettings;
    onFirst.y = top.y + top.rowTop[0] + 5;
    for (auto _ : state) {
        b.engine->HandleInput(onSettings);
        b.platform->ReadWindow(b.rgb, b.width, b.height);
        benchmark::DoNotOptimize(b.rgb.data());
        state.PauseTiming();
        b.engine->HandleInput(onFirst);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SystemMenuHoverOpensSubmenu)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace textreel
