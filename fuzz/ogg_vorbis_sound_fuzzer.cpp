// Fuzzes the Ogg Vorbis path with hostile files: the guard that reads the header packets, then
// stb_vorbis's set-up and decoding of every packet, and the conversion into the mixer's format.
#include <cstddef>
#include <cstdint>

#include "fuzz/decoded_sound_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return CheckDecodedSound(Kelpforge::Audio::kfImplementation::DecodeOggVorbis(data, size, kFuzzMaxFrames));
}
