// speech-dispatcher through libspeechd: the desktop's speech service, with the player's own voice,
// rate and output, shared with their screen reader. The text is handed over and spoken there.
#include <libspeechd.h>

#include <cstdlib>

#include "access/speech_back_end.h"

namespace textreel {

namespace {

class SpeechdSpeech : public SpeechBackEnd {
  public:
    explicit SpeechdSpeech(SPDConnection* connection) : connection_(connection) {}
    ~SpeechdSpeech() override { spd_close(connection_); }

    const char* Name() const override { return "speechd"; }

    void Speak(const std::string& utf8, SpeechLanguage language,
               const std::function<bool()>& current) override {
        const char* wanted = language == SpeechLanguage::kJapanese ? "ja" : "en";
        if (language_ != wanted && spd_set_language(connection_, wanted) == 0) {
            language_ = wanted;
        }
        if (current()) {
            spd_say(connection_, SPD_TEXT, utf8.c_str());
        }
    }

    void Stop() override { spd_cancel(connection_); }

  private:
    SPDConnection* connection_;
    std::string language_;
};

}  // namespace

std::unique_ptr<SpeechBackEnd> MakeSpeechdSpeech(std::string& error) {
    char* failure = nullptr;
    // The default address (SPEECHD_ADDRESS, else the user's socket); the service is started as
    // the desktop would start it when it is installed but not running.
    SPDConnection* connection = spd_open2("textreel", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &failure);
    if (connection == nullptr) {
        error = failure != nullptr ? failure : "speech-dispatcher does not answer";
        std::free(failure);
        return nullptr;
    }
    std::free(failure);
    return std::make_unique<SpeechdSpeech>(connection);
}

}  // namespace textreel
