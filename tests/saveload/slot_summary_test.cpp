// The slot summaries the save and load screens show: the file's local date and the stored title.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "saveload/save_load_screen.h"
#include "shell/engine.h"
#include "support/fake_platform.h"
#include "support/temp_title.h"

namespace textreel {
namespace {

using testing::FakePlatform;
using testing::TempTitle;

// Sets a file's last-write time to a local calendar time.
void SetLocalTime(const std::string& path, int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    auto system = std::chrono::system_clock::from_time_t(std::mktime(&t));
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(system));
}

std::vector<uint8_t> Record(const std::string& title, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    for (size_t i = 0; i < title.size() && 1373 + i < size; ++i) {
        bytes[1373 + i] = static_cast<uint8_t>(title[i]);
    }
    return bytes;
}

TEST(SlotSummary, ShowsTheLocalDateAndTheStoredTitleOrNone) {
    TempTitle title;
    title.Write("save/save01.sav", Record("first", 1424));
    std::vector<uint8_t> longer = Record("long", 1500);
    std::fill(longer.begin() + 1424, longer.end(), 'x');
    title.Write("save/save02.sav", longer);
    title.Write("save/save03.sav", Record("", 100));
    SetLocalTime(title.Path() + "/save/save01.sav", 2008, 12, 24, 14, 57);
    SetLocalTime(title.Path() + "/save/save02.sav", 2026, 1, 2, 3, 4);
    SetLocalTime(title.Path() + "/save/save03.sav", 2010, 10, 10, 10, 10);
    FakePlatform platform;
    Engine engine(platform);

    const struct {
        int slot;
        bool active;
        const char* date;
        const char* title;
    } cases[] = {
        {1, true, "2008/12/24 14:57", "first"},
        {2, true, "2026/01/02 03:04", "long"},  // only the first 1424 bytes are read
        {3, true, "2010/10/10 10:10", ""},      // a short file: no title stored
        {4, false, "--/--/--", "None"},
    };
    for (const auto& c : cases) {
        std::string date;
        std::string text;
        EXPECT_EQ(ReadSlotSummary(engine, c.slot, date, text), c.active) << c.slot;
        EXPECT_EQ(date, c.date) << c.slot;
        EXPECT_EQ(text, c.title) << c.slot;
    }
}

}  // namespace
}  // namespace textreel
