// Fuzzes the Ogg Vorbis path with hostile files: the guard that reads the header packets, then
// stb_vorbis's set-up and decoding of every packet, and the conversion into the mixer's format.
// Every decoded sample is read, so a read past the data is caught by AddressSanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "kelpforge/audio/kf_sound_decoder.h"

using namespace Kelpforge::Audio::kfImplementation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Ten seconds keep each run fast; the limit is checked the same way at any length.
  constexpr std::size_t kMaxFrames = kMixerSampleRate * 10;
  const DecodedSound sound = DecodeOggVorbis(data, size, kMaxFrames);
  if ((sound.failure != nullptr && !sound.samples.empty()) || sound.FrameCount() > kMaxFrames ||
      sound.samples.size() % 2 != 0) {
    std::abort();
  }
  std::int64_t sum = 0;
  for (const std::int16_t sample : sound.samples) sum += sample;
  return sum == INT64_MIN ? 1 : 0;
}
