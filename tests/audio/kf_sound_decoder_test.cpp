// Sound files into clips: every kind of PCM WAV the reader takes, chunks that do not fit the
// file, linear resampling at exact points, the length limit, Ogg Vorbis through stb_vorbis, and
// the files the Ogg Vorbis guard refuses before stb_vorbis sees them.
#include "kelpforge/audio/implementation/kf_sound_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace Kelpforge::Audio::kfImplementation;
using Bytes = std::vector<unsigned char>;

void Put(Bytes& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

Bytes Chunk(const char* tag, const Bytes& body) {
  Bytes bytes(tag, tag + 4);
  Put(bytes, static_cast<std::uint32_t>(body.size()), 4);
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (body.size() % 2 != 0) bytes.push_back(0);
  return bytes;
}

Bytes Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  Bytes format;
  for (const auto& [value, size] : {std::pair<std::uint32_t, int>{tag, 2}, {channels, 2}, {rate, 4},
                                    {rate * channels * bits / 8, 4}, {channels * bits / 8, 2}, {bits, 2}}) {
    Put(format, value, size);
  }
  return format;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes& chunk : chunks) body.insert(body.end(), chunk.begin(), chunk.end());
  return Chunk("RIFF", body);
}

Bytes Samples16(const std::vector<std::int16_t>& samples) {
  Bytes bytes;
  for (const std::int16_t sample : samples) Put(bytes, static_cast<std::uint16_t>(sample), 2);
  return bytes;
}

Bytes Wav16(std::uint16_t channels, std::uint32_t rate, const std::vector<std::int16_t>& samples) {
  return Riff({Chunk("fmt ", Format(1, channels, rate, 16)), Chunk("data", Samples16(samples))});
}

