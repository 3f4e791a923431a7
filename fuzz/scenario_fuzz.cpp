// Feeds arbitrary bytes to the scenario reader: every line is read as the interpreter reads it, and
// labels taken from the input are searched.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/byte_text.h"
#include "script/interpreter.h"
#include "script/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte chooses the label to look for among the input's own bytes.
    size_t labelLength = data[0] % 80;
    std::string pattern =
        ":" + std::string(reinterpret_cast<const char*>(data + 1), std::min(labelLength, size - 1));
    std::vector<uint8_t> bytes(data + 1, data + size);

    textreel::Scenario scenario;
    scenario.LoadBytes(bytes);
    scenario.ResetMarks();
    char line[textreel::kLineBufferSize];
    for (size_t guard = 0; guard <= bytes.size() + 2; ++guard) {
        bool end = false;
        int length = scenario.ReadLine(line, end);
        if (length < 0 || length > textreel::kLineMax || line[length] != '\0') {
            __builtin_trap();
        }
        textreel::FindCommand(line);
        textreel::ReplacePlayerNameToken(line, length, "\x90\xC2\x97\x74");
        textreel::NumberAfterBlank(line);
        scenario.AdvanceLine();
        if (end) {
            break;
        }
    }
    if (scenario.SeekLabel(pattern)) {
        scenario.AdvanceLine();
        bool end = false;
        scenario.ReadLine(line, end);
    }
    return 0;
}
