// The walk over the scenario: every line as the interpreter would take it, the commands by the
// dispatch table's order, menus with their item lines, labels and the jumps that search them.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "check/checker.h"
#include "check/file_probe.h"
#include "check/label_index.h"
#include "graphics/bmp_reader.h"
#include "graphics/transitions.h"
#include "platform/encoding.h"
#include "script/byte_text.h"
#include "script/interpreter.h"
#include "script/scenario.h"
#include "script/utf8_text.h"
#include "shell/messages.h"
#include "text/line_layout.h"

namespace textreel::check {

namespace {

// The message window at the default font: rows start at x 40 and break once x passes 780.
constexpr int kDefaultFontSize = 21;
constexpr int kTextLeft = 40;
constexpr int kWrapLimit = 780;
// Index ranges the game-state record leaves room for.
constexpr int kEventFlags = 40;
constexpr int kPointCounters = 20;
constexpr int kRecordFlags = 20;
constexpr int kCgPictures = 21;
constexpr int kMenuEntries = 48;
constexpr size_t kSelwordTextMax = 47;

enum class Kind { kEmpty, kComment, kLabel, kCommand, kText, kWait, kMenu };

struct Line {
    uint32_t start = 0;   // offset of its first byte
    uint32_t number = 0;  // the editor's line number, from 1
    Kind kind = Kind::kEmpty;
    bool jumpsAway = false;  // the script never goes on to the next line
    bool target = false;     // a jump lands here
};

enum class MenuKind { kNone, kSelarea, kSelword, kFlagselect };

struct Menu {
    MenuKind kind = MenuKind::kNone;
    size_t commandLine = 0;
    int items = 0;
    bool broken = false;
    bool cgMode = false;
};

std::string Quote(std::string_view sjis) {
    return "\"" + ShownPath(sjis) + "\"";
}

// A short excerpt of a line for messages.
std::string Excerpt(std::string_view sjis) {
    std::string out;
    size_t i = 0;
    while (i < sjis.size() && i < 40) {
        i += IsSjisLeadByte(static_cast<uint8_t>(sjis[i])) ? 2 : 1;
    }
    i = std::min(i, sjis.size());
    return "\"" + Cp932ToUtf8(sjis.substr(0, i)) + (i < sjis.size() ? "…" : "") + "\"";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks, tabs and full-width blanks only.
bool OnlyBlanks(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsBlank(s[i])) {
            continue;
        }
        if (s.substr(i, 2) == "\x81\x40") {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// The number fields of the flag commands, cut at fixed byte offsets as the engine cuts them; rest
// is where the text after the blank that ends the last number starts (the judges' label).
struct Fields {
    int32_t first = 0;
    int32_t second = 0;
    size_t rest = std::string::npos;
};

Fields CutFields(std::string_view line, size_t firstStart, size_t lastEnd, bool twoNumbers) {
    Fields f;
    const size_t length = line.size();
    if (firstStart >= length) {
        return f;
    }
    size_t end = firstStart;
    while (end < length && end < firstStart + 5 && line[end] != ' ') {
        ++end;
    }
    f.first = ReadDecimal(std::string(line.substr(firstStart, end - firstStart)).c_str());
    while (end < length && line[end] != ' ') {
        ++end;
    }
    if (end >= length) {
        return f;
    }
    if (!twoNumbers) {
        f.rest = end + 1;
        return f;
    }
    size_t second = end + 1;
    if (second >= length) {
        return f;
    }
    if (line[second] == ' ') {
        f.rest = second + 1;
        return f;
    }
    size_t stop = second;
    while (stop < length && stop <= lastEnd && line[stop] != ' ') {
        ++stop;
    }
    f.second = ReadDecimal(std::string(line.substr(second, stop - second)).c_str());
    while (stop < length && line[stop] != ' ') {
        ++stop;
    }
    if (stop < length) {
        f.rest = stop + 1;
    }
    return f;
}

// One menu item's fields after the first "(": each field runs to its separator.
struct ItemFields {
    std::vector<std::string_view> fields;
    bool closed = false;
};

ItemFields CutItem(std::string_view line, int commaFields, bool lastEndsAtComma) {
    ItemFields out;
    size_t open = line.find('(');
    if (open == std::string_view::npos) {
        return out;
    }
    size_t p = open + 1;
    for (int i = 0; i <= commaFields; ++i) {
        char stop = (i < commaFields || lastEndsAtComma) ? ',' : ')';
        size_t end = line.find(stop, p);
        if (end == std::string_view::npos) {
            return out;
        }
        out.fields.push_back(line.substr(p, end - p));
        p = end + 1;
    }
    out.closed = true;
    return out;
}

class ScenarioWalk {
  public:
    ScenarioWalk(Scenario& s, const std::string& fileName, const InstanceConfig& config, FileProbe& probe,
                 std::vector<Finding>& out, const TitleSettings& settings)
        : s_(s),
          file_(fileName),
          config_(config),
          settings_(settings),
          probe_(probe),
          out_(out),
          text_(reinterpret_cast<const char*>(s.Bytes()), s.Size()),
          index_(text_) {}

    void Run() {
        Segment();
        CheckWholeEncoding();
        for (size_t i = 0; i < lines_.size(); ++i) {
            ReadAt(i);
            CheckLine(i);
        }
        if (menu_.kind != MenuKind::kNone) {
            const char* end = menu_.kind == MenuKind::kFlagselect ? "\"$flagselend\"" : "\"selend\"";
            Error(menu_.commandLine,
                  std::string(MenuName()) + ": no line holding " + end +
                      " follows; every line to the end of the scenario is read as an item");
        }
        Unreachable();
        TextOverText();
    }

  private:
    // Cuts the text into the engine's lines (ReadLine and AdvanceLine) and notes their line ends.
    void Segment() {
        s_.ReadPos = 0;
        uint32_t counted = 0;
        uint32_t number = 1;
        size_t bareLf = 0, loneCr = 0;
        size_t firstBareLf = 0, firstLoneCr = 0;
        for (;;) {
            Line line;
            line.start = s_.ReadPos;
            for (; counted < line.start && counted < s_.Size(); ++counted) {
                number += s_.ByteAt(counted) == '\n' ? 1 : 0;
            }
            line.number = number;
            bool end = false;
            s_.ReadLine(buffer_, end);
            uint32_t stop = end ? s_.ReadPos + 2 : s_.ReadPos.load();
            if (!end) {
                if (s_.ByteAt(stop) != '\r') {
                    firstBareLf = bareLf++ == 0 ? lines_.size() : firstBareLf;
                } else if (s_.ByteAt(stop + 1) != '\n') {
                    firstLoneCr = loneCr++ == 0 ? lines_.size() : firstLoneCr;
                }
            }
            if (buffer_[0] == ':') {
                labelFirst_.emplace(std::string(buffer_ + 1), lines_.size());
            }
            lines_.push_back(line);
            lineEnds_.push_back(stop);
            s_.AdvanceLine();
            if (end) {
                break;
            }
        }
        if (bareLf > 0) {
            Warning(firstBareLf,
                    "the line ends in LF without CR" +
                        (bareLf > 1 ? " (so do " + std::to_string(bareLf - 1) + " more)" : std::string()) +
                        ": the engine drops the last byte of every such line");
        }
        if (loneCr > 0) {
            Warning(firstLoneCr,
                    "the line ends in CR without LF" +
                        (loneCr > 1 ? " (so do " + std::to_string(loneCr - 1) + " more)" : std::string()) +
                        ": the engine takes the byte after the CR as part of the line end");
        }
    }

    void ReadAt(size_t i) {
        s_.ReadPos = lines_[i].start;
        bool end = false;
        length_ = s_.ReadLine(buffer_, end);
        line_ = std::string_view(buffer_, std::strlen(buffer_));
        rawLength_ = lineEnds_[i] - lines_[i].start;
    }

    void CheckLine(size_t i) {
        Line& line = lines_[i];
        CheckEncoding(i);
        if (menu_.kind != MenuKind::kNone) {
            line.kind = Kind::kMenu;
            MenuItem(i);
            return;
        }
        if (length_ == 0) {
            return;
        }
        if (rawLength_ > static_cast<uint32_t>(kLineMax)) {
            Warning(i, "the line is " + std::to_string(rawLength_) +
                           " bytes long; the engine keeps the first " + std::to_string(kLineMax) +
                           " and drops the rest");
        }
        if (line_[0] == ':') {
            line.kind = Kind::kLabel;
            DefineLabel(i);
        } else if (line_[0] == ';') {
            line.kind = Kind::kComment;
        }
        if (WaitCodes(i)) {
            if (line.kind != Kind::kLabel && line.kind != Kind::kComment) {
                line.kind = Kind::kWait;
            }
            return;
        }
        if (line_[0] == '$') {
            line.kind = Kind::kCommand;
            Command(i);
        } else if (line.kind != Kind::kLabel && line.kind != Kind::kComment) {
            line.kind = Kind::kText;
            TextLine(i);
        }
    }

    // "$C", "$X", "$P", "$W", "$S" act wherever they stand; the line is then neither shown nor run.
    bool WaitCodes(size_t i) {
        static constexpr std::array<const char*, 5> kCodes = {"$C", "$X", "$P", "$W", "$S"};
        std::string found;
        std::string rest(line_);
        for (const char* code : kCodes) {
            if (FindText(buffer_, code) == nullptr) {
                continue;
            }
            found += found.empty() ? "" : ", ";
            found += code;
            for (size_t at = rest.find(code); at != std::string::npos; at = rest.find(code)) {
                rest.erase(at, 2);
            }
        }
        if (found.empty()) {
            return false;
        }
        Kind kind = lines_[i].kind;
        if (kind == Kind::kComment || kind == Kind::kLabel) {
            Warning(i, found + " inside a " + (kind == Kind::kComment ? "comment" : "label") +
                           " line still acts: the game waits here");
        } else if (!OnlyBlanks(rest)) {
            Warning(i, std::string(line_[0] == '$' ? "the command " : "the text ") + Excerpt(rest) +
                           " on a line holding " + found + " is never " +
                           (line_[0] == '$' ? "run" : "shown") + ": the wait code takes the whole line");
        }
        return true;
    }

    void DefineLabel(size_t i) {
        std::string name(line_.substr(1));
        if (name.size() > static_cast<size_t>(kLabelPatternMax - 1)) {
            Warning(i, "the label " + Quote(name) + " is " + std::to_string(name.size()) +
                           " bytes long; a jump searches at most its first " +
                           std::to_string(kLabelPatternMax - 1) + " bytes");
        }
        auto first = labelFirst_.find(name);
        if (first != labelFirst_.end() && first->second != i) {
            Error(i, "the label " + Quote(name) + " is defined again; the first one, on line " +
                         std::to_string(lines_[first->second].number) + ", wins");
        }
    }

    // --- text ---

    void TextLine(size_t i) {
        int width = 0;
        int last = 0;  // the advance of the last character drawn
        std::vector<LineChar> chars;
        SplitLine(reinterpret_cast<const uint8_t*>(line_.data()), static_cast<int>(line_.size()),
                  settings_.encoding, chars);
        for (const LineChar& c : chars) {
            last = c.halfWidth ? kDefaultFontSize / 2 : kDefaultFontSize - 1;
            width += last;
        }
        const int right = config_.windowWidth > 0 ? std::min(kWrapLimit, config_.windowWidth) : kWrapLimit;
        // Text that wraps at words is meant to run onto the next rows.
        if (settings_.wrap == WrapMode::kWords && right == kWrapLimit) {
            return;
        }
        if (kTextLeft + width > right) {
            std::string why = right < kWrapLimit
                                  ? "the " + std::to_string(config_.windowWidth) +
                                        "-pixel-wide screen cuts it at x " + std::to_string(right)
                              : kTextLeft + width - last <= kWrapLimit
                                  ? "its last character passes x " + std::to_string(kWrapLimit) +
                                        ", where the row breaks, so the next line starts one row lower"
                                  : "the message window's row ends at x " + std::to_string(kWrapLimit) +
                                        ", so it wraps onto the next row";
            Warning(i, "the text is " + std::to_string(width) + " pixels wide at the default font size " +
                           std::to_string(kDefaultFontSize) + " (from x " + std::to_string(kTextLeft) +
                           "); " + why);
        }
    }

    // A scenario saved as UTF-8 is read byte by byte as Shift-JIS: one finding for the whole file
    // says more than one per line.
    void CheckWholeEncoding() {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
            Warning(0,
                    "the file starts with a UTF-8 byte order mark, which the engine reads as part of the "
                    "first line");
        }
        bool multibyte = false;
        for (size_t p = 0; p < text_.size();) {
            auto b = static_cast<uint8_t>(text_[p]);
            size_t n = b < 0x80             ? 1
                       : (b & 0xE0) == 0xC0 ? 2
                       : (b & 0xF0) == 0xE0 ? 3
                       : (b & 0xF8) == 0xF0 ? 4
                                            : 0;
            if (n == 0 || p + n > text_.size()) {
                return;
            }
            for (size_t k = 1; k < n; ++k) {
                if ((static_cast<uint8_t>(text_[p + k]) & 0xC0) != 0x80) {
                    return;
                }
            }
            multibyte = multibyte || n > 1;
            p += n;
        }
        if (multibyte && settings_.encoding != TextEncoding::kUtf8) {
            utf8_ = true;
            Warning(
                0, "the scenario is written in UTF-8; the engine reads Shift-JIS, so its text shows garbled");
        }
    }

    void CheckEncoding(size_t i) {
        if (utf8_) {
            return;
        }
        if (settings_.encoding == TextEncoding::kUtf8) {
            CheckUtf8(i);
            return;
        }
        // A line cut at 1023 bytes may end in half a character; that half is the cut's, not the text's.
        const size_t checked = line_.size() == static_cast<size_t>(kLineMax) && rawLength_ > line_.size()
                                   ? line_.size() - 1
                                   : line_.size();
        for (size_t k = 0; k < checked; ++k) {
            auto b = static_cast<uint8_t>(line_[k]);
            bool good = true;
            size_t width = 1;
            if (IsSjisLeadByte(b)) {
                width = 2;
                if (k + 1 >= line_.size()) {
                    good = false;
                } else {
                    good = ValidSjis(b, static_cast<uint8_t>(line_[k + 1]));
                }
            } else if (b == 0x80 || b == 0xA0 || b >= 0xFD) {
                good = false;
            }
            if (!good) {
                std::string bytes;
                char hex[8];
                for (size_t j = k; j < std::min(k + width, line_.size()); ++j) {
                    std::snprintf(hex, sizeof(hex), "%s0x%02X", j == k ? "" : " ",
                                  static_cast<uint8_t>(line_[j]));
                    bytes += hex;
                }
                Warning(i, "the bytes " + bytes + " at byte " + std::to_string(k + 1) +
                               " of the line are not a Shift-JIS character");
                return;
            }
            k += width - 1;
        }
    }

    // A title whose textreel.ini says utf-8: bytes that are not UTF-8 show as U+FFFD.
    void CheckUtf8(size_t i) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(line_.data());
        // A line cut at 1023 bytes may end in part of a character; that part is the cut's.
        const size_t checked = line_.size() == static_cast<size_t>(kLineMax) && rawLength_ > line_.size()
                                   ? Utf8PrefixLength(line_, line_.size())
                                   : line_.size();
        for (size_t k = 0; k < checked;) {
            uint32_t code = 0;
            auto n = static_cast<size_t>(DecodeUtf8Char(bytes, checked, k, code));
            if (!IsValidUtf8At(bytes, checked, k)) {
                char hex[8];
                std::snprintf(hex, sizeof(hex), "0x%02X", bytes[k]);
                Warning(i, std::string("the byte ") + hex + " at byte " + std::to_string(k + 1) +
                               " of the line is not UTF-8; it shows as \"\xEF\xBF\xBD\"");
                return;
            }
            k += n;
        }
    }

    bool ValidSjis(uint8_t lead, uint8_t trail) {
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) {
            return false;
        }
        int8_t& known = sjisValid_[lead * 256u + trail];
        if (known == 0) {
            known = Cp932CodeToUnicode(lead * 256u + trail) != 0 ? 1 : -1;
        }
        return known == 1;
    }

