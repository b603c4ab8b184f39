// Fuzzes the WAV reader with hostile files: the chunk walk, the format checks, the sample
// conversion and the resampling into the mixer's format.
#include <cstddef>
#include <cstdint>

#include "fuzz/decoded_sound_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return CheckDecodedSound(Kelpforge::Audio::kfImplementation::DecodeWav(data, size, kFuzzMaxFrames));
}
