// The save file's record and the resume-point search; the parts that need no engine.
#include "script/save_file.h"

#include <cstdio>
#include <cstring>

#include "script/byte_text.h"
#include "script/interpreter.h"
#include "script/title_string.h"

namespace textreel {

std::string SaveFileName(int slot) {
    char name[32];
    std::snprintf(name, sizeof(name), "save%02d.sav", slot);
    return name;
}

void SetSaveTitle(FlagBlock& block, std::string_view newestLine, bool anyLine, TextEncoding encoding) {
    uint8_t* title = block.bytes.data() + FlagBlock::kTitle;
    std::fill(title, title + FlagBlock::kTitleSize, uint8_t{0});
    if (!anyLine) {
        return;
    }
    constexpr size_t kCut = 30;
    if (encoding == TextEncoding::kUtf8) {
        // A UTF-8 title is cut after its last whole character within the 30 bytes; "…" follows
        // where a Shift-JIS title shows it, after a line of 30 bytes or more.
        std::string_view line = newestLine.substr(0, newestLine.find('\0'));
        TitleString cut = TitleString(line, encoding).CutTo(kCut);
        std::copy(cut.Bytes().begin(), cut.Bytes().end(), title);
        if (line.size() < kCut) {
            return;
        }
        const size_t end = cut.Bytes().size();
        title[end] = 0xE2;
        title[end + 1] = 0x80;
        title[end + 2] = 0xA6;
        title[end + 3] = 0;
        return;
    }
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
    // The start of the line after the last one (a menu whose items end the scenario) is inside.
    const bool pastLastLine = p == scenario.Size() && p > 0 && scenario.ByteAt(p - 1) == '\n';
    if (p > scenario.Size() || (p == scenario.Size() && !pastLastLine)) {
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

bool Holds(std::string_view text, const char* what) {
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
        // The line is examined where it lies: a line may be megabytes long.
        const std::string_view examined(reinterpret_cast<const char*>(scenario.Bytes()) + w,
                                        static_cast<size_t>(s + 2 - w));
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

std::vector<std::string> SavedNameTails(std::string_view name) {
    const bool drive = name.size() >= 2 && name[1] == ':' &&
                       ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    const bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
    if (!drive && !rooted) {
        return {};
    }
    std::vector<std::string_view> parts;
    size_t start = drive ? 2 : 0;
    for (size_t i = start; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            if (i > start) {
                parts.push_back(name.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    std::vector<std::string> tails;
    for (size_t first = 0; first < parts.size(); ++first) {
        std::string tail;
        bool usable = true;
        for (size_t i = first; i < parts.size(); ++i) {
            usable = usable && parts[i] != "." && parts[i] != "..";
            tail += (i > first ? "\\" : "") + std::string(parts[i]);
        }
        if (usable) {
            tails.push_back(tail);
        }
    }
    return tails;
}

MusicCommand LastMusicCommand(const Scenario& scenario, uint32_t p) {
    auto lineStartOf = [&scenario](uint32_t q) {
        while (q > 0 && scenario.ByteAt(q - 1) != '\n') {
            --q;
        }
        return q;
    };
    p = std::min(p, scenario.Size());
    const bool lineEnd = scenario.ByteAt(p) == '\r' || scenario.ByteAt(p + 1) == '\n';
    uint32_t start = lineStartOf(p);
    if (start == p && !lineEnd) {
        // The start of a line that has not run yet (a save while a menu waits): the lines before.
        if (p == 0) {
            return {};
        }
        start = lineStartOf(p - 1);
    }
    for (;;) {
        if (scenario.ByteAt(start) == '$') {
            std::string line;
            for (uint32_t i = start, end = scenario.SkipToLineEnd(start);
                 i < end && line.size() < static_cast<size_t>(kLineMax); ++i) {
                line.push_back(static_cast<char>(scenario.ByteAt(i)));
            }
            // A line holding a wait code waits instead of running its command.
            bool waits = false;
            for (const char* code : {"$C", "$X", "$P", "$W", "$S"}) {
                waits = waits || line.find(code) != std::string::npos;
            }
            const CommandEntry* command = waits ? nullptr : FindCommand(line.c_str());
            if (command != nullptr) {
                for (const char* keyword : {"OGGPlay", "onestopbgm", "BGMWave", "cdda"}) {
                    if (std::strcmp(command->keyword, keyword) == 0) {
                        return MusicCommand{keyword, line};
                    }
                }
            }
        }
        if (start == 0) {
            return {};
        }
        start = lineStartOf(start - 1);
    }
}

}  // namespace textreel
