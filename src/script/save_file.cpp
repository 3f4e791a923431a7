// The save file's record and the resume-point search; the parts that need no engine.
#include "script/save_file.h"

#include <cstdio>

namespace textreel {

std::string SaveFileName(int slot) {
    char name[32];
    std::snprintf(name, sizeof(name), "save%02d.sav", slot);
    return name;
}

void SetSaveTitle(FlagBlock& block, std::string_view newestLine, bool anyLine) {
    uint8_t* title = block.bytes.data() + FlagBlock::kTitle;
    std::fill(title, title + FlagBlock::kTitleSize, uint8_t{0});
    if (!anyLine) {
        return;
    }
    constexpr size_t kCut = 30;
    for (size_t i = 0; i < kCut && i < newestLine.size() && newestLine[i] != '\0'; ++i) {
        title[i] = static_cast<uint8_t>(newestLine[i]);
    }
    // "…" in Shift-JIS; behind the line's own zero when the line is shorter than the cut.
    title[kCut] = 0x81;
    title[kCut + 1] = 0x63;
    title[kCut + 2] = 0;
}

namespace {

bool Terminated(const FlagBlock& block, size_t offset, size_t size) {
    return block.Text(offset, size).size() < size;
}

}  // namespace

bool ReadSaveRecord(const std::vector<uint8_t>& bytes, const Scenario& scenario, FlagBlock& out,
                    std::string& why) {
    if (bytes.size() != FlagBlock::kSize) {
        why = "the file is not " + std::to_string(FlagBlock::kSize) + " bytes long";
        return false;
    }
    FlagBlock block;
    std::copy(bytes.begin(), bytes.end(), block.bytes.begin());
    uint32_t p = block.U32(FlagBlock::kSavedPosition);
    if (p >= scenario.Size()) {
        why = "the saved position lies outside the scenario";
        return false;
    }
    // A game saved at a wait stands on the end of its line; one saved while a choice menu waits
    // stands on the start of the line after the menu's items. Either is a place the resume-point
    // search starts from; a position inside a line is not.
    const bool lineEnd = scenario.ByteAt(p) == '\r' || scenario.ByteAt(p + 1) == '\n';
    const bool lineStart = p == 0 || scenario.ByteAt(p - 1) == '\n';
    if (!lineEnd && !lineStart) {
        why = "the saved position lies inside a line";
        return false;
    }
    const struct {
        size_t offset, size;
    } fields[] = {
        {FlagBlock::kBackgroundName, FlagBlock::kNameSize},
        {FlagBlock::kSpriteNames, FlagBlock::kNameSize},
        {FlagBlock::kSpriteNames + FlagBlock::kNameSize, FlagBlock::kNameSize},
        {FlagBlock::kBgmName, FlagBlock::kNameSize},
        {FlagBlock::kPlayerName, FlagBlock::kPlayerNameSize},
        {FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize},
        {FlagBlock::kTitle, FlagBlock::kTitleSize},
    };
    for (const auto& f : fields) {
        if (!Terminated(block, f.offset, f.size)) {
            why = "a name has no terminating zero";
            return false;
        }
    }
    if (block.bytes[FlagBlock::kSpriteActive] > 1 || block.bytes[FlagBlock::kSpriteActive + 1] > 1 ||
        block.bytes[FlagBlock::kBackgroundVariant] > 1) {
        why = "a sprite or background mark is neither 0 nor 1";
        return false;
    }
    out = block;
    return true;
}

namespace {

bool Holds(const std::string& text, const char* what) {
    return text.find(what) != std::string::npos;
}

}  // namespace

ResumePoint FindResumePoint(const Scenario& scenario, uint32_t savedPosition) {
    auto at = [&scenario](int64_t i) {
        return i < 0 ? uint8_t{0} : scenario.ByteAt(static_cast<uint32_t>(i));
    };
    ResumePoint result;
    int64_t s = static_cast<int64_t>(savedPosition) - 3;
    bool first = true;
    while (s > 0) {
        // Back to the start of the line that holds s; a walk that starts on a CR stays there.
        int64_t w = s;
        if (at(w - 1) != '\n') {
            for (;;) {
                if (at(w) == '\r') {
                    break;
                }
                --w;
                if (w == 0 || at(w - 1) == '\n') {
                    break;
                }
            }
        }
        std::string examined;
        for (int64_t i = w; i <= s + 1; ++i) {
            examined.push_back(static_cast<char>(at(i)));
        }
        s = w;
        result.lineStart = static_cast<uint32_t>(s);
        if (!first && (Holds(examined, "$P") || Holds(examined, "$W"))) {
            result.replay = true;
            return result;
        }
        first = false;
        for (const char* picture : {"$hani", "$imgblt", "$ccblt", "$fill", "$sprite", "$statusopen"}) {
            if (Holds(examined, picture)) {
                return result;
            }
        }
        if (Holds(examined, "$selword")) {
            result.showMessage = true;
            return result;
        }
        if (Holds(examined, ":")) {
            result.replay = true;
            return result;
        }
        s -= 2;
    }
    return ResumePoint{};
}

}  // namespace textreel
