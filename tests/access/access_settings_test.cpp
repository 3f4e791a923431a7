#include "access/access_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "access/access.h"

namespace textreel {
namespace {

TEST(SettingsFile, ReadsKeysAndValuesAsAPlayerMayHaveWrittenThem) {
    struct Case {
        const char* text;
        const char* speech;  // Get("speech", "default")
    };
    const Case cases[] = {
        {"", "default"},
        {"speech=on\n", "on"},
        {"speech=on", "on"},                 // no line end at the end
        {"  speech = off \r\n", "off"},      // blanks and a CR around key and value
        {"speech=on\nspeech=off\n", "off"},  // the later line wins
        {"# speech=on\n", "default"},        // a comment
        {"speech on\n", "default"},          // no "="
        {"speeches=on\n", "default"},        // another key
        {"speech=\n", ""},                   // an empty value is a value
        {"speech=a=b\n", "a=b"},             // only the first "=" divides
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsFile::Parse(c.text).Get("speech", "default"), c.speech) << c.text;
    }
    EXPECT_EQ(
        SettingsFile::Parse(std::string(SettingsFile::kMaxBytes + 1, '\n') + "speech=on\n").Get("speech"),
        "");
}

TEST(SettingsFile, WritingBackKeepsOtherLinesAndChangesTheKeyInPlace) {
    SettingsFile file = SettingsFile::Parse("# mine\nfocus=pad\nspeech=on\nwho knows\n");
    file.Set("speech", "off");
    EXPECT_EQ(file.Format(), "# mine\nfocus=pad\nspeech=off\nwho knows\n");
    file.Set("volume", "3");
    EXPECT_EQ(file.Format(), "# mine\nfocus=pad\nspeech=off\nwho knows\nvolume=3\n");
    EXPECT_EQ(SettingsFile::Parse(file.Format()).Get("volume"), "3");
}

TEST(SpeechChoice, OnlyTheThreeNamesAreTaken) {
    struct Case {
        const char* text;
        bool ok;
        SpeechChoice choice;
    };
    const Case cases[] = {
        {"speechd", true, SpeechChoice::kSpeechd}, {"espeak", true, SpeechChoice::kEspeak},
        {"off", true, SpeechChoice::kOff},         {"Off", false, SpeechChoice::kAuto},
        {"", false, SpeechChoice::kAuto},          {"espeak-ng", false, SpeechChoice::kAuto}};
    for (const Case& c : cases) {
        SpeechChoice choice = SpeechChoice::kAuto;
        EXPECT_EQ(ParseSpeechChoice(c.text, choice), c.ok) << c.text;
        EXPECT_EQ(choice, c.choice) << c.text;
    }
}

TEST(SpeechLanguage, JapaneseTextTakesTheJapaneseVoiceHalfWidthTextTheEnglishOne) {
    struct Case {
        const char* text;
        SpeechLanguage language;
    };
    const Case cases[] = {
        {"one", SpeechLanguage::kEnglish},        {"Save 3, 2026/12/8", SpeechLanguage::kEnglish},
        {"", SpeechLanguage::kEnglish},           {"二行目です。", SpeechLanguage::kJapanese},
        {"ＡＢＣ", SpeechLanguage::kJapanese},     // full-width letters
        {"Yes、はい", SpeechLanguage::kJapanese},  // mixed
        {"ｶﾀｶﾅ", SpeechLanguage::kJapanese}};      // half-width kana
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageOf(c.text), c.language) << c.text;
    }
}

}  // namespace
}  // namespace textreel