    // --- commands ---

    void Command(size_t i) {
        const CommandEntry* entry = FindCommand(buffer_);
        size_t wordEnd = 1;
        while (wordEnd < line_.size() &&
               (std::isalnum(static_cast<unsigned char>(line_[wordEnd])) != 0 || line_[wordEnd] == '_')) {
            ++wordEnd;
        }
        std::string word(line_.substr(1, wordEnd - 1));
        if (entry == nullptr) {
            Warning(i, "unknown command \"$" + ShownPath(word) + "\": the engine shows \"" +
                           msg::kUnknownCommand + "\" and goes on with the next line");
            return;
        }
        const std::string keyword = entry->keyword;
        if (word != keyword) {
            if (IsKeyword(word)) {
                Warning(i, "\"$" + word + "\" runs as \"" + keyword + "\": the keyword \"" + keyword +
                               "\" inside its arguments is tested first");
            } else {
                Warning(i, "unknown command \"$" + ShownPath(word) + "\" runs as \"" + keyword +
                               "\", the first keyword the line holds");
            }
        }
        RunCommand(i, keyword);
    }

    bool IsKeyword(const std::string& word) const {
        int count = 0;
        const CommandEntry* table = CommandTable(count);
        for (int k = 0; k < count; ++k) {
            if (word == table[k].keyword) {
                return true;
            }
        }
        return false;
    }

