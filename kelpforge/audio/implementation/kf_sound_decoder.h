// Sound files to clips in the mixer's format: 48 kHz, two channels of 16-bit samples,
// interleaved. WAV (PCM, 8 or 16 bits, one or two channels) is read by our own reader, which checks
// every chunk against the bytes there are; Ogg Vorbis goes through stb_vorbis once the checks in
// kf_ogg_vorbis_guard.h have passed. Other rates are resampled linearly. Nothing here needs an
// audio device, so tests and the fuzzers run it as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kelpforge::Audio::kfImplementation {

inline constexpr std::uint32_t kMixerSampleRate = 48000;
inline constexpr std::size_t kMixerChannels = 2;
// Longer sounds are refused: clips are decoded whole, at 192 000 bytes a second.
inline constexpr std::size_t kMaxClipFrames = std::size_t{kMixerSampleRate} * 600;
// Sample rates a file may state; anything else is taken for damage.
inline constexpr std::uint32_t kMinSourceRate = 1000;
inline constexpr std::uint32_t kMaxSourceRate = 384000;
inline constexpr const char* kTooLongFailure = "longer than the 600 seconds a sound may last";

struct DecodedSound {
  std::vector<std::int16_t> samples;  // left, right, left, right ... at kMixerSampleRate
  const char* failure = nullptr;      // why there are no samples; null when decoding worked

  std::size_t FrameCount() const { return samples.size() / kMixerChannels; }
};

// Interleaved 16-bit source frames of one or two channels.
struct SourceSamples {
  const std::int16_t* samples = nullptr;
  std::size_t frameCount = 0;
  std::uint32_t channels = 1;
  std::uint32_t sampleRate = kMixerSampleRate;
};

// Frames at 48 kHz that `frameCount` frames at `sampleRate` last, rounded up.
std::size_t ResampledFrameCount(std::size_t frameCount, std::uint32_t sampleRate);

// Appends the source, resampled and made stereo, to `output`. Output frame j takes the source at
// j x rate / 48000 frames, interpolated linearly between its two neighbours (the last frame
// stands for any position past it). False, with nothing appended, when the result would pass
// `maxFrames` frames in all.
bool AppendInMixerFormat(const SourceSamples& source, std::size_t maxFrames, std::vector<std::int16_t>& output);

// Decodes a WAV or Ogg Vorbis file held in memory, told apart by their first bytes.
DecodedSound DecodeSound(const unsigned char* bytes, std::size_t size, std::size_t maxFrames = kMaxClipFrames);
DecodedSound DecodeWav(const unsigned char* bytes, std::size_t size, std::size_t maxFrames = kMaxClipFrames);
DecodedSound DecodeOggVorbis(const unsigned char* bytes, std::size_t size, std::size_t maxFrames = kMaxClipFrames);

// Reads the file at `path` whole and decodes it.
DecodedSound DecodeSoundFile(const std::string& path);

}  // namespace Kelpforge::Audio::kfImplementation
