// The mixer's two sides. Mix works through the output in chunks that fit a float accumulator on
// the stack, so it allocates nothing, takes no lock and calls nothing that may block or report.
#include "kelpforge/audio/implementation/kf_mixer.h"

#include <cmath>

namespace Kelpforge::Audio::kfImplementation {

namespace {

constexpr std::size_t kChunkFrames = 256;
constexpr float kQuarterPi = 0.785398163f;

// NaN counts as the low end.
float Clamp(float value, float low, float high) { return value > low ? (value < high ? value : high) : low; }

std::int16_t Saturate(float value) {
  const float clamped = Clamp(value, -32768.0f, 32767.0f);
  return static_cast<std::int16_t>(std::lrint(clamped));
}

}  // namespace

PanGains PanLaw(float volume, float pan) {
  const float gain = Clamp(volume, 0.0f, 1.0f);
  const float position = pan == pan ? Clamp(pan, -1.0f, 1.0f) : 0.0f;
  const float angle = (position + 1.0f) * kQuarterPi;
  // cos(pi/2) is not exactly 0 in floats; the far side of a hard pan is silent.
  const float left = position >= 1.0f ? 0.0f : std::cos(angle);
  const float right = position <= -1.0f ? 0.0f : std::sin(angle);
  return {gain * left, gain * right};
}

bool Mixer::Play(ClipView clip, float volume, float pan) {
  return requests.Push(Request{clip, PanLaw(volume, pan)});
}

void Mixer::SetMasterVolume(float volume) {
  masterVolume.store(Clamp(volume, 0.0f, 1.0f), std::memory_order_relaxed);
}

void Mixer::StartRequestedVoices() {
  Request request;
  while (requests.Pop(request)) {
    if (request.clip.samples == nullptr || request.clip.frameCount == 0) continue;
    Voice* chosen = nullptr;
    for (Voice& voice : voices) {
      if (!voice.Active()) {
        chosen = &voice;
        break;
      }
      if (chosen == nullptr || voice.startOrder < chosen->startOrder) chosen = &voice;
    }
    *chosen = Voice{request.clip, 0, request.gains, nextStartOrder++};
  }
}

void Mixer::Mix(std::int16_t* frames, std::size_t frameCount) {
  StartRequestedVoices();
  const float master = muted.load(std::memory_order_relaxed) ? 0.0f : masterVolume.load(std::memory_order_relaxed);
  float sum[kChunkFrames * 2];
  for (std::size_t done = 0; done < frameCount;) {
    const std::size_t chunk = frameCount - done < kChunkFrames ? frameCount - done : kChunkFrames;
    for (std::size_t i = 0; i < chunk * 2; ++i) sum[i] = 0.0f;
    for (Voice& voice : voices) {
      if (!voice.Active()) continue;
      const std::size_t left = voice.clip.frameCount - voice.position;
      const std::size_t count = left < chunk ? left : chunk;
      const std::int16_t* source = voice.clip.samples + voice.position * 2;
      for (std::size_t i = 0; i < count; ++i) {
        sum[2 * i] += static_cast<float>(source[2 * i]) * voice.gains.left;
        sum[2 * i + 1] += static_cast<float>(source[2 * i + 1]) * voice.gains.right;
      }
      voice.position += count;
    }
    std::int16_t* out = frames + done * 2;
    for (std::size_t i = 0; i < chunk * 2; ++i) out[i] = Saturate(sum[i] * master);
    done += chunk;
  }
}

std::size_t Mixer::ActiveVoiceCount() const {
  std::size_t count = 0;
  for (const Voice& voice : voices) count += voice.Active() ? 1 : 0;
  return count;
}

void Mixer::Reset() {
  Request ignored;
  while (requests.Pop(ignored)) {
  }
  for (Voice& voice : voices) voice = Voice{};
}

}  // namespace Kelpforge::Audio::kfImplementation
