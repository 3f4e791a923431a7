// The list of titles played: its file's lines, newest first, one entry per title.
#include "launcher/title_list.h"

#include <gtest/gtest.h>

#include <string>

namespace textreel::launcher {
namespace {

std::string Folders(const TitleList& list) {
    std::string text;
    for (const KnownTitle& title : list.Titles()) {
        text += title.folder + "|" + title.instanceFile + "|" + title.name + "|" + title.saveFolder + ";";
    }
    return text;
}

TEST(TitleList, ReadsItsLines) {
    struct Row {
        const char* file;
        const char* titles;
    };
    const Row rows[] = {
        {"/a\t\tA\n/b\tb.ist\tB\t/b/save\n", "/a||A|;/b|b.ist|B|/b/save;"},
        {"/a\t\tA\r\n", "/a||A|;"},                          // a CR LF line end
        {"/a\t\tA\n/a\t\tOlder\n", "/a||A|;"},               // listed twice: the first (newest) line wins
        {"/a\t\tA\n/a\tx.ist\tX\n", "/a||A|;/a|x.ist|X|;"},  // another instance file, another title
        {"relative\t\tR\n/a\tA\n\n/c/\t../x.ist\tC\n", ""},  // not absolute, two fields, a path
        {"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Folders(TitleList::Parse(row.file)), row.titles) << row.file;
    }
}

TEST(TitleList, RemembersTheNewestFirstAndWritesWhatItReads) {
    TitleList list = TitleList::Parse("/a\t\tA\n/b\t\tB\n");
    list.Remember({"/b", "", "B2", "/b/save"});
    list.Remember({"/c", "", "C\tname\n", ""});  // tabs and line ends cannot stand in a field
    EXPECT_EQ(Folders(list), "/c||C\tname\n|;/b||B2|/b/save;/a||A|;");
    EXPECT_EQ(list.Format(), "/c\t\tCname\n/b\t\tB2\t/b/save\n/a\t\tA\n");
    EXPECT_EQ(Folders(TitleList::Parse(list.Format())), "/c||Cname|;/b||B2|/b/save;/a||A|;");
    list.Remove(1);
    list.Remove(7);  // no such entry: nothing happens
    EXPECT_EQ(Folders(list), "/c||C\tname\n|;/a||A|;");
    for (size_t i = 0; i < TitleList::kMaxTitles + 5; ++i) {
        list.Remember({"/t" + std::to_string(i), "", "T", ""});
    }
    ASSERT_EQ(list.Titles().size(), TitleList::kMaxTitles);
    EXPECT_EQ(list.Titles().front().folder, "/t" + std::to_string(TitleList::kMaxTitles + 4));
}

}  // namespace
}  // namespace textreel::launcher
