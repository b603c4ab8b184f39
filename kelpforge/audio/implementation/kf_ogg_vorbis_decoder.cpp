// Ogg Vorbis through stb_vorbis: a file that passes the guard is opened from memory, decoded in
// blocks (so an endless stream stops at the length limit instead of filling memory) and
// converted to the mixer's format.
#include <climits>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "kelpforge/audio/implementation/kf_ogg_vorbis_guard.h"
#include "kelpforge/audio/implementation/kf_sound_decoder.h"

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>

namespace Kelpforge::Audio::kfImplementation {

namespace {

constexpr const char* kRefusedOgg = "an Ogg Vorbis file that is damaged or not safe to decode";
constexpr const char* kUnsupportedOgg = "an Ogg Vorbis file with more than two channels";
constexpr int kBlockFrames = 4096;

// NaN counts as silence.
short ToSample(float value) {
  const float clamped = value > -1.0f ? (value < 1.0f ? value : 1.0f) : (value == value ? -1.0f : 0.0f);
  return static_cast<short>(std::lrint(clamped * 32767.0f));
}

struct VorbisCloser {
  void operator()(stb_vorbis* vorbis) const { stb_vorbis_close(vorbis); }
};

}  // namespace

DecodedSound DecodeOggVorbis(const unsigned char* bytes, std::size_t size, std::size_t maxFrames) {
  DecodedSound sound;
  if (bytes == nullptr || size > static_cast<std::size_t>(INT_MAX) || !OggVorbisHeadersAreSafe(bytes, size)) {
    sound.failure = kRefusedOgg;
    return sound;
  }
  int error = 0;
  const std::unique_ptr<stb_vorbis, VorbisCloser> vorbis(
      stb_vorbis_open_memory(bytes, static_cast<int>(size), &error, nullptr));
  if (!vorbis) {
    sound.failure = kRefusedOgg;
    return sound;
  }
  const stb_vorbis_info info = stb_vorbis_get_info(vorbis.get());
  if (info.channels > 2) {
    sound.failure = kUnsupportedOgg;
    return sound;
  }
  if (info.sample_rate < kMinSourceRate || info.sample_rate > kMaxSourceRate) {
    sound.failure = kRefusedOgg;
    return sound;
  }

  // Decoded in blocks, so a stream that never ends stops at the length limit. stb_vorbis's own
  // conversion to 16 bits overflows an int on the wild values a damaged stream decodes to (found
  // by fuzz/ogg_vorbis_sound_fuzzer); floats are taken and converted here, saturating.
  const std::size_t channels = static_cast<std::size_t>(info.channels);
  std::vector<short> decoded;
  std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * channels);
  for (;;) {
    const int frames = stb_vorbis_get_samples_float_interleaved(vorbis.get(), info.channels, block.data(),
                                                                static_cast<int>(block.size()));
    if (frames <= 0) break;
    for (std::size_t i = 0; i < static_cast<std::size_t>(frames) * channels; ++i) {
      decoded.push_back(ToSample(block[i]));
    }
    if (ResampledFrameCount(decoded.size() / channels, info.sample_rate) > maxFrames) {
      sound.failure = kTooLongFailure;
      return sound;
    }
  }
  const SourceSamples source{decoded.data(), decoded.size() / channels, static_cast<std::uint32_t>(channels),
                             info.sample_rate};
  if (!AppendInMixerFormat(source, maxFrames, sound.samples)) sound.failure = kTooLongFailure;
  return sound;
}

}  // namespace Kelpforge::Audio::kfImplementation