    std::string_view AfterBlank() const { return TextAfterBlank(buffer_); }

    void RunCommand(size_t i, const std::string& k) {
        if (k == "jmp") {
            Jmp(i);
        } else if (k == "eventflag") {
            EventFlagIndex(i, k, NumberAfterBlank(buffer_));
        } else if (k == "eventjudge") {
            Fields f = CutFields(line_, 12, 0, false);
            EventFlagIndex(i, k, f.first);
            Judge(i, k, f);
        } else if (k == "pointflag") {
            PointIndex(i, k, CutFields(line_, 11, 21, true).first);
        } else if (k == "pointjudge") {
            Fields f = CutFields(line_, 12, 20, true);
            PointIndex(i, k, f.first);
            Judge(i, k, f);
        } else if (k == "random") {
            Fields f = CutFields(line_, 8, 16, true);
            PointIndex(i, k, f.first);
            if (f.second < 1 || f.second > 999) {
                Warning(i, "random: the range " + std::to_string(f.second) +
                               " is outside 1..999, so nothing happens");
            }
        } else if (k == "recflag") {
            int32_t n = NumberAfterBlank(buffer_);
            if (n < 0 || n >= kRecordFlags) {
                Warning(i, "recflag: record flag " + std::to_string(n) + " is outside 0.." +
                               std::to_string(kRecordFlags - 1));
            }
        } else if (k == "effect") {
            int32_t n = NumberAfterBlank(buffer_);
            if (n < 0 || n > 21 || n == 9 || n == 10) {
                Warning(i, "effect " + std::to_string(n) +
                               " is not a transition: the picture changes after it "
                               "are not shown");
            }
        } else if (k == "maskefct") {
            Mask(i, AfterBlank());
        } else if (k == "imgblt" || k == "ccblt") {
            ScreenPicture(i, k, AfterBlank(), k == "ccblt" ? 2 : 1);
        } else if (k == "sprite") {
            Sprite(i);
        } else if (k == "fill") {
            static constexpr std::array<const char*, 5> kWords = {"black", "white", "red", "green", "blue"};
            if (std::none_of(kWords.begin(), kWords.end(),
                             [&](const char* w) { return FindText(buffer_, w); })) {
                Warning(i, "fill names no colour (black, white, red, green or blue): nothing is drawn");
            }
        } else if (k == "blt") {
            if (line_.find('(') == std::string_view::npos) {
                Warning(i, "blt without \"(x1,y1,x2,y2,sx,sy)\" copies nothing");
            }
        } else if (k == "selarea" || k == "selword" || k == "flagselect") {
            StartMenu(i, k);
        } else if (k == "windowopen") {
            WindowParts(i);
        } else if (k == "OGGPlay" || k == "onestopbgm" || k == "BGMWave") {
            Music(i, k);
        } else if (k == "cdda") {
            if (!config_.cdMusic) {
                Warning(i,
                        "cdda does nothing: music comes from Ogg files (BGMType holds WAVE, or is missing)");
            }
        } else if (k == "wave") {
            SoundFile(i, k, AfterBlank(), FileKind::kSound, "sound effect");
        } else if (k == "talk") {
            if (FindText(buffer_, "purge") == nullptr) {
                SoundFile(i, k, AfterBlank(), FileKind::kSound, "voice");
            }
        } else if (k == "movieplay") {
            if (FindText(buffer_, "stop") == nullptr) {
                SoundFile(i, k, AfterBlank(), FileKind::kMovie, "movie");
            }
        } else if (k == "URLOpen") {
            std::string_view address = AfterBlank();
            if (address.substr(0, 7) != "http://" && address.substr(0, 8) != "https://" &&
                address.substr(0, 7) != "mailto:") {
                Warning(i,
                        "URLOpen: only http, https and mailto addresses are opened, not " + Quote(address));
            }
        }
    }

