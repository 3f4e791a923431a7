#include "access/spoken_text.h"

#include <gtest/gtest.h>

namespace textreel {
namespace {

TEST(SpokenText, ASlotSaysItsNumberDateAndTitleAsAJapaneseSentence) {
    struct Case {
        int slot;
        bool filled;
        const char* date;
        const char* title;
        const char* spoken;
    };
    const Case cases[] = {
        {3, true, "2026/12/08 14:57", "夜明け前の駅で", "スロット3、2026年12月8日 14時57分、夜明け前の駅で"},
        {12, true, "2027/01/01 00:05", "", "スロット12、2027年1月1日 0時5分"},
        {1, false, "--/--/--", "None", "スロット1、空き"},
        {2, true, "--/--/--", "x", "スロット2、空き"},  // a date that cannot be read
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpokenSlot(c.slot, c.filled, c.date, c.title), c.spoken) << c.date;
    }
}

TEST(SpokenText, AMenuItemSaysItsStateAndABoxItsCaptionFirst) {
    EXPECT_EQ(SpokenMenuItem("画面効果", true, false), "画面効果、チェックあり");
    EXPECT_EQ(SpokenMenuItem("シナリオの自動送り", false, true), "シナリオの自動送り、使用不可");
    EXPECT_EQ(SpokenMenuItem("終了", false, false), "終了");
    EXPECT_EQ(SpokenMessageBox("確認", "終了します。"), "確認、終了します。");
    // The movie player's caption is one full-width blank: nothing to say.
    EXPECT_EQ(SpokenMessageBox("　", "再生失敗"), "再生失敗");
}

}  // namespace
}  // namespace textreel
