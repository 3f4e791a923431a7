#include "support/script_harness.h"

#include "graphics/screen.h"
#include "platform/encoding.h"

namespace textreel::testing {

ScriptHarness::ScriptHarness(const std::string& scenario) {
    engine.trace.Capture();
    engine.instance = DefaultInstanceConfig();
    engine.instance.windowWidth = 800;
    engine.instance.windowHeight = 600;
    engine.text.TextOrigin.Set(40, 445);
    engine.text.TextCursor.Set(40, 445);
    engine.env.ApplyDefaults();
    engine.scenario.LoadBytes(std::vector<uint8_t>(scenario.begin(), scenario.end()));
    engine.scenario.ResetMarks();
    platform.OpenWindow("test", 800, 600);
    CreateGraphics(engine);
}

ScriptHarness::~ScriptHarness() {
    engine.RequestClose();
}

void ScriptHarness::Start() {
    engine.StartScriptThread();
}

void ScriptHarness::WaitIdle() {
    engine.ServeRequestsUntil([this] { return engine.Idle(); });
}

void ScriptHarness::Click() {
    engine.ResumeScript();
    WaitIdle();
}

std::vector<std::string> ScriptHarness::TraceEvents(const std::string& name) {
    std::vector<std::string> out;
    std::string key = "\"event\":\"" + name + "\"";
    for (const std::string& line : engine.trace.CapturedLines()) {
        if (line.find(key) != std::string::npos) {
            out.push_back(line);
        }
    }
    return out;
}

std::vector<std::string> ScriptHarness::Lines() {
    std::vector<std::string> out;
    for (const std::string& line : TraceEvents("text")) {
        size_t at = line.find("\"line\":\"");
        std::string text = line.substr(at + 8);
        out.push_back(text.substr(0, text.size() - 2));
    }
    return out;
}

std::string Sj(const std::string& utf8) {
    return Utf8ToCp932(utf8);
}

}  // namespace textreel::testing