    void EventFlagIndex(size_t i, const std::string& k, int32_t n) {
        if (n >= 0 && n < kEventFlags) {
            return;
        }
        std::string alias = n >= kEventFlags && n < kEventFlags + 23
                                ? " (it is the cell of point counter " + std::to_string(n - kEventFlags) + ")"
                                : " (beyond the game-state record)";
        Warning(i, k + ": event flag " + std::to_string(n) + " is outside 0.." +
                       std::to_string(kEventFlags - 1) + alias);
    }

    void PointIndex(size_t i, const std::string& k, int32_t n) {
        if (n >= 0 && n < kPointCounters) {
            return;
        }
        std::string what = n == 20              ? " (it is the status window flag)"
                           : n == 21 || n == 22 ? " (it holds a sprite's position)"
                                                : " (beyond the game-state record)";
        Warning(i, k + ": point counter " + std::to_string(n) + " is outside 0.." +
                       std::to_string(kPointCounters - 1) + what);
    }

    // --- labels and jumps ---

    enum class Search { kSeekLabel, kMenu };

    // Where the engine lands for pattern, or reports why it cannot: returns the line the match lies
    // on, or -1 after reporting the error.
    int64_t Resolve(size_t i, const std::string& what, const std::string& pattern, Search search,
                    const std::string& consequence, const std::string& noun = "the label") {
        int64_t at = index_.FindFirst(pattern);
        std::string blankNote = !pattern.empty() && (pattern.back() == ' ' || pattern.back() == '\t')
                                    ? " (the name ends in a blank)"
                                    : "";
        if (at < 0) {
            Error(i, what + ": " + noun + " " + Quote(pattern.substr(1)) + " does not exist" + blankNote +
                         "; " + consequence);
            return -1;
        }
        if (search == Search::kSeekLabel && s_.SkipToLineEnd(static_cast<uint32_t>(at)) >= s_.Size()) {
            Error(i, what + ": " + Quote(pattern) +
                         " is found only on the last line, which has no line end; " + consequence);
            return -1;
        }
        size_t hit = LineOf(static_cast<uint32_t>(at));
        if (hit + 1 < lines_.size()) {
            lines_[hit + 1].target = true;
        }
        // The search is a plain substring search: it may land inside a longer label or a text line.
        const Line& landed = lines_[hit];
        std::string name = pattern.substr(1);
        bool onLabel = landed.start == static_cast<uint32_t>(at) && LabelNameAt(hit) == name;
        if (!onLabel) {
            std::string where;
            if (landed.start == static_cast<uint32_t>(at)) {
                where = "inside the longer label " + Quote(LabelNameAt(hit));
            } else {
                where = "in the middle of line " + std::to_string(landed.number);
            }
            auto exact = labelFirst_.find(name);
            std::string meant = exact != labelFirst_.end() ? ", not at the label on line " +
                                                                 std::to_string(lines_[exact->second].number)
                                                           : "";
            Warning(i, what + ": " + Quote(pattern) + " is found first on line " +
                           std::to_string(landed.number) + ", " + where + meant +
                           "; the game goes on from there");
        }
        return static_cast<int64_t>(hit);
    }