DecodedSound Decode(const Bytes& bytes, std::size_t maxFrames = kMaxClipFrames) {
  return DecodeSound(bytes.data(), bytes.size(), maxFrames);
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

TEST(SoundDecoderTest, ReadsEachKindOfPcmWav) {
  const DecodedSound mono16 = Decode(Wav16(1, 48000, {100, -200, 32767}));
  EXPECT_EQ(mono16.failure, nullptr);
  EXPECT_EQ(mono16.samples, (std::vector<std::int16_t>{100, 100, -200, -200, 32767, 32767}));

  const DecodedSound stereo16 = Decode(Wav16(2, 48000, {1, -1, -32768, 5}));
  EXPECT_EQ(stereo16.samples, (std::vector<std::int16_t>{1, -1, -32768, 5}));

  // Unsigned 8-bit samples around 128, widened to 16 bits.
  const DecodedSound stereo8 = Decode(Riff({Chunk("fmt ", Format(1, 2, 48000, 8)), Chunk("data", {0, 255, 128, 129})}));
  EXPECT_EQ(stereo8.samples, (std::vector<std::int16_t>{-32768, 32512, 0, 256}));

  // WAVE_FORMAT_EXTENSIBLE with the PCM sub-format, an odd-sized chunk and its pad byte before
  // the data, and a last frame cut short, which is left out.
  Bytes extensible = Format(0xFFFE, 1, 48000, 16);
  Put(extensible, 22, 2);
  Put(extensible, 16, 2);
  Put(extensible, 4, 4);
  const Bytes pcmGuid = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  extensible.insert(extensible.end(), pcmGuid.begin(), pcmGuid.end());
  Bytes data = Samples16({7, 8});
  data.push_back(9);
  const DecodedSound odd = Decode(Riff({Chunk("fmt ", extensible), Chunk("LIST", {1, 2, 3}), Chunk("data", data)}));
  EXPECT_EQ(odd.failure, nullptr);
  EXPECT_EQ(odd.samples, (std::vector<std::int16_t>{7, 7, 8, 8}));
}

TEST(SoundDecoderTest, RefusesChunksThatReachPastTheFileAndFormatsItDoesNotPlay) {
  const Bytes good = Wav16(1, 48000, {1, 2, 3, 4});
  Bytes dataTooLong = good;
  dataTooLong[40] = 10;  // the data chunk says 10 bytes; 8 are there
  Bytes riffTooLong = good;
  riffTooLong[4] = 200;
  Bytes hugeChunk = good;
  for (int i = 40; i < 44; ++i) hugeChunk[i] = 0xFF;
  Bytes truncated(good.begin(), good.end() - 1);
  const Bytes noData = Riff({Chunk("fmt ", Format(1, 1, 48000, 16))});
  const Bytes noFormat = Riff({Chunk("data", Samples16({1}))});
  const Bytes shortFormat = Riff({Chunk("fmt ", {1, 0, 1, 0}), Chunk("data", Samples16({1}))});
  const Bytes rateZero = Riff({Chunk("fmt ", Format(1, 1, 0, 16)), Chunk("data", Samples16({1}))});
  for (const Bytes& damaged : {dataTooLong, riffTooLong, hugeChunk, truncated, noData, noFormat, shortFormat, rateZero}) {
    const DecodedSound sound = Decode(damaged);
    EXPECT_STREQ(sound.failure, "a damaged WAV file");
    EXPECT_TRUE(sound.samples.empty());
  }
  const Bytes floats = Riff({Chunk("fmt ", Format(3, 1, 48000, 32)), Chunk("data", Samples16({1, 2}))});
  const Bytes bits24 = Riff({Chunk("fmt ", Format(1, 1, 48000, 24)), Chunk("data", {1, 2, 3})});
  const Bytes channels3 = Riff({Chunk("fmt ", Format(1, 3, 48000, 16)), Chunk("data", Samples16({1, 2, 3}))});
  for (const Bytes& unsupported : {floats, bits24, channels3}) {
    EXPECT_STREQ(Decode(unsupported).failure,
                 "a WAV file other than PCM with 8 or 16 bits and one or two channels");
  }
  for (const Bytes& other : {Bytes{}, Bytes{'R', 'I', 'F', 'F'}, Bytes(64, 0)}) {
    EXPECT_STREQ(Decode(other).failure, "not a WAV or Ogg Vorbis file");
  }
}

TEST(SoundDecoderTest, ResamplesLinearlyToFortyEightKilohertzWithinTheLengthLimit) {
  // 24 kHz: every other frame lies half way between two source frames; past the last, the last.
  EXPECT_EQ(Decode(Wav16(1, 24000, {0, 1000, 2000})).samples,
            (std::vector<std::int16_t>{0, 0, 500, 500, 1000, 1000, 1500, 1500, 2000, 2000, 2000, 2000}));
  EXPECT_EQ(Decode(Wav16(1, 96000, {0, 1000, 2000, 3000, -4000})).samples,
            (std::vector<std::int16_t>{0, 0, 2000, 2000, -4000, -4000}));
  // A second at 44.1 kHz is a second at 48 kHz; a frame more rounds the length up.
  EXPECT_EQ(Decode(Wav16(1, 44100, std::vector<std::int16_t>(44100, 3))).FrameCount(), 48000u);
  EXPECT_EQ(Decode(Wav16(1, 44100, std::vector<std::int16_t>(44101, 3))).FrameCount(), 48002u);

  EXPECT_EQ(Decode(Wav16(1, 24000, {1, 2, 3}), 6).FrameCount(), 6u);
  const DecodedSound tooLong = Decode(Wav16(1, 24000, {1, 2, 3}), 5);
  EXPECT_STREQ(tooLong.failure, "longer than the 600 seconds a sound may last");
  EXPECT_TRUE(tooLong.samples.empty());
}

TEST(SoundDecoderTest, DecodesOggVorbisAtItsLengthAndRefusesWhatStbVorbisMishandles) {
  const std::filesystem::path corpus = std::filesystem::path(KF_SOURCE_DIR) / "fuzz/corpus/ogg_vorbis_sound_fuzzer";
  // Encoded from 1200 frames at 48 kHz and from 826 frames at 44.1 kHz (900 at 48 kHz).
  const DecodedSound mono = Decode(ReadFile(corpus / "mono_48000.ogg"));
  EXPECT_EQ(mono.failure, nullptr);
  EXPECT_EQ(mono.FrameCount(), 1200u);
  const DecodedSound stereo = Decode(ReadFile(corpus / "stereo_44100_comments.ogg"));
  EXPECT_EQ(stereo.failure, nullptr);
  EXPECT_EQ(stereo.FrameCount(), 900u);
  int loudest = 0;
  for (std::size_t i = 0; i < mono.samples.size(); i += 2) {
    EXPECT_EQ(mono.samples[i], mono.samples[i + 1]);
    loudest = std::max(loudest, std::abs(static_cast<int>(mono.samples[i])));
  }
  EXPECT_GT(loudest, 8000);  // the paddle hit peaks near 15000

  // Kept from the fuzzer: a codebook whose value table stb_vorbis would size past INT_MAX, and
  // a 31-bit codeword in a codebook small enough for stb_vorbis's overflowing linear search.
  for (const char* name : {"lookup1_power_past_int.ogg", "codeword_31_bits_in_small_codebook.ogg"}) {
    EXPECT_STREQ(Decode(ReadFile(corpus / name)).failure, "an Ogg Vorbis file that is damaged or not safe to decode")
        << name;
  }
  Bytes cut = ReadFile(corpus / "mono_48000.ogg");
  cut.resize(200);  // inside the header packets
  EXPECT_STREQ(Decode(cut).failure, "an Ogg Vorbis file that is damaged or not safe to decode");
}

}  // namespace
