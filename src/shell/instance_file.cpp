#include "shell/instance_file.h"

#include <cstring>
#include <optional>

#include "platform/files.h"
#include "script/byte_text.h"

namespace textreel {

namespace {

// The value of key, or nothing when the key does not occur. The file is taken as text up to its
// first zero byte.
bool FindValue(const std::string& text, const char* key, size_t maxLength, std::string& value) {
    const char* found = FindTextMb(text.c_str(), key);
    if (found == nullptr) {
        return false;
    }
    const char* end = text.c_str() + text.size();
    const char* p = found + std::strlen(key);
    if (p < end) {
        ++p;  // the opening quote, or whatever stands there
    }
    const char* close = p;
    while (close < end && *close != '"') {
        ++close;
    }
    value.assign(p, static_cast<size_t>(close - p));
    if (value.size() > maxLength) {
        value.resize(maxLength);
    }
    return true;
}

}  // namespace

InstanceConfig DefaultInstanceConfig() {
    InstanceConfig config;
    config.instanceName = "DEFAULTINSTANCE";
    config.windowName = "DEFAULTIN";
    config.windowWidth = 640;
    config.windowHeight = 480;
    config.gameType = 0;
    config.cdMusic = false;
    return config;
}

InstanceConfig ParseInstanceFile(const std::vector<uint8_t>& bytes) {
    // Everything after a zero byte is invisible to the key search, as in a C string.
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    text.resize(std::strlen(text.c_str()));

    InstanceConfig config = DefaultInstanceConfig();
    config.fromFile = true;
    std::string value;
    if (FindValue(text, "InstanceName=", InstanceConfig::kInstanceNameMax, value)) {
        config.instanceName = value;
    }
    if (FindValue(text, "WindowName=", InstanceConfig::kWindowNameMax, value)) {
        config.windowName = value;
    }
    if (FindValue(text, "WindowWidth=", InstanceConfig::kShortValueMax, value)) {
        config.windowWidth = ReadDecimal(value.c_str());
    }
    if (FindValue(text, "WindowHeight=", InstanceConfig::kShortValueMax, value)) {
        config.windowHeight = ReadDecimal(value.c_str());
    }
    if (FindValue(text, "GameType=", InstanceConfig::kShortValueMax, value)) {
        config.gameType = ReadDecimal(value.c_str());
    }
    if (FindValue(text, "BGMType=", InstanceConfig::kShortValueMax, value)) {
        config.cdMusic = value.find("WAVE") == std::string::npos;
    }
    return config;
}

InstanceConfig ReadInstanceConfig(std::string* fileName, const std::string& chosen, files::Refusal* refusal) {
    std::optional<std::string> name = chosen;
    if (chosen.empty()) {
        name = files::FindFirstWithExtension("ist", refusal);
    }
    if (name) {
        std::vector<uint8_t> bytes;
        if (files::ReadAll(*name, bytes)) {
            if (fileName != nullptr) {
                *fileName = *name;
            }
            return ParseInstanceFile(bytes);
        }
    }
    return DefaultInstanceConfig();
}

}  // namespace textreel