    static std::string EndsGame(const std::string& shown) {
        return "the engine shows " + Quote(shown) + " and ends the game";
    }

    std::string LabelNameAt(size_t line) const {
        uint32_t start = lines_[line].start;
        uint32_t end = lineEnds_[line];
        if (end <= start || text_[start] != ':') {
            return "";
        }
        std::string_view name = text_.substr(start + 1, std::min<uint32_t>(end - start - 1, kLineMax - 1));
        return std::string(name.substr(0, name.find('\0')));
    }

    size_t LineOf(uint32_t offset) const {
        auto it = std::upper_bound(lines_.begin(), lines_.end(), offset,
                                   [](uint32_t o, const Line& l) { return o < l.start; });
        return it == lines_.begin() ? 0 : static_cast<size_t>(it - lines_.begin() - 1);
    }

    void Jmp(size_t i) {
        lines_[i].jumpsAway = true;
        const char* blank = FindTextMb(buffer_, " ");
        const char* label = blank == nullptr ? buffer_ + length_ : blank + 1;
        size_t length = std::min<size_t>(std::strcspn(label, " "), kLabelPatternMax - 1);
        if (length == 0) {
            Error(i, "jmp names no label");
            return;
        }
        int64_t hit = Resolve(i, "jmp", ":" + std::string(label, length), Search::kSeekLabel,
                              EndsGame(":" + std::string(label)));
        if (hit >= 0) {
            jumps_.emplace_back(i, static_cast<size_t>(hit));
        }
        if (const char* ret = FindText(buffer_, "return ")) {
            std::string pattern = (":" + std::string(ret + 7)).substr(0, kLabelPatternMax - 1);
            Resolve(i, "jmp", pattern, Search::kSeekLabel,
                    "the returnto that goes back shows its own line and ends the game", "the return label");
        }
    }

    void Judge(size_t i, const std::string& k, const Fields& f) {
        if (f.rest == std::string::npos || f.rest >= line_.size()) {
            Error(i, k + " names no label");
            return;
        }
        std::string pattern = ":" + std::string(line_.substr(f.rest));
        Resolve(i, k, pattern, Search::kSeekLabel, EndsGame(pattern));
    }

    // --- pictures ---

    bool FileProblem(size_t i, const std::string& k, const FileInfo& info, const std::string& engineSays) {
        if (info.problem.empty()) {
            return false;
        }
        Error(i, k + ": " + info.problem + engineSays);
        return true;
    }

    static std::string PictureFailure() {
        return std::string("; the engine shows \"") + msg::kPictureLoadFailed + "\"";
    }

    void ScreenPicture(size_t i, const std::string& k, std::string_view name, int widthFactor) {
        if (name.empty()) {
            Error(i, k + " names no picture" + PictureFailure());
            return;
        }
        const FileInfo& info = probe_.Probe(name, FileKind::kPng);
        if (FileProblem(i, k, info, PictureFailure())) {
            return;
        }
        int w = config_.windowWidth * widthFactor;
        int h = config_.windowHeight;
        std::string size = std::to_string(info.width) + " x " + std::to_string(info.height);
        std::string wanted = std::to_string(w) + " x " + std::to_string(h);
        std::string use = widthFactor == 2 ? " (colours left, light map right)" : "";
        if (info.width < w || info.height < h) {
            Error(i, k + ": " + Quote(name) + " is " + size + ", smaller than the " + wanted + use +
                         " it must fill; the rest of the screen stays black");
        } else if (info.width > w || info.height > h) {
            Warning(i, k + ": " + Quote(name) + " is " + size + ", larger than the " + wanted + use +
                           " it fills; only its top-left part is shown");
        }
    }

