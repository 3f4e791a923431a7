// A speech back end: the desktop's speech service or the built-in synthesizer. The access room's
// speech thread is the only caller, so a back end needs no locking of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace textreel {

class AudioMixer;

// The voice a text is spoken with: Japanese text takes the Japanese voice, half-width text the
// English one.
enum class SpeechLanguage { kJapanese, kEnglish };

class SpeechBackEnd {
  public:
    virtual ~SpeechBackEnd() = default;
    // The name the trace and the command line use ("speechd", "espeak").
    virtual const char* Name() const = 0;
    // Starts speaking UTF-8 text and returns without waiting for the speech to end. current()
    // turns false when the text is no longer wanted; a back end that works for a while before
    // the first sound asks it now and then and gives up.
    virtual void Speak(const std::string& utf8, SpeechLanguage language,
                       const std::function<bool()>& current) = 0;
    // Silences whatever is being spoken.
    virtual void Stop() = 0;
};

// eSpeak NG in this process, its samples played through the mixer (and so recorded with it).
// nullptr, with the reason in error, when the synthesizer or its data cannot be loaded or another
// one is alive in this process (the library keeps one state per process).
std::unique_ptr<SpeechBackEnd> MakeEspeakSpeech(AudioMixer& mixer, std::string& error);

// speech-dispatcher through libspeechd (the address from SPEECHD_ADDRESS, else the user's default);
// nullptr, with the reason in error, when the service does not answer.
std::unique_ptr<SpeechBackEnd> MakeSpeechdSpeech(std::string& error);

}  // namespace textreel
