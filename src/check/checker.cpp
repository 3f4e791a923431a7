// The title as a whole: which files the engine takes, the instance file, the start-up logo, then
// the scenario.
#include "check/checker.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "check/file_probe.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "script/byte_text.h"
#include "script/scenario.h"
#include "shell/messages.h"
#include "shell/title_settings.h"

namespace textreel::check {

namespace {

namespace fs = std::filesystem;

// The largest screen side the engine opens.
constexpr int kMaxScreenSide = 16384;

struct Key {
    const char* text;
    size_t maxLength;
    bool numeric;
};
constexpr std::array<Key, 6> kKeys = {{{"InstanceName=", InstanceConfig::kInstanceNameMax, false},
                                       {"WindowName=", InstanceConfig::kWindowNameMax, false},
                                       {"WindowWidth=", InstanceConfig::kShortValueMax, true},
                                       {"WindowHeight=", InstanceConfig::kShortValueMax, true},
                                       {"GameType=", InstanceConfig::kShortValueMax, true},
                                       {"BGMType=", InstanceConfig::kShortValueMax, false}}};

// Every regular file of the current directory with the extension (any case), in name order.
// The finding's words for an instance file or scenario the resolver refused.
std::string RefusedTitleFile(const files::Refusal& refusal) {
    if (refusal.reason.find("link") != std::string::npos) {
        return "\"" + refusal.path + "\" leads outside the title's folder (through a link)";
    }
    return "\"" + refusal.path + "\" is " + refusal.reason + " (a pipe or a device is never opened)";
}

std::vector<std::string> FilesWithExtension(const std::string& extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(".", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::string tail = name.size() > extension.size() ? name.substr(name.size() - extension.size()) : "";
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (tail == extension && it->is_regular_file(ec)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

uint32_t LineAt(const std::string& text, size_t offset) {
    return 1 + static_cast<uint32_t>(
                   std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Words written like a key ("Name=" or "Name =") that the engine does not take for one of its keys:
// a key with the wrong case, or a blank before its equals sign.
void MisspelledKeys(const std::string& text, const std::string& file, std::vector<Finding>& out) {
    for (size_t p = 0; p < text.size(); ++p) {
        if (std::isalpha(static_cast<unsigned char>(text[p])) == 0 ||
            (p > 0 && std::isalnum(static_cast<unsigned char>(text[p - 1])) != 0)) {
            continue;
        }
        size_t end = p;
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])) != 0) {
            ++end;
        }
        size_t eq = end;
        while (eq < text.size() && (text[eq] == ' ' || text[eq] == '\t')) {
            ++eq;
        }
        if (eq >= text.size() || text[eq] != '=') {
            p = end;
            continue;
        }
        std::string written = text.substr(p, eq + 1 - p);
        std::string word = text.substr(p, end - p) + "=";
        for (const Key& key : kKeys) {
            if (written != key.text && Lower(word) == Lower(key.text)) {
                out.push_back(
                    {file, LineAt(text, p), Level::kError,
                     "\"" + written + "\" is not the key \"" + key.text +
                         "\" (keys are matched exactly, case and blanks included); the engine ignores it"});
            }
        }
        p = end;
    }
}

// Shows a value with its line breaks visible.
std::string ShownValue(const std::string& value) {
    std::string out;
    for (char c : ShownPath(value)) {
        if (c == '\r') {
            continue;
        }
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return "\"" + out + "\"";
}

// One finding per key at most: everything that keeps the engine from reading the value as written.
void CheckKey(const std::string& text, const Key& key, const std::string& file, std::vector<Finding>& out) {
    const char* found = FindTextMb(text.c_str(), key.text);
    if (found == nullptr) {
        return;
    }
    size_t at = static_cast<size_t>(found - text.c_str());
    uint32_t line = LineAt(text, at);
    const std::string name = key.text;
    if (const char* again = FindTextMb(found + 1, key.text)) {
        out.push_back(
            {file, LineAt(text, static_cast<size_t>(again - text.c_str())), Level::kWarning,
             name + " occurs again; the engine reads only the first, on line " + std::to_string(line)});
    }
    std::vector<std::string> problems;
    size_t p = at + name.size();
    if (p >= text.size() || text[p] != '"') {
        problems.push_back(
            "it is not followed by a double quote (the byte after \"=\" is skipped whatever it is)");
    }
    p = std::min(p + 1, text.size());
    size_t close = text.find('"', p);
    if (close == std::string::npos) {
        problems.push_back("the value has no closing double quote and runs to the end of the file");
        close = text.size();
    }
    std::string value = text.substr(p, close - p);
    if (value.size() > key.maxLength) {
        problems.push_back("the value is " + std::to_string(value.size()) +
                           " bytes long and the engine keeps " + std::to_string(key.maxLength));
        value.resize(key.maxLength);
    }
    if (key.numeric) {
        size_t digits = value.find_first_not_of(" \t");
        digits = digits == std::string::npos ? value.size() : digits;
        if (digits < value.size() && (value[digits] == '-' || value[digits] == '+')) {
            ++digits;
        }
        if (value.find_first_not_of("0123456789", digits) != std::string::npos || digits == value.size()) {
            problems.push_back("the engine reads the value " + ShownValue(value) + " as " +
                               std::to_string(ReadDecimal(value.c_str())));
        }
    } else if (!problems.empty()) {
        problems.push_back("the engine reads the value " + ShownValue(value));
    }
    if (!problems.empty()) {
        std::string message = name + ": ";
        for (size_t k = 0; k < problems.size(); ++k) {
            message += (k == 0 ? "" : "; ") + problems[k];
        }
        out.push_back({file, line, Level::kError, message});
    }
    if (name == "BGMType=" && value.find("WAVE") == std::string::npos &&
        Lower(value).find("wave") != std::string::npos) {
        out.push_back(
            {file, line, Level::kWarning,
             "BGMType= \"" + value + "\" gives CD music: only the upper-case WAVE gives Ogg music"});
    }
}

// Start-up shows "cg\menu\logo.bmp", taken as a bottom-up 24-bit picture of the screen's size.
void CheckLogoBytes(const FileInfo& info, const InstanceConfig& config, std::vector<Finding>& out);

void CheckLogo(FileProbe& probe, const InstanceConfig& config, std::vector<Finding>& out) {
    CheckLogoBytes(probe.Probe("cg\\menu\\logo.bmp", FileKind::kBmp), config, out);
    probe.DropBytes("cg\\menu\\logo.bmp", FileKind::kBmp);
}

void CheckLogoBytes(const FileInfo& info, const InstanceConfig& config, std::vector<Finding>& out) {
    const std::string name = "cg/menu/logo.bmp";
    if (!info.found) {
        out.push_back(
            {name, 1, Level::kError,
             info.problem + "; start-up shows its path in a warning box every time the game starts"});
        return;
    }
    const std::vector<uint8_t>& b = info.bytes;
    const uint64_t need = 3ull * static_cast<uint64_t>(std::max(config.windowWidth, 0)) *
                          static_cast<uint64_t>(std::max(config.windowHeight, 0));
    const uint64_t offset = b.size() >= 14 ? ReadLe32(b.data() + 10) : 0;
    if (b.size() < 14 || offset >= b.size()) {
        out.push_back({name, 1, Level::kError, "the start-up logo is not a BMP file the engine can read"});
    } else if (b.size() - offset < need || info.width != config.windowWidth ||
               info.height != config.windowHeight || info.bitsPerPixel != 24) {
        out.push_back({name, 1, Level::kWarning,
                       "the start-up logo is " + std::to_string(info.width) + " x " +
                           std::to_string(info.height) + " with " + std::to_string(info.bitsPerPixel) +
                           " bits; the engine shows its bytes as a " + std::to_string(config.windowWidth) +
                           " x " + std::to_string(config.windowHeight) + " picture with 24 bits"});
    }
}

}  // namespace

void CheckInstanceFile(const std::vector<uint8_t>& bytes, const std::string& fileName,
                       std::vector<Finding>& out) {
    // The engine sees the file up to its first zero byte.
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    text.resize(std::strlen(text.c_str()));
    for (const Key& key : kKeys) {
        CheckKey(text, key, fileName, out);
    }
    MisspelledKeys(text, fileName, out);
    if (FindTextMb(text.c_str(), "InstanceName=") == nullptr) {
        out.push_back(
            {fileName, 1, Level::kWarning,
             "there is no InstanceName=; the title runs as \"DEFAULTINSTANCE\", and no other title without "
             "a name can run beside it"});
    }
    InstanceConfig config = ParseInstanceFile(bytes);
    const int w = config.windowWidth;
    const int h = config.windowHeight;
    // The size findings stand at the key that sets the width (or the height).
    const char* sizeKey = FindTextMb(text.c_str(), "WindowWidth=");
    if (sizeKey == nullptr || (w > 0 && w <= kMaxScreenSide && w % 4 == 0)) {
        sizeKey = FindTextMb(text.c_str(), "WindowHeight=");
    }
    const uint32_t sizeLine =
        sizeKey != nullptr ? LineAt(text, static_cast<size_t>(sizeKey - text.c_str())) : 1;
    if (w <= 0 || h <= 0 || w > kMaxScreenSide || h > kMaxScreenSide) {
        out.push_back({fileName, sizeLine, Level::kError,
                       "the screen size " + std::to_string(w) + " x " + std::to_string(h) +
                           " cannot be shown; the engine refuses to start"});
    } else if (w % 4 != 0) {
        out.push_back({fileName, sizeLine, Level::kError,
                       "the screen width " + std::to_string(w) +
                           " is not a multiple of 4, which the picture rows need"});
    }
}

Report CheckTitle() {
    Report report;
    std::vector<Finding>& out = report.findings;

    std::string istName;
    files::Refusal istRefusal;
    InstanceConfig config = ReadInstanceConfig(&istName, {}, &istRefusal);
    std::vector<std::string> istFiles = FilesWithExtension(".ist");
    if (!istRefusal.reason.empty()) {
        out.push_back({istRefusal.path, 1, Level::kError,
                       RefusedTitleFile(istRefusal) + "; the engine does not read it and runs with the "
                                                      "default values (640 x 480)"});
    } else if (istName.empty()) {
        out.push_back(
            {"*.ist", 1, Level::kWarning,
             "there is no instance file (*.ist); the engine runs with the default values (640 x 480)"});
    } else {
        std::vector<uint8_t> bytes;
        files::ReadAll(istName, bytes);
        CheckInstanceFile(bytes, istName, out);
        for (const std::string& other : istFiles) {
            if (other != istName) {
                out.push_back({istName, 1, Level::kWarning,
                               "the engine reads this instance file, the first by name; \"" + other +
                                   "\" is not read"});
            }
        }
    }

    // textreel.ini: what the engine ignores in it, it also says on stderr.
    std::vector<SettingsProblem> settingsProblems;
    TitleSettings settings = ReadTitleSettings(settingsProblems);
    for (const SettingsProblem& problem : settingsProblems) {
        out.push_back({TitleSettings::kFileName, problem.line, Level::kWarning, problem.message});
    }

    FileProbe probe;
    Scenario scenario;
    files::Refusal txtRefusal;
    const Scenario::LoadResult loaded = scenario.Load(&txtRefusal);
    const std::optional<std::string> txtName =
        loaded == Scenario::LoadResult::kLoaded ? std::optional(scenario.FileName()) : std::nullopt;
    if (loaded == Scenario::LoadResult::kRefused) {
        out.push_back({txtRefusal.path, 1, Level::kError,
                       RefusedTitleFile(txtRefusal) + "; the engine does not read it, shows \"" +
                           msg::kScenarioMissing + "\" and does not start"});
    } else if (loaded == Scenario::LoadResult::kTooLarge) {
        out.push_back({"*.txt", 1, Level::kError,
                       "the scenario file is larger than " + std::to_string(kMaxScenarioBytes >> 20) +
                           " MB; the engine refuses it and does not start"});
    } else if (!txtName) {
        out.push_back({"*.txt", 1, Level::kError,
                       std::string("there is no scenario file (*.txt) the engine can read; it shows \"") +
                           msg::kScenarioMissing + "\" and does not start"});
    } else {
        // The engine refuses a screen it cannot show before it gets to the logo.
        if (config.windowWidth > 0 && config.windowHeight > 0 && config.windowWidth <= kMaxScreenSide &&
            config.windowHeight <= kMaxScreenSide) {
            CheckLogo(probe, config, out);
        }
        for (const std::string& other : FilesWithExtension(".txt")) {
            if (other != *txtName) {
                out.push_back({*txtName, 1, Level::kWarning,
                               "the engine plays this scenario, the first *.txt by name; \"" + other +
                                   "\" is not read"});
            }
        }
        CheckScenario(scenario, *txtName, config, probe, out, settings);
    }

    // Files in the order of their first finding, each sorted by line.
    std::vector<std::string> order;
    for (const Finding& f : out) {
        if (std::find(order.begin(), order.end(), f.file) == order.end()) {
            order.push_back(f.file);
        }
    }
    auto rank = [&](const Finding& f) {
        return std::find(order.begin(), order.end(), f.file) - order.begin();
    };
    std::stable_sort(out.begin(), out.end(), [&](const Finding& a, const Finding& b) {
        auto ra = rank(a);
        auto rb = rank(b);
        return ra != rb ? ra < rb : a.line < b.line;
    });
    return report;
}

}  // namespace textreel::check
