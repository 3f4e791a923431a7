// Decodes arbitrary bytes as a WAVE file and checks that what comes out is consistent.
#include <cstdint>
#include <cstdlib>

#include "sound/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    textreel::PcmSound sound;
    if (textreel::ParseWav(data, size, sound)) {
        if (sound.channels < 1 || sound.channels > 2 || sound.rate <= 0 ||
            sound.samples.size() % static_cast<size_t>(sound.channels) != 0 || sound.samples.size() > size) {
            std::abort();
        }
    } else if (!sound.samples.empty()) {
        std::abort();
    }
    return 0;
}
