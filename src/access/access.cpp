#include "access/access.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/error_log.h"
#include "shell/trace.h"

namespace textreel {

bool ParseSpeechChoice(const std::string& text, SpeechChoice& choice) {
    if (text == "speechd") {
        choice = SpeechChoice::kSpeechd;
    } else if (text == "espeak") {
        choice = SpeechChoice::kEspeak;
    } else if (text == "off") {
        choice = SpeechChoice::kOff;
    } else {
        return false;
    }
    return true;
}

SpeechLanguage LanguageOf(const std::string& utf8) {
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return SpeechLanguage::kJapanese;
        }
    }
    return SpeechLanguage::kEnglish;
}

Access::Access(Trace& trace, AudioMixer& mixer, Clock& clock, SpeechChoice choice)
    : trace_(trace), mixer_(mixer), clock_(clock), choice_(choice) {}

Access::~Access() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        ++generation_;
        SetActing(false);
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool Access::OpenTextOut(const std::string& path, std::string& error) {
    return textOut_.Open(path, error);
}

void Access::NoteLineOnScreen(const std::string& utf8) {
    std::lock_guard lock(lineMutex_);
    lineOnScreen_ = utf8;
}

std::string Access::LineOnScreen() {
    std::lock_guard lock(lineMutex_);
    return lineOnScreen_;
}

void Access::LineShown(const std::string& utf8) {
    NoteLineOnScreen(utf8);
    if (textOut_.IsOpen()) {
        textOut_.WriteLine(utf8);
    }
    if (clipboardOn_ && hooks_.copyToClipboard) {
        hooks_.copyToClipboard(utf8);
    }
    if (speechOn_) {
        const bool afterVoice = hooks_.voicePlaying && hooks_.voicePlaying();
        Request(afterVoice ? Job::kSpeakAfterVoice : Job::kSpeak, utf8);
    }
}

void Access::Say(const std::string& utf8) {
    if (speechOn_ && !utf8.empty()) {
        Request(Job::kSpeak, utf8);
    }
}

void Access::Cut() {
    if (thread_.joinable()) {
        Request(Job::kStop, std::string());
    }
}

void Access::VoiceEnded() {
    { std::lock_guard lock(mutex_); }
    wake_.notify_all();
}

void Access::SetSpeechOn(bool on) {
    if (choice_ == SpeechChoice::kOff) {
        on = false;
    }
    speechOn_ = on;
    if (!on) {
        Cut();
        return;
    }
    std::lock_guard lock(mutex_);
    if (!thread_.joinable() && !stopping_) {
        thread_ = std::thread([this] { SpeechThread(); });
    }
}

void Access::Request(Job job, std::string text) {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) {
            return;
        }
        job_ = job;
        text_ = std::move(text);
        ++generation_;
        SetActing(true);
    }
    wake_.notify_all();
}

void Access::SetActing(bool acting) {
    if (acting != acting_) {
        acting_ = acting;
        clock_.AddActors(acting ? 1 : -1);
    }
}

bool Access::EnsureBackEnd() {
    if (backEndTried_) {
        return backEnd_ != nullptr;
    }
    backEndTried_ = true;
    std::string error;
    if (choice_ == SpeechChoice::kAuto || choice_ == SpeechChoice::kSpeechd) {
        backEnd_ = MakeSpeechdSpeech(error);
        if (backEnd_ == nullptr) {
            ErrorPrintf("textreel: speech-dispatcher: %s\n", error.c_str());
        }
    }
    if (backEnd_ == nullptr && (choice_ == SpeechChoice::kAuto || choice_ == SpeechChoice::kEspeak)) {
        backEnd_ = MakeEspeakSpeech(mixer_, error);
        if (backEnd_ == nullptr) {
            ErrorPrintf("textreel: %s\n", error.c_str());
        }
    }
    if (backEnd_ == nullptr) {
        ErrorPrintf("textreel: no speech back end answers; nothing will be spoken\n");
    }
    return backEnd_ != nullptr;
}

void Access::SpeechThread() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || job_ != Job::kNone; });
        if (stopping_) {
            return;
        }
        const Job job = job_;
        const std::string text = std::move(text_);
        const uint64_t generation = generation_;
        job_ = Job::kNone;
        if (job == Job::kSpeakAfterVoice) {
            // The title's voice goes first; a newer request (the player advanced) drops the line.
            // Waiting for it, the thread lets the time move.
            SetActing(false);
            wake_.wait(lock,
                       [&] { return stopping_ || generation_ != generation || !hooks_.voicePlaying(); });
            if (stopping_) {
                return;
            }
            SetActing(true);
            if (generation_ != generation) {
                continue;
            }
        }
        lock.unlock();
        if (job == Job::kStop) {
            if (backEnd_ != nullptr) {
                backEnd_->Stop();
            }
        } else if (EnsureBackEnd()) {
            backEnd_->Stop();
            if (generation_ == generation) {
                trace_.Event("speak", {{"text", text}, {"backend", std::string(backEnd_->Name())}});
                backEnd_->Speak(text, LanguageOf(text), [&] { return generation_ == generation; });
            }
        }
        lock.lock();
        if (job_ == Job::kNone) {
            SetActing(false);
        }
    }
}

}  // namespace textreel
