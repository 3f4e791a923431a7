#include "shell/trace.h"

#include "platform/clock.h"

namespace textreel {

Trace::~Trace() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool Trace::Open(const std::string& path, bool append) {
    file_ = std::fopen(path.c_str(), append ? "a" : "w");
    return file_ != nullptr;
}

void Trace::Capture() {
    std::lock_guard lock(mutex_);
    capture_ = true;
}

std::vector<std::string> Trace::CapturedLines() {
    std::lock_guard lock(mutex_);
    return captured_;
}

std::string Trace::Escape(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size() + 2);
    for (char c : utf8) {
        auto b = static_cast<uint8_t>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20) {
                    out += "\\u00";
                    out.push_back(kHex[b >> 4]);
                    out.push_back(kHex[b & 15]);
                } else {
                    out.push_back(c);
                }
        }
    }
    return out;
}

namespace {

std::string EventLine(std::string_view name, std::initializer_list<Trace::Field> fields) {
    std::string line = "{\"event\":\"" + Trace::Escape(name) + "\"";
    for (const Trace::Field& field : fields) {
        line += ",\"" + Trace::Escape(field.name) + "\":";
        if (const auto* i = std::get_if<int64_t>(&field.value)) {
            line += std::to_string(*i);
        } else if (const auto* s = std::get_if<std::string>(&field.value)) {
            line += "\"" + Trace::Escape(*s) + "\"";
        } else if (const auto* j = std::get_if<Trace::Json>(&field.value)) {
            line += j->text;
        } else {
            line += std::get<bool>(field.value) ? "true" : "false";
        }
    }
    line += "}\n";
    return line;
}

}  // namespace

void Trace::Note(std::string_view name, std::initializer_list<Field> fields) {
    if (observer_) {
        observer_(name, EventLine(name, fields));
    }
}

void Trace::Event(std::string_view name, std::initializer_list<Field> fields) {
    if (!Enabled()) {
        return;
    }
    std::string line = EventLine(name, fields);
    if (observer_) {
        observer_(name, line);
    }
    line.insert(1, "\"ms\":" + std::to_string(clock_.NowMs()) + ",");
    std::lock_guard lock(mutex_);
    lastJumpMs_.clear();
    if (file_ != nullptr || capture_) {
        Write(std::move(line));
    }
}

void Trace::Jump(const std::string& label) {
    if (!Enabled()) {
        return;
    }
    const int64_t now = clock_.NowMs();
    std::string line = "{\"event\":\"jump\",\"label\":\"" + Escape(label) + "\"}\n";
    {
        std::lock_guard lock(mutex_);
        auto [it, fresh] = lastJumpMs_.try_emplace(label, now);
        if (!fresh) {
            if (now - it->second < kJumpQuietMs) {
                return;
            }
            it->second = now;
        }
    }
    if (observer_) {
        observer_("jump", line);
    }
    if (file_ == nullptr && !capture_) {
        return;
    }
    line.insert(1, "\"ms\":" + std::to_string(now) + ",");
    std::lock_guard lock(mutex_);
    Write(std::move(line));
}

void Trace::Write(std::string line) {
    if (capture_) {
        line.pop_back();
        captured_.push_back(std::move(line));
        return;
    }
    std::fputs(line.c_str(), file_);
    std::fflush(file_);
}

}  // namespace textreel
