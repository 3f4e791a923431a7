// speech-dispatcher through libspeechd: the desktop's speech service, with the player's own voice,
// rate and output, shared with their screen reader. The text is handed over and spoken there.
// The library is loaded when self-voicing first asks for it, not at start.
#include <libspeechd.h>

#include <cstdlib>

#include "access/speech_back_end.h"
#include "platform/shared_library.h"

namespace textreel {

namespace {

// The functions of libspeechd used here, looked up once in the loaded library.
struct SpeechdLibrary {
    SharedLibrary library{"libspeechd.so.2", "libspeechd2"};
    decltype(&spd_open2) open2 = nullptr;
    decltype(&spd_close) close = nullptr;
    decltype(&spd_set_language) setLanguage = nullptr;
    decltype(&spd_say) say = nullptr;
    decltype(&spd_cancel) cancel = nullptr;
    bool ready = library.Bind("spd_open2", open2) && library.Bind("spd_close", close) &&
                 library.Bind("spd_set_language", setLanguage) && library.Bind("spd_say", say) &&
                 library.Bind("spd_cancel", cancel);
};

const SpeechdLibrary& Speechd() {
    static const SpeechdLibrary library;
    return library;
}

class SpeechdSpeech : public SpeechBackEnd {
  public:
    explicit SpeechdSpeech(SPDConnection* connection) : connection_(connection) {}
    ~SpeechdSpeech() override { Speechd().close(connection_); }

    const char* Name() const override { return "speechd"; }

    void Speak(const std::string& utf8, SpeechLanguage language,
               const std::function<bool()>& current) override {
        const char* wanted = language == SpeechLanguage::kJapanese ? "ja" : "en";
        if (language_ != wanted && Speechd().setLanguage(connection_, wanted) == 0) {
            language_ = wanted;
        }
        if (current()) {
            Speechd().say(connection_, SPD_TEXT, utf8.c_str());
        }
    }

    void Stop() override { Speechd().cancel(connection_); }

  private:
    SPDConnection* connection_;
    std::string language_;
};

}  // namespace

std::unique_ptr<SpeechBackEnd> MakeSpeechdSpeech(std::string& error) {
    if (!Speechd().ready) {
        error = Speechd().library.Error();
        return nullptr;
    }
    char* failure = nullptr;
    // The default address (SPEECHD_ADDRESS, else the user's socket); the service is started as
    // the desktop would start it when it is installed but not running.
    SPDConnection* connection =
        Speechd().open2("textreel", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &failure);
    if (connection == nullptr) {
        error = failure != nullptr ? failure : "speech-dispatcher does not answer";
        std::free(failure);
        return nullptr;
    }
    std::free(failure);
    return std::make_unique<SpeechdSpeech>(connection);
}

}  // namespace textreel
