// The save-file reader and the resume-point search with any file against a small scenario, and any
// position against any scenario text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/save_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace textreel;
    std::vector<uint8_t> bytes(data, data + size);
    Scenario fixed;
    const std::string text = ":start\r\n$imgblt bg.png\r\ntext\r\n$P\r\nmore text\r\n$C\r\n";
    fixed.LoadBytes(std::vector<uint8_t>(text.begin(), text.end()));
    FlagBlock block;
    std::string why;
    if (ReadSaveRecord(bytes, fixed, block, why)) {
        FindResumePoint(fixed, block.U32(FlagBlock::kSavedPosition));
    }
    // The input as a scenario, searched back from every fourth position.
    if (size > 0) {
        Scenario any;
        any.LoadBytes(bytes);
        for (uint32_t p = 0; p <= any.Size() + 3; p += 4) {
            FindResumePoint(any, p);
        }
    }
    return 0;
}
