// Reading for everyone: the text stream (--text-out), copying each line to the clipboard, and
// self-voicing (speech-dispatcher or eSpeak NG). The engine reaches this room through this class
// only; the libraries stay behind SpeechBackEnd and the platform's TextSink.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "access/speech_back_end.h"
#include "platform/text_sink.h"

namespace textreel {

class AudioMixer;
class Clock;
class Trace;

// The --speech choice.
enum class SpeechChoice {
    kAuto,     // speech-dispatcher when it answers, else eSpeak NG
    kSpeechd,  // speech-dispatcher only
    kEspeak,   // eSpeak NG only
    kOff,      // nothing is spoken
};

// Parses the --speech value ("speechd", "espeak", "off"); false for anything else.
bool ParseSpeechChoice(const std::string& text, SpeechChoice& choice);

// The voice for a UTF-8 text: Japanese as soon as it holds a character beyond ASCII (kana, kanji,
// full-width forms), English for half-width text.
SpeechLanguage LanguageOf(const std::string& utf8);

class Access {
  public:
    // What the room needs of the engine. voicePlaying tells whether the title's own voice is
    // playing (a line waits for it); copyToClipboard hands a line to the desktop's clipboard.
    struct Hooks {
        std::function<bool()> voicePlaying;
        std::function<void(const std::string&)> copyToClipboard;
    };

    Access(Trace& trace, AudioMixer& mixer, Clock& clock, SpeechChoice choice);
    ~Access();
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Opens the text stream; false with the reason in error.
    bool OpenTextOut(const std::string& path, std::string& error);

    // Whether LineShown does anything (the stream is open, copying or speech is on).
    bool WantsLines() const { return textOut_.IsOpen() || clipboardOn_ || speechOn_; }
    // A message line is shown (UTF-8): it goes to the stream and the clipboard, and is spoken
    // after the voice playing, if any. Cuts what was being spoken.
    void LineShown(const std::string& utf8);
    // A message line is drawn again without being shown anew (a rollback's page): it becomes the
    // line on the screen, and nothing else happens.
    void NoteLineOnScreen(const std::string& utf8);
    // The last message line shown (UTF-8), for speaking it when self-voicing is turned on.
    std::string LineOnScreen();
    // Speaks text at once (a choice entry, a menu item, a box), cutting what was being spoken.
    void Say(const std::string& utf8);
    // The player advanced: speech stops and a line waiting for the voice is dropped.
    void Cut();
    // The title's voice stopped (a line may be waiting for it).
    void VoiceEnded();

    bool SpeechOn() const { return speechOn_; }
    void SetSpeechOn(bool on);
    bool ClipboardOn() const { return clipboardOn_; }
    void SetClipboardOn(bool on) { clipboardOn_ = on; }
    SpeechChoice Choice() const { return choice_; }

  private:
    // What the speech thread is asked to do next; only the latest request counts.
    enum class Job {
        kNone,
        kSpeak,            // speak text now
        kSpeakAfterVoice,  // speak text once the title's voice has stopped
        kStop,             // silence
    };

    void Request(Job job, std::string text);
    void SpeechThread();
    bool EnsureBackEnd();
    // Under mutex_: whether the speech thread has work it can do now. In virtual time such work
    // holds the time still, so that a line is synthesized before the time it is heard passes.
    void SetActing(bool acting);

    Trace& trace_;
    AudioMixer& mixer_;
    Clock& clock_;
    const SpeechChoice choice_;
    Hooks hooks_;
    TextSink textOut_;
    std::atomic<bool> speechOn_{false};
    std::atomic<bool> clipboardOn_{false};
    std::mutex lineMutex_;
    std::string lineOnScreen_;

    // The speech thread starts the first time speech is turned on, so that self-voicing off costs
    // nothing. Every request counts up generation_; work for an older one is dropped.
    std::mutex mutex_;
    std::condition_variable wake_;
    Job job_ = Job::kNone;
    std::string text_;
    std::atomic<uint64_t> generation_{0};
    bool stopping_ = false;
    bool acting_ = false;
    std::thread thread_;
    // Speech thread only.
    std::unique_ptr<SpeechBackEnd> backEnd_;
    bool backEndTried_ = false;
};

}  // namespace textreel
