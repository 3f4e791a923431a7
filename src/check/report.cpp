#include <string>

#include "check/finding.h"
#include "shell/trace.h"

namespace textreel::check {

namespace {

const char* LevelName(Level level) {
    return level == Level::kError ? "error" : "warning";
}

std::string Count(int n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

int Report::Errors() const {
    int n = 0;
    for (const Finding& f : findings) {
        n += f.level == Level::kError ? 1 : 0;
    }
    return n;
}

int Report::Warnings() const {
    return static_cast<int>(findings.size()) - Errors();
}

std::string FormatText(const Report& report) {
    std::string out;
    for (const Finding& f : report.findings) {
        out += f.file + ":" + std::to_string(f.line) + ": " + LevelName(f.level) + ": " + f.message + "\n";
    }
    out += Count(report.Errors(), "error") + ", " + Count(report.Warnings(), "warning") + "\n";
    return out;
}

std::string FormatJson(const Report& report) {
    std::string out;
    for (const Finding& f : report.findings) {
        out += "{\"file\":\"" + Trace::Escape(f.file) + "\",\"line\":" + std::to_string(f.line) +
               ",\"level\":\"" + LevelName(f.level) + "\",\"message\":\"" + Trace::Escape(f.message) +
               "\"}\n";
    }
    out += "{\"errors\":" + std::to_string(report.Errors()) +
           ",\"warnings\":" + std::to_string(report.Warnings()) + "}\n";
    return out;
}

}  // namespace textreel::check
