#include "shell/title_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "shell/messages.h"
#include "support/temp_title.h"

namespace textreel {
namespace {

TitleSettings Parse(const std::string& text, std::vector<SettingsProblem>& problems) {
    return ParseTitleSettings(std::vector<uint8_t>(text.begin(), text.end()), problems);
}

TEST(TitleSettingsFile, ReadsEveryKeyWithBlanksCommentsCaseAndCrLf) {
    std::vector<SettingsProblem> problems;
    TitleSettings s = Parse(
        "\xEF\xBB\xBF; a translation\r\n\r\n[Text]\r\n  Encoding = UTF-8 \r\nwrap=words\r\n# latin\r\n"
        "latin =\tProportional\r\nlatin-font = DejaVu Sans\r\n",
        problems);
    EXPECT_TRUE(problems.empty()) << problems.front().message;
    EXPECT_EQ(s.encoding, TextEncoding::kUtf8);
    EXPECT_EQ(s.wrap, WrapMode::kWords);
    EXPECT_EQ(s.latin, LatinMode::kProportional);
    EXPECT_EQ(s.latinFont, "DejaVu Sans");
    EXPECT_TRUE(s.fromFile);
}

TEST(TextsTable, JapaneseByDefaultEnglishWhenChosenAndTheTitlesOwnWordingWins) {
    std::set<std::string> keys;
    for (const TextEntry& entry : TextEntries()) {
        EXPECT_TRUE(keys.insert(entry.japanese).second) << "twice: " << entry.japanese;
        EXPECT_NE(std::string(entry.english), "") << entry.japanese;
        EXPECT_NE(std::string(entry.english), entry.japanese);
    }
    std::vector<SettingsProblem> problems;
    TitleSettings s = Parse(
        "[text]\nLanguage = EN\n[texts]\n終了します。 = Leave the story?\nシステム = Система\n"
        "未知の文 = x\n",
        problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 6u);
    EXPECT_NE(problems[0].message.find("is not one of the engine's texts"), std::string::npos);
    TextTable texts;
    struct Row {
        const char* japanese;
        const char* byDefault;  // bytes the engine has always shown
        const char* english;
        const char* titles;  // with the title's [texts] section
    };
    const Row rows[] = {
        {msg::kConfirmExit, "終了します。", "The game will end.", "Leave the story?"},
        {msg::kMenuSystem, "システム", "System", "Система"},
        {msg::kMenuExit, "システム終了", "Quit", "Quit"},
        {"not in the table", "not in the table", "not in the table", "not in the table"},
    };
    for (const Row& row : rows) {
        texts.Use(Language::kJapanese, {});
        EXPECT_EQ(texts(row.japanese), row.byDefault);
        texts.Use(Language::kEnglish, {});
        EXPECT_EQ(texts(row.japanese), row.english);
        texts.Use(s.language, s.texts);
        EXPECT_EQ(texts(row.japanese), row.titles);
    }
}

TEST(TitleSettingsFile, BadLinesAreIgnoredEachWithItsLineAndTheDefaultsStay) {
    struct Case {
        std::string text;
        uint32_t line;
        const char* says;
    };
    const Case cases[] = {
        {"[text]\nencoding = latin-1\n", 2, "\"latin-1\" is not a value of encoding"},
        {"[text]\n\nwrap = hyphens\n", 3, "\"hyphens\" is not a value of wrap"},
        {"[text]\nlatin = wide\n", 2, "\"wide\" is not a value of latin"},
        {"[text]\nlatin-font =\n", 2, "is not a value of latin-font"},
        {"[text]\nlatin-font = Sans:weight=200\n", 2, "is not a value of latin-font"},
        {"[text]\nlatin-font = " + std::string(128, 'A') + "\n", 2, "is not a value of latin-font"},
        {"[text]\ncolour = red\n", 2, "unknown key \"colour\""},
        {"[text]\nlanguage = fr\n", 2, "\"fr\" is not a value of language"},
        {"wrap = words\n[text]\n", 1, "stands before the [text] section"},
        {"[sound]\nwrap = words\n", 1, "unknown section [sound]"},
        {"[text\n", 1, "is not a [section] line"},
        {"[text]\nwords\n", 2, "is not a key = value line"},
    };
    for (const Case& c : cases) {
        std::vector<SettingsProblem> problems;
        TitleSettings s = Parse(c.text, problems);
        ASSERT_EQ(problems.size(), 1u) << c.text;
        EXPECT_EQ(problems[0].line, c.line) << c.text;
        EXPECT_NE(problems[0].message.find(c.says), std::string::npos) << problems[0].message;
        EXPECT_EQ(s.encoding, TextEncoding::kShiftJis) << c.text;
        EXPECT_EQ(s.latin, LatinMode::kFixed) << c.text;
        EXPECT_EQ(s.latinFont, "sans-serif") << c.text;
    }
    // A key of another section never reaches [text].
    std::vector<SettingsProblem> problems;
    EXPECT_EQ(Parse("[sound]\nwrap = words\n", problems).wrap, WrapMode::kCharacters);
}

TEST(TitleSettingsFile, TitleFolderFileIsReadOnlyWhenItIsASmallRegularFileInside) {
    testing::TempTitle title;
    std::vector<SettingsProblem> problems;
    bool found = true;
    EXPECT_FALSE(ReadTitleSettings(problems, &found).fromFile);
    EXPECT_FALSE(found);

    title.Write("TEXTREEL.INI", "[text]\nwrap = words\n");  // the resolver ignores letter case
    TitleSettings s = ReadTitleSettings(problems, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(s.wrap, WrapMode::kWords);
    EXPECT_TRUE(problems.empty());

    title.Write("TEXTREEL.INI", "[text]\n" + std::string(TitleSettings::kMaxFileBytes, ';'));
    s = ReadTitleSettings(problems, &found);
    EXPECT_EQ(s.wrap, WrapMode::kCharacters);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].message.find("cannot be read"), std::string::npos);

    // A link that leads out of the folder is refused like a missing file.
    std::filesystem::remove(title.Path() + "/TEXTREEL.INI");
    std::string outside = title.Path() + "-outside.ini";
    std::ofstream(outside) << "[text]\nwrap = words\n";
    std::filesystem::create_symlink(outside, title.Path() + "/textreel.ini");
    problems.clear();
    EXPECT_EQ(ReadTitleSettings(problems, &found).wrap, WrapMode::kCharacters);
    EXPECT_FALSE(found);
    std::filesystem::remove(outside);
}

}  // namespace
}  // namespace textreel