    void Sprite(size_t i) {
        // The slot starts at the ninth byte; slot and x run to the next blank (5 bytes at most).
        size_t p = std::min<size_t>(8, line_.size());
        int32_t values[2] = {};
        for (int32_t& value : values) {
            std::string field;
            for (size_t n = 0; n < 5 && p + n < line_.size() && line_[p + n] != ' '; ++n) {
                field += line_[p + n];
            }
            value = ReadDecimal(field.c_str());
            size_t blank = line_.find(' ', p);
            p = blank == std::string_view::npos ? line_.size() : blank + 1;
        }
        if (values[0] != 0 && values[0] != 1) {
            Warning(i, "sprite: slot " + std::to_string(values[0]) +
                           " is not 0 or 1, so a saved game forgets it");
        }
        std::string_view name = line_.substr(p);
        if (name.empty()) {
            Error(i, "sprite names no picture" + PictureFailure());
            return;
        }
        const FileInfo& info = probe_.Probe(name, FileKind::kPng);
        if (FileProblem(i, "sprite", info, PictureFailure())) {
            return;
        }
        if (info.width % 2 != 0) {
            Error(i, "sprite: " + Quote(name) + " is " + std::to_string(info.width) +
                         " pixels wide; a sprite is colours left and mask right, so its width must be even");
        } else if (info.height > config_.windowHeight) {
            Warning(i, "sprite: " + Quote(name) + " is " + std::to_string(info.height) +
                           " pixels high, taller than the screen; its top is cut off");
        }
    }

    void Mask(size_t i, std::string_view name) {
        std::string says = std::string("; the engine shows \"") + msg::kLossParts + "\"";
        if (name.empty()) {
            Error(i, "maskefct names no mask" + says);
            return;
        }
        // The verdict on each mask is kept, so that its bytes need not be.
        auto known = maskVerdicts_.find(std::string(name));
        if (known == maskVerdicts_.end()) {
            const FileInfo& info = probe_.Probe(name, FileKind::kBmp);
            std::string verdict;
            if (!info.problem.empty()) {
                verdict = info.problem + says;
            } else {
                const int w = config_.windowWidth;
                const int h = config_.windowHeight;
                std::vector<uint8_t> levels;
                const int stride = (3 * w + 3) / 4 * 4;
                if (info.width != w || info.height != h || info.bitsPerPixel != 8 ||
                    !ReadMaskLevels(info.bytes, w, h, stride, levels)) {
                    verdict = Quote(name) + " is a " + std::to_string(info.width) + " x " +
                              std::to_string(info.height) + ", " + std::to_string(info.bitsPerPixel) +
                              "-bit BMP; a mask must be " + std::to_string(w) + " x " + std::to_string(h) +
                              " with 8-bit palette indexes";
                }
            }
            probe_.DropBytes(name, FileKind::kBmp);
            known = maskVerdicts_.emplace(std::string(name), verdict).first;
        }
        if (!known->second.empty()) {
            Error(i, "maskefct: " + known->second);
        }
    }

    // A message-window part: a BMP of a fixed size, reported once at the line that first needs it.
    void Part(size_t i, const std::string& k, const char* name, int w, int h, size_t bytes,
              const std::string& failure) {
        if (!reportedParts_.insert(name).second) {
            return;
        }
        const FileInfo& info = probe_.Probe(name, FileKind::kBmp);
        if (FileProblem(i, k, info, "; the engine shows \"" + failure + "\"")) {
            return;
        }
        BmpPicture picture;
        const bool readable =
            ParseBmp(info.bytes.data(), info.bytes.size(), bytes, picture) == BmpResult::kOk;
        const size_t fileBytes = info.bytes.size();
        probe_.DropBytes(name, FileKind::kBmp);
        if (!readable) {
            Error(i, k + ": " + Quote(name) + " is not a BMP file the engine can read (" +
                         std::to_string(info.width) + " x " + std::to_string(info.height) + ", " +
                         std::to_string(info.bitsPerPixel) + " bits, " + std::to_string(fileBytes) +
                         " bytes); the engine shows \"" + failure + "\"");
            return;
        }
        if (w > 0 && (info.width != w || info.height != h || info.bitsPerPixel != 24)) {
            Error(i, k + ": " + Quote(name) + " is a " + std::to_string(info.width) + " x " +
                         std::to_string(info.height) + ", " + std::to_string(info.bitsPerPixel) +
                         "-bit BMP; it must be " + std::to_string(w) + " x " + std::to_string(h) +
                         " with 24 bits (colours left, mask right)");
        }
    }

    void WindowParts(size_t i) {
        Part(i, "windowopen", "cg\\menu\\waiticon.bmp", 64, 64, 12288, "cg\\menu\\waiticon.bmp");
        Part(i, "windowopen", "cg\\menu\\btnprts.bmp", 1280, 44, 640 * 22 * 12, msg::kLossParts);
        Part(i, "windowopen", "cg\\menu\\bar_a.bmp", 0, 0, 0, "cg\\menu\\bar_a.bmp");
    }

    // --- sound ---

    void Music(size_t i, const std::string& k) {
        if (config_.cdMusic) {
            Warning(i, k + " does nothing: music comes from CD (BGMType does not hold WAVE)");
            return;
        }
        if (FindText(buffer_, "STOP") != nullptr ||
            (k == "OGGPlay" && FindText(buffer_, "FADEOUT") != nullptr)) {
            return;
        }
        SoundFile(i, k, AfterBlank(), FileKind::kSound, "music");
    }

