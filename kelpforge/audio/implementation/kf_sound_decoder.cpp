// WAV reading, the conversion of any source into the mixer's format, and the choice of decoder.
// The WAV reader walks the RIFF chunks and takes a chunk only when all of its stated bytes are
// inside the file; an unknown chunk is skipped by its size.
#include "kelpforge/audio/implementation/kf_sound_decoder.h"

#include <cstdint>
#include <cstring>

#include "kelpforge/core/implementation/kf_file.h"

namespace Kelpforge::Audio::kfImplementation {

namespace {

constexpr const char* kNotASound = "not a WAV or Ogg Vorbis file";
constexpr const char* kDamagedWav = "a damaged WAV file";
constexpr const char* kUnsupportedWav = "a WAV file other than PCM with 8 or 16 bits and one or two channels";
constexpr const char* kUnreadable = "a file that cannot be read";

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The rest of the sub-format GUID of KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (1, 0).
constexpr unsigned char kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t Read16(const unsigned char* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

std::uint32_t Read32(const unsigned char* at) {
  return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
         (std::uint32_t{at[3]} << 24);
}

bool HasTag(const unsigned char* at, const char* tag) { return std::memcmp(at, tag, 4) == 0; }

struct WavFormat {
  std::uint32_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t bitsPerSample = 0;
};

// Null when the "fmt " chunk describes what we play; otherwise why not.
const char* ReadWavFormat(const unsigned char* chunk, std::uint32_t size, WavFormat& format) {
  if (size < 16) return kDamagedWav;
  const std::uint16_t tag = Read16(chunk);
  format.channels = Read16(chunk + 2);
  format.sampleRate = Read32(chunk + 4);
  const std::uint16_t blockAlign = Read16(chunk + 12);
  format.bitsPerSample = Read16(chunk + 14);
  bool pcm = tag == kFormatPcm;
  if (tag == kFormatExtensible && size >= 40) {
    pcm = Read16(chunk + 24) == kFormatPcm && std::memcmp(chunk + 26, kPcmGuidTail, sizeof kPcmGuidTail) == 0;
  }
  if (!pcm || format.channels < 1 || format.channels > 2 ||
      (format.bitsPerSample != 8 && format.bitsPerSample != 16)) {
    return kUnsupportedWav;
  }
  if (blockAlign != format.channels * format.bitsPerSample / 8 || format.sampleRate < kMinSourceRate ||
      format.sampleRate > kMaxSourceRate) {
    return kDamagedWav;
  }
  return nullptr;
}

}  // namespace

std::size_t ResampledFrameCount(std::size_t frameCount, std::uint32_t sampleRate) {
  if (sampleRate == 0) return 0;
  // No file we read comes near this; past it the count would overflow.
  if (frameCount > (std::uint64_t{1} << 40)) return SIZE_MAX;
  const std::uint64_t scaled = static_cast<std::uint64_t>(frameCount) * kMixerSampleRate;
  return static_cast<std::size_t>((scaled + sampleRate - 1) / sampleRate);
}

bool AppendInMixerFormat(const SourceSamples& source, std::size_t maxFrames, std::vector<std::int16_t>& output) {
  if (source.frameCount == 0) return true;
  const std::size_t frames = ResampledFrameCount(source.frameCount, source.sampleRate);
  const std::size_t alreadyThere = output.size() / kMixerChannels;
  if (frames > maxFrames || alreadyThere > maxFrames - frames) return false;
  const std::size_t channels = source.channels;
  const std::size_t last = source.frameCount - 1;
  auto sampleAt = [&](std::size_t frame, std::size_t channel) -> float {
    return source.samples[frame * channels + (channels == 1 ? 0 : channel)];
  };
  output.reserve(output.size() + frames * kMixerChannels);
  for (std::size_t j = 0; j < frames; ++j) {
    // The position j x rate / 48000 in whole frames and a fraction, kept exact in integers.
    const std::uint64_t scaled = static_cast<std::uint64_t>(j) * source.sampleRate;
    const std::size_t index = static_cast<std::size_t>(scaled / kMixerSampleRate);
    const float fraction = static_cast<float>(scaled % kMixerSampleRate) / static_cast<float>(kMixerSampleRate);
    const std::size_t from = index < last ? index : last;
    const std::size_t to = index + 1 < last ? index + 1 : last;
    for (std::size_t channel = 0; channel < kMixerChannels; ++channel) {
      const float a = sampleAt(from, channel);
      const float b = sampleAt(to, channel);
      const float value = a + (b - a) * fraction;
      // Between two 16-bit samples, so always inside the 16-bit range.
      output.push_back(static_cast<std::int16_t>(value < 0.0f ? value - 0.5f : value + 0.5f));
    }
  }
  return true;
}

DecodedSound DecodeWav(const unsigned char* bytes, std::size_t size, std::size_t maxFrames) {
  DecodedSound sound;
  if (bytes == nullptr || size < 12 || !HasTag(bytes, "RIFF") || !HasTag(bytes + 8, "WAVE")) {
    sound.failure = kNotASound;
    return sound;
  }
  const std::uint32_t riffSize = Read32(bytes + 4);
  if (riffSize < 4 || riffSize > size - 8) {
    sound.failure = kDamagedWav;
    return sound;
  }
  const std::size_t end = std::size_t{riffSize} + 8;
  WavFormat format;
  bool haveFormat = false;
  const unsigned char* data = nullptr;
  std::uint32_t dataSize = 0;
  std::size_t position = 12;
  while (end - position >= 8) {
    const unsigned char* header = bytes + position;
    const std::uint32_t chunkSize = Read32(header + 4);
    position += 8;
    if (chunkSize > end - position) {
      sound.failure = kDamagedWav;
      return sound;
    }
    if (HasTag(header, "fmt ") && !haveFormat) {
      sound.failure = ReadWavFormat(bytes + position, chunkSize, format);
      if (sound.failure != nullptr) return sound;
      haveFormat = true;
    } else if (HasTag(header, "data") && data == nullptr) {
      data = bytes + position;
      dataSize = chunkSize;
    }
    // Chunks are padded to an even size; a file may end without the last pad byte.
    position += chunkSize;
    if ((chunkSize & 1u) != 0 && position < end) ++position;
  }
  if (!haveFormat || data == nullptr) {
    sound.failure = kDamagedWav;
    return sound;
  }

  // A last frame cut short is left out.
  const std::size_t bytesPerFrame = format.channels * format.bitsPerSample / 8;
  const std::size_t frames = dataSize / bytesPerFrame;
  // Checked before the samples are widened, so a file past the limit costs no copy.
  if (ResampledFrameCount(frames, format.sampleRate) > maxFrames) {
    sound.failure = kTooLongFailure;
    return sound;
  }
  std::vector<std::int16_t> wide(frames * format.channels);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = format.bitsPerSample == 8 ? static_cast<std::int16_t>((data[i] - 128) * 256)
                                        : static_cast<std::int16_t>(Read16(data + 2 * i));
  }
  const SourceSamples source{wide.data(), frames, format.channels, format.sampleRate};
  if (!AppendInMixerFormat(source, maxFrames, sound.samples)) {
    sound.failure = kTooLongFailure;
  }
  return sound;
}

DecodedSound DecodeSound(const unsigned char* bytes, std::size_t size, std::size_t maxFrames) {
  if (bytes != nullptr && size >= 4 && HasTag(bytes, "OggS")) return DecodeOggVorbis(bytes, size, maxFrames);
  return DecodeWav(bytes, size, maxFrames);
}

DecodedSound DecodeSoundFile(const std::string& path) {
  const Core::FileContents file = Core::ReadRegularFile(path, Core::kMaxSoundFileBytes);
  if (!file.isRead) {
    DecodedSound unreadable;
    unreadable.failure = kUnreadable;
    return unreadable;
  }
  return DecodeSound(file.bytes.get(), file.size);
}

}  // namespace Kelpforge::Audio::kfImplementation
