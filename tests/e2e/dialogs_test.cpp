// The modal dialogs seen from the player's side: typing a name, the byte rule, refused characters,
// the close box, the colour sliders with OK and Cancel, and closing the program inside a dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/dialogs";

// The dialogs of a 640 x 480 game, in game pixels: the name entry's OK button and close box, the
// colour dialog's red slider track (x 197..384 for 0..255, at y 143), OK and Cancel.
constexpr const char* kNameOk = "400 240";
constexpr const char* kNameCloseBox = "440 205";
constexpr const char* kColourOk = "440 215";
constexpr const char* kColourCancel = "440 255";

std::vector<std::string> Dialogs(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& e : r.Events("dialog")) {
        out.push_back(e.Get("kind") + ":" + e.Get("result") + ":" + e.Get("value"));
    }
    return out;
}

std::vector<std::string> Messages(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& e : r.Events("message")) {
        out.push_back(e.Get("caption") + ":" + e.Get("text"));
    }
    return out;
}

TEST(Dialogs, ANameTypedWithTextIsStoredAndReplacesTheToken) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\ntext 太郎\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:1:太郎"}));
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"太郎さん"}));
}

TEST(Dialogs, TheByteRuleRefusesSixFullWidthCharactersAndElevenLettersButNotFiveOrTen) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\ntext 一二三四五六\nwait\ntext abcdefghijk\nwait\nscreenshot " +
                          run.File("cleared.png") + "\ntext 一二三四五\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Messages(r),
              (std::vector<std::string>{"エラー:全角5文字を超えています", "エラー:全角5文字を超えています"}));
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:1:一二三四五"}));

    E2eRun ten(kTitle);
    RunResult r10 = ten.Run("wait\ntext abcdefghij\nwait\nclose\n");
    EXPECT_EQ(Dialogs(r10), (std::vector<std::string>{"name-entry:1:abcdefghij"}));
    EXPECT_TRUE(Messages(r10).empty());
}

TEST(Dialogs, AFailedNameLeavesTheFieldEmptyAndAnEmptyNameIsAccepted) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\ntext 一二三四五六\nwait\nkey Return\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:1:"}));
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"さん"}));
}

TEST(Dialogs, ACharacterShiftJisCannotHoldIsRefusedAndThePrefilledNameStays) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\ntext 😀\nwait\nkey Escape\nwait\nkey Return\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Messages(r), (std::vector<std::string>{"エラー:名前に使えない文字が含まれています"}));
    // Esc did nothing; Enter accepted the pre-filled name.
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:1:青葉"}));
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"青葉さん"}));
}

TEST(Dialogs, EditingKeysAndTheOkButton) {
    // The pre-filled name is selected: End ends the selection at the end, Left steps over one whole
    // double-byte character, BackSpace takes the one before the caret; Enter accepts.
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nkey End\nkey Left\nkey BackSpace\nkey Return\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:1:葉"}));

    E2eRun click(kTitle);
    RunResult c =
        click.Run(std::string("wait\nkey End\nkey BackSpace\nclick ") + kNameOk + "\nwait\nclose\n");
    ASSERT_FALSE(c.timedOut) << c.stderrText;
    EXPECT_EQ(Dialogs(c), (std::vector<std::string>{"name-entry:1:青"}));
}

TEST(Dialogs, TheCloseBoxReturnsTwoAndKeepsTheName) {
    E2eRun run(kTitle);
    RunResult r = run.Run(std::string("wait\nclick ") + kNameCloseBox + "\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:2:"}));
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"さん"}));
}

TEST(Dialogs, ColourSlidersStoreOnOkOnlyAndCancelOrEscStoreNothing) {
    E2eRun run(kTitle);
    RunResult r =
        run.Run(std::string("wait\ntext a\nwait\nclick 1 1\nwait\n") +
                "click 291 143\nkey Right\nkey Tab\nkey End\nclick " + kColourOk +
                "\nwait\nclick 1 1\nwait\n" + "click 197 143\nclick " + kColourCancel + "\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(Dialogs(r), (std::vector<std::string>{"name-entry:1:a", "colour:1:ok 129,255,0,0",
                                                    "colour:1:cancel 129,255,0,0"}));

    E2eRun esc(kTitle);
    RunResult e = esc.Run("wait\ntext a\nwait\nclick 1 1\nwait\nkey Tab\nkey End\nkey Escape\nwait\nclose\n");
    ASSERT_FALSE(e.timedOut) << e.stderrText;
    EXPECT_EQ(Dialogs(e), (std::vector<std::string>{"name-entry:1:a", "colour:1:cancel 0,0,0,0"}));
    // Tab from no slider gives the first one the focus.
    std::vector<TraceEvent> focus = e.Events("focus");
    ASSERT_EQ(focus.size(), 1u);
    EXPECT_EQ(focus[0].Get("kind"), "dialog");
    EXPECT_EQ(focus[0].Get("index"), "0");
}

TEST(Dialogs, WaitStopsAtAnOpenDialogWhichShowsOverTheGamePicture) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nscreenshot " + run.File("open.png") + "\ntext x\nwait\nscreenshot " +
                          run.File("closed.png") + "\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    Shot open = LoadShot(run.File("open.png"));
    Shot closed = LoadShot(run.File("closed.png"));
    EXPECT_EQ(open.width, 640);
    EXPECT_EQ(open.height, 480);
    // The dialog's grey face and blue caption over the black picture, gone once it has closed.
    EXPECT_EQ(open.At(200, 270), 0xC8D0D4u);
    EXPECT_EQ(open.At(300, 205), 0x6A240Au);
    EXPECT_EQ(closed.At(200, 270), 0u);
    EXPECT_EQ(closed.At(300, 205), 0u);
}

TEST(Dialogs, ClosingTheProgramInsideADialogEndsIt) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Dialogs(r).empty());
    EXPECT_TRUE(r.TextLines().empty());
}

TEST(NameEntry, TheDemoKeepsTheNameTypedAtItsOpening) {
    // The demo's title menu has the area "(300,300,499,349,opening,0)", whose label opens the name
    // entry before the jump to
    //   :opening / $windowopen / $effect 8 / ... / 夜明け前の駅で、… / $C / ホームには… / $C /
    //   ... / 「＊＊＊、まだ起きてたの？」
    // Nothing between the label and that line may take the name away again.
    E2eRun run(TEXTREEL_DEMO_DIR);
    RunResult r =
        run.Run("wait\nclick 400 320\nwait\ntext ケイ\nwait\nclick 10 10\nwait\nclick 10 10\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_GE(r.TextLines().size(), 3u);
    EXPECT_EQ(r.TextLines()[2], "「ケイ、まだ起きてたの？」");
}

}  // namespace
}  // namespace textreel::testing
