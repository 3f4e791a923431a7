#include "platform/quiet_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace textreel {
namespace {

// A title's text on stderr shows its control characters as escapes; the text stream drops them.
TEST(QuietOutput, ControlCharactersAreShownAsEscapesOrLeftOut) {
    const struct Case {
        std::string text;
        const char* visible;
        const char* without;
    } cases[] = {
        {"plain 日本語", "plain 日本語", "plain 日本語"},
        {"\x1b]0;title\x07", "\\x1b]0;title\\x07", "]0;title"},
        {"a\tb\nc\rd\x7f", "a\\x09b\\x0ac\\x0dd\\x7f", "abcd"},
        {"\xc2\x9b"
         "31m\xc2\x85",
         "\\u009b31m\\u0085", "31m"},                                  // C1 controls (CSI, NEL)
        {"\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9"},  // the first printable ones
        {"\x9b"
         "31m\x82\xa0",
         "\\x9b31m\\x82\\xa0", "31m"},            // not UTF-8 (a raw C1, Shift-JIS)
        {"\xed\xa0\x80", "\\xed\\xa0\\x80", ""},  // a surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VisibleControls(c.text), c.visible) << c.text;
        EXPECT_EQ(WithoutControls(c.text), c.without) << c.text;
    }
}

// A pipe whose reader stopped: writes never wait, what does not fit is dropped, and what was held
// goes out once the reader reads again.
TEST(QuietOutput, APipeWithoutAReaderNeverHoldsTheWriterUp) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const int pipeSize = fcntl(fds[1], F_GETPIPE_SZ);
    ASSERT_GT(pipeSize, 0);
    QuietOutput output(fds[1], 64 * 1024);
    const std::string line(100, 'x');
    int refused = 0;
    const int lines = (pipeSize + 64 * 1024) / 100 + 200;
    for (int i = 0; i < lines; ++i) {
        refused += output.Write(line + "\n") ? 0 : 1;
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(output.DroppedWrites(), refused);
    // The reader comes back: everything that was not dropped arrives, whole lines only.
    std::string got;
    char buffer[65536];
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    for (int round = 0; round < 100; ++round) {
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
            got.append(buffer, static_cast<size_t>(n));
        }
        output.Drain(0);
        if (got.size() == static_cast<size_t>(lines - refused) * 101) {
            break;
        }
    }
    EXPECT_EQ(got.size(), static_cast<size_t>(lines - refused) * 101);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace textreel
