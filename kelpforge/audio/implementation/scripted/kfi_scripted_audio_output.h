// The scripted audio output: no device and no thread. Tests pull frames when they choose, so the
// mixer runs exactly as a device would drive it, frame for frame; a test may also make the start
// fail, as it does on a machine without a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kelpforge/audio/implementation/kf_audio_output.h"

namespace Kelpforge::Audio::kfImplementation {

class ScriptedAudioOutput final : public AudioOutput {
public:
  bool Start(FrameSource& source, std::string& failure) override;
  void Stop() override;

  // Mixes `frameCount` frames and gives them, left and right interleaved; none when not started.
  std::vector<std::int16_t> Pull(std::size_t frameCount);

  // When set, Start fails as it does without a device.
  bool failToStart = false;
  int startCount = 0;
  bool Running() const { return source != nullptr; }

private:
  FrameSource* source = nullptr;
};

}  // namespace Kelpforge::Audio::kfImplementation
