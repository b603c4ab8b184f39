// What both sound fuzzers demand of a decoded sound, whatever the file held: a failure carries
// no samples, the length limit holds, frames are whole stereo pairs. Every sample is read, so a
// read past the data is caught by AddressSanitizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "kelpforge/audio/implementation/kf_sound_decoder.h"

// Ten seconds keep each run fast; the limit is checked the same way at any length.
constexpr std::size_t kFuzzMaxFrames = Kelpforge::Audio::kfImplementation::kMixerSampleRate * 10;

inline int CheckDecodedSound(const Kelpforge::Audio::kfImplementation::DecodedSound& sound) {
  if ((sound.failure != nullptr && !sound.samples.empty()) || sound.FrameCount() > kFuzzMaxFrames ||
      sound.samples.size() % 2 != 0) {
    std::abort();
  }
  std::int64_t sum = 0;
  for (const std::int16_t sample : sound.samples) sum += sample;
  return sum == INT64_MIN ? 1 : 0;
}
