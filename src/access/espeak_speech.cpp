// eSpeak NG built in: the text is synthesized on the speech thread (synchronous mode, so nothing
// of the library's own runs in the background) and each buffer of samples is queued on a stream of
// the engine's mixer as it comes, so that speech starts before the whole line is synthesized.
// The library is loaded when self-voicing first asks for it, not at start.
#include <espeak-ng/speak_lib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "access/kana_reading.h"
#include "access/speech_back_end.h"
#include "platform/audio_mixer.h"
#include "platform/error_log.h"
#include "platform/shared_library.h"

namespace textreel {

namespace {

// The functions of libespeak-ng used here, looked up once in the loaded library.
struct EspeakLibrary {
    SharedLibrary library{"libespeak-ng.so.1", "libespeak-ng1"};
    decltype(&espeak_Initialize) initialize = nullptr;
    decltype(&espeak_SetVoiceByName) setVoiceByName = nullptr;
    decltype(&espeak_Synth) synth = nullptr;
    decltype(&espeak_SetSynthCallback) setSynthCallback = nullptr;
    bool ready = library.Bind("espeak_Initialize", initialize) &&
                 library.Bind("espeak_SetVoiceByName", setVoiceByName) &&
                 library.Bind("espeak_Synth", synth) &&
                 library.Bind("espeak_SetSynthCallback", setSynthCallback);
};

const EspeakLibrary& Espeak() {
    static const EspeakLibrary library;
    return library;
}

// Milliseconds of sound per callback: short, so that the first sound comes soon.
constexpr int kBufferMs = 60;

// The library keeps one synthesizer per process. It is started once and kept: it does not start
// again after espeak_Terminate.
std::atomic<bool> gEspeakInUse{false};

int StartEspeakOnce() {
    // espeakINITIALIZE_DONT_EXIT: missing data is reported, not a reason to end the program.
    static const int rate =
        Espeak().initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr, espeakINITIALIZE_DONT_EXIT);
    return rate;
}

class EspeakSpeech : public SpeechBackEnd {
  public:
    explicit EspeakSpeech(std::shared_ptr<WaveOut> out) : out_(std::move(out)) {}
    ~EspeakSpeech() override {
        out_->Close();
        gEspeakInUse = false;
    }

    const char* Name() const override { return "espeak"; }

    void Speak(const std::string& utf8, SpeechLanguage language,
               const std::function<bool()>& current) override {
        const char* voice = language == SpeechLanguage::kJapanese ? "ja" : "en";
        if (voice_ != voice && Espeak().setVoiceByName(voice) == EE_OK) {
            voice_ = voice;
        }
        // The Japanese voice reads kana but not kanji: a line holding kanji is spoken from its
        // reading. Without MeCab it is spoken as written, and stderr says once why.
        const std::string* text = &utf8;
        std::string reading;
        if (language == SpeechLanguage::kJapanese && HoldsKanji(utf8)) {
            std::string error;
            if (reader_.Read(utf8, reading, error)) {
                text = &reading;
            } else if (!readerFailureTold_) {
                readerFailureTold_ = true;
                ErrorPrintf("textreel: %s; eSpeak NG reads kanji without their readings\n", error.c_str());
            }
        }
        Synthesis synthesis{this, &current};
        Espeak().synth(text->c_str(), text->size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                       &synthesis);
    }

    void Stop() override { out_->Reset(); }

    struct Synthesis {
        EspeakSpeech* self;
        const std::function<bool()>* current;
    };

    // Returns 1 to end the synthesis: the text is no longer wanted.
    static int Deliver(short* samples, int count, espeak_EVENT* events) {
        auto* synthesis = static_cast<Synthesis*>(events != nullptr ? events->user_data : nullptr);
        if (synthesis == nullptr) {
            return 0;
        }
        if (!(*synthesis->current)()) {
            return 1;
        }
        if (samples != nullptr && count > 0) {
            synthesis->self->out_->Queue(std::vector<int16_t>(samples, samples + count), 0);
        }
        return 0;
    }

  private:
    std::shared_ptr<WaveOut> out_;
    std::string voice_;
    KanaReader reader_;
    bool readerFailureTold_ = false;
};

}  // namespace

std::unique_ptr<SpeechBackEnd> MakeEspeakSpeech(AudioMixer& mixer, std::string& error) {
    if (gEspeakInUse.exchange(true)) {
        error = "eSpeak NG is already speaking for another engine in this process";
        return nullptr;
    }
    if (!Espeak().ready) {
        gEspeakInUse = false;
        error = "eSpeak NG: " + Espeak().library.Error();
        return nullptr;
    }
    const int rate = StartEspeakOnce();
    if (rate <= 0) {
        gEspeakInUse = false;
        error = "eSpeak NG cannot be started (is espeak-ng-data installed?)";
        return nullptr;
    }
    std::shared_ptr<WaveOut> out = mixer.OpenWaveOut(rate, 1, [](int) {});
    if (out == nullptr) {
        gEspeakInUse = false;
        error = "eSpeak NG speaks at a rate the mixer does not take";
        return nullptr;
    }
    Espeak().setSynthCallback(&EspeakSpeech::Deliver);
    return std::make_unique<EspeakSpeech>(std::move(out));
}

}  // namespace textreel
