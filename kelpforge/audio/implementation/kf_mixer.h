// The mixer: 16 voices summed into 48 kHz stereo 16-bit frames, each voice with its own volume
// and constant-power pan, the sum scaled by the master volume (zero when muted) and saturated to
// 16 bits. The game thread asks for sounds through a lock-free ring; the audio thread takes the
// requests at the start of each Mix. When every voice is busy, a new sound replaces the one that
// started first. Clips are not owned: they must outlive every voice that plays them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "kelpforge/audio/implementation/kf_audio_output.h"
#include "kelpforge/audio/implementation/kf_request_ring.h"

namespace Kelpforge::Audio::kfImplementation {

inline constexpr std::size_t kVoiceCount = 16;
inline constexpr std::size_t kRequestCapacity = 64;

// Samples in the mixer's format (left, right, interleaved, 48 kHz).
struct ClipView {
  const std::int16_t* samples = nullptr;
  std::size_t frameCount = 0;
};

struct PanGains {
  float left = 0.0f;
  float right = 0.0f;
};

// Constant-power pan: pan -1 is all left, 1 all right, 0 both at cos(pi/4) ~ 0.7071; values
// outside [-1, 1] are taken at the nearer end. Volume scales both, clamped to [0, 1].
PanGains PanLaw(float volume, float pan);

class Mixer final : public FrameSource {
public:
  // Game thread. False when the request ring is full, in which case the sound is not played.
  bool Play(ClipView clip, float volume, float pan);
  // Game thread; take effect from the next Mix. Volume is clamped to [0, 1].
  void SetMasterVolume(float volume);
  float MasterVolume() const { return masterVolume.load(std::memory_order_relaxed); }
  void SetMuted(bool muted) { this->muted.store(muted, std::memory_order_relaxed); }
  bool IsMuted() const { return muted.load(std::memory_order_relaxed); }

  // Audio thread.
  void Mix(std::int16_t* frames, std::size_t frameCount) override;

  // Voices still playing; read only while no Mix runs (tests, after the output stopped).
  std::size_t ActiveVoiceCount() const;
  // Silences every voice and drops pending requests; only while no Mix runs.
  void Reset();

private:
  struct Request {
    ClipView clip;
    PanGains gains;
  };
  struct Voice {
    ClipView clip;
    std::size_t position = 0;
    PanGains gains;
    std::uint64_t startOrder = 0;
    bool Active() const { return position < clip.frameCount; }
  };

  void StartRequestedVoices();

  RequestRing<Request, kRequestCapacity> requests;
  Voice voices[kVoiceCount];
  std::uint64_t nextStartOrder = 0;
  std::atomic<float> masterVolume{1.0f};
  std::atomic<bool> muted{false};
};

}  // namespace Kelpforge::Audio::kfImplementation
