// RIFF/WAVE files decoded into interleaved 16-bit samples for the mixer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/audio_mixer.h"

namespace textreel {

// Decodes a WAVE file held in memory. Understood: integer PCM of 8 (unsigned), 16, 24 and 32 bits,
// IEEE float of 32 and 64 bits, plain or in a WAVE_FORMAT_EXTENSIBLE header, at any rate from 1000
// to 1000000 Hz. Mono stays mono; of more than two channels the first two are kept. Chunks may
// come in any order; a data chunk that claims more bytes than the file holds yields the whole
// frames that are there. Returns false, leaving out empty, when the file is not such a WAVE file.
bool ParseWav(const uint8_t* data, size_t size, PcmSound& out);

// Reads and decodes a WAVE file given by its real path.
bool ReadWav(const std::string& realPath, PcmSound& out);

}  // namespace textreel
