// The save record's checks, the save title and the resume-point search, on scenarios of their own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "script/save_file.h"

namespace textreel {
namespace {

void Load(Scenario& s, const std::string& text) {
    s.LoadBytes(std::vector<uint8_t>(text.begin(), text.end()));
}

// The offset of the line end of the first line that is exactly `line`.
uint32_t LineEndOf(const std::string& text, const std::string& line) {
    size_t at = text.find("\n" + line + "\r\n");
    at = at == std::string::npos ? 0 : at + 1;
    return static_cast<uint32_t>(at + line.size());
}

uint32_t LineStartOf(const std::string& text, const std::string& line) {
    if (text.rfind(line + "\r\n", 0) == 0) {
        return 0;
    }
    return static_cast<uint32_t>(text.find("\n" + line + "\r\n") + 1);
}

struct ResumeCase {
    const char* name;
    std::string text;
    std::string savedLine;
    std::string resumeLine;  // empty: the first line of the scenario
    bool replay;
    bool showMessage;
};

TEST(FindResumePoint, WalksBackToTheBoundaryOrPictureBeforeTheSavedLine) {
    const std::string tail = "one line of text\r\ntwo lines of text\r\n$C\r\nafter\r\n";
    const ResumeCase cases[] = {
        {"a page three lines above is replayed from", "$imgblt bg.png\r\nopening\r\n$P\r\n" + tail, "$C",
         "$P", true, false},
        {"a picture before any boundary runs again", "intro text\r\n$W\r\n$imgblt bg.png\r\n" + tail, "$C",
         "$imgblt bg.png", false, false},
        {"a label line is replayed from", "$P\r\n:scene2\r\n" + tail, "$C", ":scene2", true, false},
        {"nothing before it: the first line", "first text\r\n" + tail, "$C", "", false, false},
        {"the saved line's own page code does not count",
         "$sprite 0 0 a.png\r\nsome text here\r\n$P\r\nend\r\n", "$P", "$sprite 0 0 a.png", false, false},
        {"$hani counts as a picture", "$P\r\n$hani 3\r\n" + tail, "$C", "$hani 3", false, false},
        {"$statusopen counts as a picture", "$P\r\n$statusopen\r\n" + tail, "$C", "$statusopen", false,
         false},
        {"a word choice shows the message window", "$P\r\n$selword\r\n" + tail, "$C", "$selword", false,
         true},
    };
    for (const ResumeCase& c : cases) {
        Scenario s;
        Load(s, c.text);
        ResumePoint r = FindResumePoint(s, LineEndOf(c.text, c.savedLine));
        uint32_t expected = c.resumeLine.empty() ? 0 : LineStartOf(c.text, c.resumeLine);
        EXPECT_EQ(r.lineStart, expected) << c.name;
        EXPECT_EQ(r.replay, c.replay) << c.name;
        EXPECT_EQ(r.showMessage, c.showMessage) << c.name;
    }
}

TEST(FindResumePoint, StaysInsideTheTextWhateverThePosition) {
    Scenario s;
    Load(s, "ab\r\n\r\nx\r\n$P\r\n");
    for (uint32_t p = 0; p < s.Size() + 4; ++p) {
        ResumePoint r = FindResumePoint(s, p);
        EXPECT_LT(r.lineStart, s.Size()) << p;
    }
}

TEST(SetSaveTitle, CutsTheNewestLineAtThirtyBytesAndAddsAnEllipsis) {
    FlagBlock block;
    block.bytes.fill(0x55);
    SetSaveTitle(block, std::string(40, 'a'), true);
    std::string title(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize));
    EXPECT_EQ(title, std::string(30, 'a') + "\x81\x63");
    EXPECT_EQ(block.bytes[FlagBlock::kTitle + 49], 0);
    EXPECT_EQ(block.bytes[FlagBlock::kBackgroundVariant], 0x55);

    SetSaveTitle(block, "short", true);
    EXPECT_EQ(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize), "short");
    EXPECT_EQ(block.bytes[FlagBlock::kTitle + 30], 0x81);

    SetSaveTitle(block, "", false);
    for (size_t i = 0; i < FlagBlock::kTitleSize; ++i) {
        EXPECT_EQ(block.bytes[FlagBlock::kTitle + i], 0) << i;
    }
}

