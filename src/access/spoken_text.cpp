#include "access/spoken_text.h"

#include <cstdio>

namespace textreel {

namespace {
constexpr const char* kPause = "、";
}  // namespace

std::string SpokenSlot(int slot, bool filled, const std::string& date, const std::string& title) {
    std::string out = "スロット" + std::to_string(slot) + kPause;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    if (!filled || std::sscanf(date.c_str(), "%d/%d/%d %d:%d", &year, &month, &day, &hour, &minute) != 5) {
        return out + "空き";
    }
    out += std::to_string(year) + "年" + std::to_string(month) + "月" + std::to_string(day) + "日 " +
           std::to_string(hour) + "時" + std::to_string(minute) + "分";
    if (!title.empty()) {
        out += kPause + title;
    }
    return out;
}

std::string SpokenReturnButton() {
    return "戻る";
}

std::string SpokenMenuItem(const std::string& text, bool checked, bool grayed) {
    std::string out = text;
    if (checked) {
        out += std::string(kPause) + "チェックあり";
    }
    if (grayed) {
        out += std::string(kPause) + "使用不可";
    }
    return out;
}

std::string SpokenMessageBox(const std::string& caption, const std::string& text) {
    if (caption.empty() || caption == "　") {
        return text;
    }
    return caption + kPause + text;
}

}  // namespace textreel