    void SoundFile(size_t i, const std::string& k, std::string_view name, FileKind kind, const char* what) {
        if (name.empty()) {
            Error(i, k + " names no " + what + " file");
            return;
        }
        const FileInfo& info = probe_.Probe(name, kind);
        std::string says;
        if (kind != FileKind::kMovie) {
            says = "; nothing is heard";
        } else if (!info.found) {
            says = std::string("; the engine shows \"") + msg::kMovieMissing + "\"";
        }
        FileProblem(i, k, info, says);
    }

    // --- menus ---

    const char* MenuName() const {
        switch (menu_.kind) {
            case MenuKind::kSelarea:
                return "selarea";
            case MenuKind::kSelword:
                return "selword";
            case MenuKind::kFlagselect:
                return "flagselect";
            case MenuKind::kNone:
                break;
        }
        return "";
    }

    void StartMenu(size_t i, const std::string& k) {
        menu_ = Menu{};
        menu_.commandLine = i;
        if (k == "selarea") {
            menu_.kind = MenuKind::kSelarea;
            ScreenPicture(i, k, AfterBlank(), 1);
        } else if (k == "selword") {
            menu_.kind = MenuKind::kSelword;
            Part(i, k, "cg\\menu\\menubar.bmp", 0, 0, 0, msg::kLossParts);
        } else {
            menu_.kind = MenuKind::kFlagselect;
            menu_.cgMode = FindText(buffer_, "CGMODE") != nullptr;
            ItemFields pictures = CutItem(line_, 2, false);
            if (!pictures.closed) {
                Error(i, "flagselect: the pictures are not given as (picture1,picture2,picture3)" +
                             PictureFailure());
            } else {
                for (std::string_view picture : pictures.fields) {
                    ScreenPicture(i, k, picture, 1);
                }
            }
        }
    }

    void MenuItem(size_t i) {
        const bool flagselect = menu_.kind == MenuKind::kFlagselect;
        if (FindText(buffer_, flagselect ? "$flagselend" : "selend") != nullptr) {
            lines_[i].jumpsAway = true;  // the menu waits for a click, which always jumps
            if (menu_.items > kMenuEntries) {
                Warning(menu_.commandLine, std::string(MenuName()) + " has " + std::to_string(menu_.items) +
                                               " items; a menu holds at most " +
                                               std::to_string(kMenuEntries));
            }
            menu_ = Menu{};
            return;
        }
        if (menu_.broken) {
            return;  // the engine stopped reading items at the malformed line
        }
        ++menu_.items;
        if (line_.empty()) {
            Warning(i, "an empty line inside a menu makes an empty item");
            return;
        }
        const bool selword = menu_.kind == MenuKind::kSelword;
        ItemFields item = selword ? CutItem(line_, 2, false) : CutItem(line_, 5, flagselect);
        auto bad = [&](const std::string& why) {
            Error(i, std::string(MenuName()) + ": malformed item (" + why + "); the engine shows \"" +
                         msg::kMenuRangeError + "\" and reads no further items");
            menu_.broken = true;
        };
        if (!item.closed) {
            bad(selword      ? "it is not (label,flag,text)"
                : flagselect ? "it is not (left,top,right,bottom,label,flag,"
                             : "it is not (left,top,right,bottom,label,flag)");
            return;
        }
        auto lengthOk = [](std::string_view f) { return !f.empty() && f.size() <= 4; };
        std::string_view label;
        std::string_view flagField;
        if (selword) {
            label = item.fields[0];
            flagField = item.fields[1];
            if (!lengthOk(flagField)) {
                bad("the flag must be 1 to 4 characters");
                return;
            }
            std::string_view text = item.fields[2];
            // A UTF-8 title's buttons draw character by character.
            const bool utf8 = settings_.encoding == TextEncoding::kUtf8;
            for (size_t k = 0; !utf8 && k < text.size(); k += 2) {
                if (!IsSjisLeadByte(static_cast<uint8_t>(text[k]))) {
                    Warning(i,
                            "selword: the item text holds half-width characters; a button draws its text two "
                            "bytes at a time, as full-width characters");
                    break;
                }
            }
            if (text.size() > kSelwordTextMax) {
                Warning(i, "selword: the item text is " + std::to_string(text.size()) +
                               " bytes long; a button holds " + std::to_string(kSelwordTextMax));
            }
        } else {
            static constexpr std::array<const char*, 4> kEdges = {"left", "top", "right", "bottom"};
            for (size_t e = 0; e < kEdges.size(); ++e) {
                if (!lengthOk(item.fields[e])) {
                    bad(std::string("the ") + kEdges[e] + " edge must be 1 to 4 characters");
                    return;
                }
            }
            label = item.fields[4];
            flagField = item.fields[5];
            if (!lengthOk(flagField)) {
                bad("the flag must be 1 to 4 characters");
                return;
            }
        }
        int32_t flag = ReadDecimal(std::string(flagField).c_str());
        if (flagselect && flag != 0) {
            int limit = menu_.cgMode ? kCgPictures : kRecordFlags - 1;
            if (flag < 1 || flag > limit) {
                Warning(i, std::string("flagselect: ") + (menu_.cgMode ? "picture number " : "record flag ") +
                               std::to_string(flag) + " is outside 1.." + std::to_string(limit) +
                               ", so the item never shows");
            }
        } else if (flag < 0 || flag >= kEventFlags) {
            EventFlagIndex(i, MenuName(), flag);
        }
        if (label.find("*GameLoad") != std::string_view::npos) {
            return;
        }
        if (label.size() > static_cast<size_t>(kLabelPatternMax - 1)) {
            Warning(i, std::string(MenuName()) + ": the item's label is " + std::to_string(label.size()) +
                           " bytes long; an item keeps at most " + std::to_string(kLabelPatternMax - 1));
        }
        std::string pattern = ":" + std::string(label);
        Resolve(i, std::string(MenuName()) + " item", pattern, Search::kMenu,
                "a click on it shows " + Quote(pattern) + " and ends the game");
    }

