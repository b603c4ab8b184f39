// Writes Rally Court's sounds, synthesized: "paddle_hit.wav", "wall_bounce.wav", "point.wav" and
// "win.wav" in the given directory, each 16-bit mono PCM at 48 kHz. The same program writes the
// same bytes: no clock and no seed, the noise comes from a fixed generator.
// Usage: make_sounds <output directory>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/byte_file.h"

namespace {

using KelpforgeTools::PutLittleEndian;

constexpr int kRate = 48000;
constexpr double kTwoPi = 6.283185307179586;

struct Tone {
  double frequency;
  double amplitude;
};

// A struck note: a 1.5 ms rise, then an exponential fall with the given time constant.
void AddNote(std::vector<double>& signal, double start, double length, double decay, const std::vector<Tone>& tones) {
  const int first = static_cast<int>(start * kRate);
  const int count = static_cast<int>(length * kRate);
  for (int i = 0; i < count && first + i < static_cast<int>(signal.size()); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double rise = t < 0.0015 ? t / 0.0015 : 1.0;
    // The last 5 ms fade out, so the note ends without a click.
    const double fall = std::fmin(1.0, (length - t) / 0.005);
    double value = 0.0;
    for (const Tone& tone : tones) value += tone.amplitude * std::sin(kTwoPi * tone.frequency * t);
    signal[static_cast<std::size_t>(first + i)] += value * rise * fall * std::exp(-t / decay);
  }
}

// A short burst of noise at the start: the click of the ball on the paddle.
void AddClick(std::vector<double>& signal, double length, double amplitude) {
  std::uint32_t state = 1;
  const int count = static_cast<int>(length * kRate);
  for (int i = 0; i < count; ++i) {
    state = state * 214013u + 2531011u;
    const double noise = static_cast<double>((state >> 16) & 0x7FFF) / 16383.5 - 1.0;
    signal[static_cast<std::size_t>(i)] += amplitude * noise * (1.0 - static_cast<double>(i) / count);
  }
}

bool WriteWav(const std::string& path, const std::vector<double>& signal) {
  std::vector<unsigned char> bytes;
  const auto dataSize = static_cast<std::uint32_t>(signal.size() * 2);
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  PutLittleEndian(bytes, 36 + dataSize, 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLittleEndian(bytes, 16, 4);
  PutLittleEndian(bytes, 1, 2);  // PCM
  PutLittleEndian(bytes, 1, 2);  // mono
  PutLittleEndian(bytes, kRate, 4);
  PutLittleEndian(bytes, kRate * 2, 4);
  PutLittleEndian(bytes, 2, 2);
  PutLittleEndian(bytes, 16, 2);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  PutLittleEndian(bytes, dataSize, 4);
  for (const double value : signal) {
    const double clamped = std::fmax(-1.0, std::fmin(1.0, value));
    PutLittleEndian(bytes, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(clamped * 32767.0))), 2);
  }
  return KelpforgeTools::WriteBytes(path, bytes);
}

std::vector<double> Silence(double seconds) { return std::vector<double>(static_cast<std::size_t>(seconds * kRate)); }

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = KelpforgeTools::OutputDirectory(argc, argv);
  if (directory.empty()) return 2;

  std::vector<double> paddleHit = Silence(0.08);
  AddNote(paddleHit, 0.0, 0.08, 0.018, {{880.0, 0.45}, {1760.0, 0.2}, {2640.0, 0.08}});
  AddClick(paddleHit, 0.004, 0.25);

  std::vector<double> wallBounce = Silence(0.06);
  AddNote(wallBounce, 0.0, 0.06, 0.015, {{440.0, 0.35}, {880.0, 0.12}});

  std::vector<double> point = Silence(0.3);
  AddNote(point, 0.0, 0.15, 0.08, {{659.26, 0.35}, {1318.5, 0.1}});
  AddNote(point, 0.15, 0.15, 0.08, {{987.77, 0.35}, {1975.5, 0.1}});

  // C, E, G and the C above, rising.
  std::vector<double> win = Silence(0.72);
  const double notes[] = {523.25, 659.26, 783.99, 1046.5};
  for (int i = 0; i < 4; ++i) {
    AddNote(win, 0.18 * i, 0.18, 0.1, {{notes[i], 0.3}, {notes[i] * 2, 0.1}, {notes[i] * 3, 0.05}});
  }

  const bool written = WriteWav(directory + "/paddle_hit.wav", paddleHit) &&
                       WriteWav(directory + "/wall_bounce.wav", wallBounce) &&
                       WriteWav(directory + "/point.wav", point) && WriteWav(directory + "/win.wav", win);
  if (!written) {
    std::fprintf(stderr, "cannot write the sounds into %s\n", directory.c_str());
    return 1;
  }
  return 0;
}
