#include "shell/trace.h"

#include "platform/clock.h"
#include "platform/quiet_output.h"

namespace textreel {

namespace {

// What a reader that does not keep up may leave waiting in memory; past it, lines are dropped.
constexpr size_t kMaxHeldBytes = 4 << 20;
// How long the end of the run waits for such a reader.
constexpr int kDrainMs = 200;

// Events that follow the player's own input, one or two per key or click.
bool PlayerDriven(std::string_view name) {
    for (std::string_view driven : {"menu", "command", "display", "focus", "screen", "dialog", "rollback",
                                    "clipboard", "notice", "save", "load"}) {
        if (name == driven) {
            return true;
        }
    }
    return false;
}

std::string Summary(std::string_view line, int64_t count, int64_t) {
    if (line.empty()) {
        return "{\"event\":\"left-out\",\"count\":" + std::to_string(count) + "}\n";
    }
    std::string_view last = line.substr(0, line.size() - 1);
    return "{\"event\":\"repeated\",\"count\":" + std::to_string(count) + ",\"last\":" + std::string(last) +
           "}\n";
}

}  // namespace

Trace::Trace(Clock& clock) : clock_(clock), limiter_(kLimits, &Summary) {}

Trace::~Trace() {
    if (file_ != nullptr) {
        file_->Drain(kDrainMs);
    }
}

bool Trace::Open(const std::string& path, bool append) {
    file_ = QuietOutput::CreateFile(path, kMaxHeldBytes, append);
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
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
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
                if (b < 0x20 || b == 0x7F) {
                    out += "\\u00";
                    out.push_back(kHex[b >> 4]);
                    out.push_back(kHex[b & 15]);
                } else if (b == 0xC2 && i + 1 < utf8.size() && static_cast<uint8_t>(utf8[i + 1]) < 0xA0) {
                    // A C1 control (U+0080 to U+009F), which a terminal showing the file would obey.
                    const auto c1 = static_cast<uint8_t>(utf8[++i]);
                    out += "\\u00";
                    out.push_back(kHex[c1 >> 4]);
                    out.push_back(kHex[c1 & 15]);
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
    const int64_t now = clock_.NowMs();
    std::lock_guard lock(mutex_);
    lastJumpMs_.clear();
    if (file_ != nullptr || capture_) {
        // The exit line is the run's last: the repeats still held back are told before it.
        const bool last = name == "exit";
        // The events file's own commands are written as they come, each one; what the player's
        // input does (menus, the focus, the display, the screens) comes as often as the player
        // gives it, and is held to the byte budget only.
        const Limit limit = last || name == "input" ? Limit::kNone
                            : PlayerDriven(name)    ? Limit::kBudget
                                                    : Limit::kRepeats;
        if (last) {
            std::vector<std::string> out;
            limiter_.Finish(now, out);
            for (std::string& held : out) {
                held.insert(1, "\"ms\":" + std::to_string(now) + ",");
                Write(std::move(held));
            }
        }
        WriteLimited(line, now, limit);
    }
}

void Trace::WriteLimited(const std::string& line, int64_t nowMs, Limit limit) {
    std::vector<std::string> out;
    if (limit == Limit::kNone) {
        out.push_back(line);
    } else {
        limiter_.Offer(line, nowMs, out, limit == Limit::kRepeats);
    }
    for (std::string& written : out) {
        written.insert(1, "\"ms\":" + std::to_string(nowMs) + ",");
        Write(std::move(written));
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
    std::lock_guard lock(mutex_);
    WriteLimited(line, now, Limit::kRepeats);
}

void Trace::Write(std::string line) {
    if (capture_) {
        line.pop_back();
        captured_.push_back(std::move(line));
        return;
    }
    file_->Write(line);
}

}  // namespace textreel
