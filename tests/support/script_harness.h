// An engine with a recording platform and a scenario of the test's own, whose script thread runs
// while the test plays the main thread: it serves the script thread's requests and resumes it.
#pragma once

#include <string>
#include <vector>

#include "shell/engine.h"
#include "support/fake_platform.h"

namespace textreel::testing {

class ScriptHarness {
  public:
    // Sets up an 800 x 600 engine over the scenario text; Start() runs it.
    explicit ScriptHarness(const std::string& scenario);
    ~ScriptHarness();

    void Start();
    // Serves requests until the script thread waits for the player or has finished.
    void WaitIdle();
    // Resumes the script thread and waits until it is idle again.
    void Click();

    // The message lines shown so far (UTF-8, from the trace).
    std::vector<std::string> Lines();
    std::vector<std::string> TraceEvents(const std::string& name);

    FakePlatform platform;
    Engine engine{platform};
};

// Text in Shift-JIS, written as UTF-8 in the test.
std::string Sj(const std::string& utf8);

}  // namespace textreel::testing
