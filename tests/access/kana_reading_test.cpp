#include "access/kana_reading.h"

#include <gtest/gtest.h>

#include <string>

namespace textreel {
namespace {

TEST(KanaReading, AKanjiLineIsReadInKanaAndOtherTextStaysAsWritten) {
    struct Case {
        const char* line;
        bool kanji;
        const char* reading;
    };
    const Case cases[] = {
        {"今日は雨です。", true, "キョウハアメデス。"},
        {"東京へ行く", true, "トウキョウヘイク"},
        {"人々", true, "ヒトビト"},
        {"ひらがなだけ", false, nullptr},
        {"Hello, world.", false, nullptr},
    };
    KanaReader reader;
    for (const Case& c : cases) {
        EXPECT_EQ(HoldsKanji(c.line), c.kanji) << c.line;
        if (c.reading == nullptr) {
            continue;
        }
        std::string reading;
        std::string error;
        ASSERT_TRUE(reader.Read(c.line, reading, error)) << error;
        EXPECT_EQ(reading, c.reading) << c.line;
    }
}

}  // namespace
}  // namespace textreel
