// Feeds arbitrary bytes to the checker: the first byte splits the input into an instance file and a
// scenario, which are checked as a title would be. The label index must agree with the engine's
// label search for a pattern taken from the input.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "check/checker.h"
#include "check/file_probe.h"
#include "check/label_index.h"
#include "platform/files.h"
#include "script/scenario.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Paths named by the input resolve in an empty folder of its own. The corpus folders given on
    // the command line are made absolute first, so that they are still found from there.
    static std::vector<std::string> absolute;
    absolute.reserve(static_cast<size_t>(*argc));
    for (int i = 1; i < *argc; ++i) {
        if ((*argv)[i][0] != '-') {
            absolute.push_back(std::filesystem::absolute((*argv)[i]).string());
            (*argv)[i] = absolute.back().data();
        }
    }
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "textreel-check-fuzz";
    std::filesystem::create_directories(dir);
    textreel::files::ChangeDirectory(dir.string());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t split = 1 + data[0] % (size - 1);
    std::vector<uint8_t> ist(data + 1, data + split);
    std::vector<uint8_t> text(data + split, data + size);

    std::vector<textreel::check::Finding> findings;
    textreel::check::CheckInstanceFile(ist, "title.ist", findings);
    textreel::InstanceConfig config = textreel::ParseInstanceFile(ist);

    textreel::Scenario scenario;
    scenario.LoadBytes(text);
    textreel::check::FileProbe probe;
    textreel::check::CheckScenario(scenario, "scenario.txt", config, probe, findings);
    for (const textreel::check::Finding& f : findings) {
        if (f.line == 0 || f.message.empty()) {
            __builtin_trap();
        }
    }

    std::string pattern = ":" + std::string(ist.begin(), ist.end()).substr(0, 8);
    textreel::check::LabelIndex index(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    if (index.FindFirst(pattern) != scenario.FindPattern(pattern)) {
        __builtin_trap();
    }
    return 0;
}
