#include "platform/error_log.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/quiet_output.h"
#include "platform/repeat_limiter.h"

namespace textreel {

namespace {

class ErrorLog {
  public:
    ErrorLog()
        : start_(std::chrono::steady_clock::now()),
          output_(STDERR_FILENO, kMaxHeld),
          limiter_(RepeatLimiter::Limits{}, [](std::string_view line, int64_t count, int64_t) {
              if (line.empty()) {
                  return "textreel: … " + std::to_string(count) + " more lines left out (too many at once)\n";
              }
              std::string text(line);
              text.insert(text.size() - 1, " … repeated " + std::to_string(count) + " times");
              return text;
          }) {
        // A reader that goes away must not end the program: the write then fails with EPIPE.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, nullptr);
    }

    void Line(std::string_view text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.remove_suffix(1);
        }
        // A line is cut at kMaxLine bytes (a whole character): a title's line of megabytes in a
        // message box is not copied to the terminal whole.
        const bool cut = text.size() > kMaxLine;
        if (cut) {
            size_t end = kMaxLine;
            while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) {
                --end;
            }
            text = text.substr(0, end);
        }
        std::string line = VisibleControls(text);
        if (cut) {
            line += " …";
        }
        line.push_back('\n');
        std::vector<std::string> out;
        std::lock_guard lock(mutex_);
        limiter_.Offer(line, NowMs(), out);
        WriteOut(out);
    }

    void Finish(int ms) {
        {
            std::lock_guard lock(mutex_);
            std::vector<std::string> out;
            limiter_.Finish(NowMs(), out);
            WriteOut(out);
        }
        output_.Drain(ms);
    }

  private:
    static constexpr size_t kMaxHeld = 256 << 10;
    static constexpr size_t kMaxLine = 4096;

    int64_t NowMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                     start_)
            .count();
    }

    void WriteOut(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            output_.Write(line);
        }
    }

    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    QuietOutput output_;
    RepeatLimiter limiter_;
};

ErrorLog& Log() {
    static ErrorLog* log = new ErrorLog();  // never destroyed: threads may write to it at exit
    return *log;
}

}  // namespace

void ErrorLine(std::string_view text) {
    Log().Line(text);
}

void ErrorPrintf(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        va_end(again);
        Log().Line(std::string_view(small, static_cast<size_t>(n)));
        return;
    }
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.pop_back();
    Log().Line(text);
}

void FinishErrorLines(int ms) {
    Log().Finish(ms);
}

}  // namespace textreel