    // --- reachability ---

    void Unreachable() {
        bool dead = false;
        size_t jump = 0;
        size_t first = 0;
        size_t last = 0;
        bool open = false;
        auto close = [&] {
            if (open) {
                std::string range = first == last ? "line " + std::to_string(lines_[first].number)
                                                  : "lines " + std::to_string(lines_[first].number) + "-" +
                                                        std::to_string(lines_[last].number);
                Warning(first, range + " can never run: line " + std::to_string(lines_[jump].number) +
                                   " always jumps away and no label comes before");
            }
            open = false;
        };
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Line& line = lines_[i];
            if (line.kind == Kind::kLabel || line.target) {
                close();
                dead = false;
            }
            if (dead && line.kind != Kind::kEmpty && line.kind != Kind::kComment &&
                line.kind != Kind::kMenu) {
                if (!open) {
                    first = i;
                    open = true;
                }
                last = i;
            }
            if (line.jumpsAway && !dead) {
                close();
                dead = true;
                jump = i;
            }
        }
        close();
    }

    // --- text over text ---

    std::string_view RawLine(size_t i) const {
        return text_.substr(lines_[i].start, lineEnds_[i] - lines_[i].start);
    }

    // A line that leaves the message window as it is: blank, a comment, a label, or a command that
    // only sets flags or plays sound.
    bool LeavesWindow(size_t i) const {
        static constexpr std::array<std::string_view, 17> kQuiet = {
            "eventflag",  "pointflag",    "recflag", "eventjudge", "pointjudge", "random",
            "flagreset",  "wave",         "talk",    "OGGPlay",    "BGMWave",    "cdda",
            "onestopbgm", "setfontcolor", "wait",    "effect",     "subef"};
        const Kind kind = lines_[i].kind;
        if (kind == Kind::kEmpty || kind == Kind::kComment || kind == Kind::kLabel) {
            return true;
        }
        if (kind != Kind::kCommand) {
            return false;
        }
        std::string_view line = RawLine(i).substr(1);
        std::string_view keyword = line.substr(0, line.find_first_of(" \t"));
        return std::find(kQuiet.begin(), kQuiet.end(), keyword) != kQuiet.end();
    }

    // A jump sends the next text line to the top of the message window without clearing it: when
    // the jump follows text and a "$C" (or "$X") with no "$P" between, and the label's first line
    // that touches the window is text, that text is drawn over the text still shown.
    void TextOverText() {
        for (const auto& [jump, label] : jumps_) {
            size_t k = jump;
            while (k > 0 && LeavesWindow(k - 1)) {
                --k;
            }
            if (k == 0 || lines_[k - 1].kind != Kind::kWait) {
                continue;
            }
            const size_t wait = k - 1;
            std::string_view code = RawLine(wait);
            if (code.find("$C") == std::string_view::npos && code.find("$X") == std::string_view::npos) {
                continue;
            }
            if (code.find("$P") != std::string_view::npos || code.find("$W") != std::string_view::npos) {
                continue;
            }
            k = wait;
            while (k > 0 && LeavesWindow(k - 1)) {
                --k;
            }
            if (k == 0 || lines_[k - 1].kind != Kind::kText) {
                continue;
            }
            const size_t shown = k - 1;
            size_t next = label + 1;
            while (next < lines_.size() && LeavesWindow(next)) {
                ++next;
            }
            if (next >= lines_.size() || lines_[next].kind != Kind::kText) {
                continue;
            }
            Warning(next, "the text is drawn over the text of line " + std::to_string(lines_[shown].number) +
                              ", still in the message window: line " + std::to_string(lines_[jump].number) +
                              " jumps here after the click wait of line " +
                              std::to_string(lines_[wait].number) +
                              ", and a jump starts the next text at the window's top without clearing it "
                              "(\"$P\" clears it, \"$C\" does not)");
        }
    }

    // --- findings ---

    void Add(size_t i, Level level, std::string message) {
        out_.push_back(Finding{file_, lines_[i].number, level, std::move(message)});
    }
    void Error(size_t i, std::string message) { Add(i, Level::kError, std::move(message)); }
    void Warning(size_t i, std::string message) { Add(i, Level::kWarning, std::move(message)); }

    Scenario& s_;
    const std::string& file_;
    const InstanceConfig& config_;
    const TitleSettings& settings_;
    FileProbe& probe_;
    std::vector<Finding>& out_;
    std::string_view text_;
    LabelIndex index_;

    std::vector<Line> lines_;
    std::vector<uint32_t> lineEnds_;                      // where each line's end (or the end mark) lies
    std::unordered_map<std::string, size_t> labelFirst_;  // each label name's first line
    std::vector<std::pair<size_t, size_t>> jumps_;        // each jmp line and the line it lands on
    std::unordered_set<std::string> reportedParts_;
    std::unordered_map<std::string, std::string> maskVerdicts_;  // mask name -> its problem, or ""
    std::vector<int8_t> sjisValid_ = std::vector<int8_t>(65536, 0);
    Menu menu_;
    bool utf8_ = false;  // the whole file is UTF-8, reported once

    char buffer_[kLineBufferSize] = {};
    int length_ = 0;
    std::string_view line_;
    uint32_t rawLength_ = 0;
};

}  // namespace

void CheckScenario(Scenario& scenario, const std::string& fileName, const InstanceConfig& config,
                   FileProbe& probe, std::vector<Finding>& out, const TitleSettings& settings) {
    ScenarioWalk(scenario, fileName, config, probe, out, settings).Run();
}

}  // namespace textreel::check
