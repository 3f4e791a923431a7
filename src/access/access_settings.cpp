#include "access/access_settings.h"

namespace textreel {

std::string_view TrimSettingText(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

SettingsFile SettingsFile::Parse(std::string_view text) {
    SettingsFile file;
    if (text.size() > kMaxBytes) {
        return file;
    }
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string_view bare = TrimSettingText(line);
        size_t eq = bare.find('=');
        std::string key;
        if (!bare.empty() && bare.front() != '#' && eq != std::string_view::npos) {
            key = std::string(TrimSettingText(bare.substr(0, eq)));
        }
        file.lines_.emplace_back(std::move(key), std::string(TrimSettingText(line)));
    }
    return file;
}

std::string SettingsFile::Format() const {
    std::string out;
    for (const auto& [key, text] : lines_) {
        out += text;
        out += '\n';
    }
    return out;
}

std::string SettingsFile::Get(std::string_view key, std::string_view fallback) const {
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        if (!key.empty() && it->first == key) {
            std::string_view text = it->second;
            return std::string(TrimSettingText(text.substr(text.find('=') + 1)));
        }
    }
    return std::string(fallback);
}

void SettingsFile::Set(std::string_view key, std::string_view value) {
    std::string text = std::string(key) + "=" + std::string(value);
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        if (it->first == key) {
            it->second = std::move(text);
            return;
        }
    }
    lines_.emplace_back(std::string(key), std::move(text));
}

}  // namespace textreel
