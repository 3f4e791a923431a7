// The set-up the engine benches share: a headless 800 x 600 window, an engine of game type 0 on it
// with its text starting where the demo's message window puts it, the demo folder as the working
// folder, and long runs of full-width text lines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/platform.h"
#include "shell/engine.h"

namespace textreel::bench {

// A headless platform with its 800 x 600 window open.
inline std::unique_ptr<Platform> HeadlessWindow() {
    std::unique_ptr<Platform> platform = MakeHeadlessPlatform();
    platform->OpenWindow("bench", 800, 600);
    return platform;
}

// The default instance at 800 x 600.
inline void UseInstance800x600(Engine& engine) {
    engine.instance = DefaultInstanceConfig();
    engine.instance.windowWidth = 800;
    engine.instance.windowHeight = 600;
}

// The instance at 800 x 600, the text origin and cursor at (40, 445) and the environment's defaults.
inline void SetUpEngine(Engine& engine) {
    UseInstance800x600(engine);
    engine.text.TextOrigin.Set(40, 445);
    engine.text.TextCursor.Set(40, 445);
    engine.env.ApplyDefaults();
}

// Puts the scenario in place and rewinds its marks, ready for the interpreter.
inline void LoadScenario(Engine& engine, const std::vector<uint8_t>& scenario) {
    engine.scenario.LoadBytes(scenario);
    engine.scenario.ResetMarks();
}

inline void LoadScenario(Engine& engine, const std::string& scenario) {
    LoadScenario(engine, std::vector<uint8_t>(scenario.begin(), scenario.end()));
}

// The demo folder is the working folder while this lives; the one before comes back at its end.
// A bench skips itself when `Entered()` is false.
class DemoFolder {
  public:
    DemoFolder()
        : previous_(files::CurrentDirectory()), entered_(files::ChangeDirectory(TEXTREEL_DEMO_DIR)) {}
    ~DemoFolder() {
        if (entered_) {
            files::ChangeDirectory(previous_);
        }
    }
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

    bool Entered() const { return entered_; }

  private:
    std::string previous_;
    bool entered_;
};

// The Shift-JIS code of character c of line `line`: kanji that differ along a line and from line to
// line, so that the glyph cache holds many glyphs.
inline int KanjiCode(int line, int c) {
    return 0x889F + (line * 7 + c * 13) % 90;
}

// Lines of `characters` full-width characters, each followed by a click wait.
inline std::string KanjiLines(int lines, int characters) {
    std::string text;
    for (int line = 0; line < lines; ++line) {
        for (int c = 0; c < characters; ++c) {
            const int code = KanjiCode(line, c);
            text.push_back(static_cast<char>(code >> 8));
            text.push_back(static_cast<char>(code & 0xFF));
        }
        text += "\r\n$C\r\n";
    }
    return text;
}

}  // namespace textreel::bench