TEST(ReadSaveRecord, TakesOnlyAWholeRecordThatFitsTheScenario) {
    const std::string text = "first\r\n$C\r\nsecond\r\n$C\r\n";
    Scenario s;
    Load(s, text);
    FlagBlock good;
    good.SetU32(FlagBlock::kSavedPosition, LineEndOf(text, "$C"));
    good.SetText(FlagBlock::kBackgroundName, FlagBlock::kNameSize, "cg\\bg.png");
    good.SetEventFlag(3, 7);
    auto bytesOf = [](const FlagBlock& b) { return std::vector<uint8_t>(b.bytes.begin(), b.bytes.end()); };

    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> spoil;
        bool usable;
    } cases[] = {
        {"the record as saved", [](std::vector<uint8_t>&) {}, true},
        {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, false},
        {"truncated", [](std::vector<uint8_t>& b) { b.resize(1000); }, false},
        {"padded", [](std::vector<uint8_t>& b) { b.push_back(0); }, false},
        {"position past the scenario", [](std::vector<uint8_t>& b) { b[0] = 0xff, b[1] = 0xff; }, false},
        {"position inside a line", [](std::vector<uint8_t>& b) { b[0] = 2, b[1] = 0, b[2] = 0, b[3] = 0; },
         false},
        // Where a save made while a choice menu waits stands: the start of a line.
        {"position on the start of a line",
         [](std::vector<uint8_t>& b) { b[0] = 7, b[1] = 0, b[2] = 0, b[3] = 0; }, true},
        {"position on the first byte",
         [](std::vector<uint8_t>& b) { b[0] = 0, b[1] = 0, b[2] = 0, b[3] = 0; }, true},
        // A menu whose items end the scenario: its save stands just past the last line.
        {"position just past the last line",
         [](std::vector<uint8_t>& b) { b[0] = 23, b[1] = 0, b[2] = 0, b[3] = 0; }, true},
        {"position past the end mark",
         [](std::vector<uint8_t>& b) { b[0] = 24, b[1] = 0, b[2] = 0, b[3] = 0; }, false},
        {"background name without its zero",
         [](std::vector<uint8_t>& b) {
             std::fill(b.begin() + FlagBlock::kBackgroundName, b.begin() + FlagBlock::kSpriteNames, 'x');
         },
         false},
        {"BGM name without its zero",
         [](std::vector<uint8_t>& b) {
             std::fill(b.begin() + FlagBlock::kBgmName, b.begin() + FlagBlock::kPlayerName, 'x');
         },
         false},
        {"player name without its zero",
         [](std::vector<uint8_t>& b) {
             std::fill(b.begin() + FlagBlock::kPlayerName, b.begin() + FlagBlock::kReturnLabel, 'x');
         },
         false},
        {"title without its zero",
         [](std::vector<uint8_t>& b) {
             std::fill(b.begin() + FlagBlock::kTitle, b.begin() + FlagBlock::kBackgroundVariant, 'x');
         },
         false},
        {"sprite mark 2", [](std::vector<uint8_t>& b) { b[FlagBlock::kSpriteActive + 1] = 2; }, false},
        {"garbage", [](std::vector<uint8_t>& b) { std::fill(b.begin(), b.end(), 0xa5); }, false},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = bytesOf(good);
        c.spoil(bytes);
        FlagBlock out;
        out.SetEventFlag(0, 99);
        std::string why;
        EXPECT_EQ(ReadSaveRecord(bytes, s, out, why), c.usable) << c.name;
        if (c.usable) {
            EXPECT_EQ(out.EventFlag(3), 7) << c.name;
        } else {
            EXPECT_EQ(out.EventFlag(0), 99) << c.name;  // the record given is left alone
            EXPECT_FALSE(why.empty()) << c.name;
        }
    }
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

TEST(SavedNameTails, AWindowsFolderInFrontGivesTheTailsLongestFirst) {
    const struct {
        const char* name;
        std::vector<std::string> tails;
    } cases[] = {
        {"bgm\\a.ogg", {}},
        {"", {}},
        {"C:\\Games\\Title\\bgm\\a.ogg",
         {"Games\\Title\\bgm\\a.ogg", "Title\\bgm\\a.ogg", "bgm\\a.ogg", "a.ogg"}},
        {"d:/x/a.ogg", {"x\\a.ogg", "a.ogg"}},
        {"\\\\server\\share\\a.ogg", {"server\\share\\a.ogg", "share\\a.ogg", "a.ogg"}},
        {"/home/p/t/../a.ogg", {"a.ogg"}},
        {"C:", {}},
        {"1:\\a.ogg", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SavedNameTails(c.name), c.tails) << c.name;
    }
}

TEST(LastMusicCommand, FindsTheLastLineTheDispatchGivesToAMusicCommand) {
    const std::string text =
        "$BGMWave bgm\\w.wav\r\n$C\r\n$cdda 4\r\ntext\r\n$talk voice\\wave01.ogg\r\n$OGGPlay STOP $C\r\n"
        "$selword\r\n(a,0,A)\r\nselend\r\n$onestopbgm bgm\\b.ogg\r\n:a\r\n";
    Scenario s;
    Load(s, text);
    const struct {
        uint32_t position;
        const char* keyword;
        const char* line;
    } cases[] = {
        {LineEndOf(text, "$C"), "BGMWave", "$BGMWave bgm\\w.wav"},
        {LineEndOf(text, "$cdda 4"), "cdda", "$cdda 4"},
        // "wave" captures the talk line; a line that waits runs no command.
        {LineEndOf(text, "$OGGPlay STOP $C"), "cdda", "$cdda 4"},
        // At a menu the save stands on the start of the line after it, which has not run.
        {LineStartOf(text, "$onestopbgm bgm\\b.ogg"), "cdda", "$cdda 4"},
        {LineEndOf(text, "$onestopbgm bgm\\b.ogg"), "onestopbgm", "$onestopbgm bgm\\b.ogg"},
        {0, "", ""},
    };
    for (const auto& c : cases) {
        MusicCommand found = LastMusicCommand(s, c.position);
        EXPECT_EQ(found.keyword, c.keyword) << c.position;
        EXPECT_EQ(found.line, c.line) << c.position;
    }
}

}  // namespace
}  // namespace textreel
