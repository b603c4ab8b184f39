#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"

namespace Kelpforge::Audio::kfImplementation {

bool ScriptedAudioOutput::Start(FrameSource& frameSource, std::string& failure) {
  ++startCount;
  if (failToStart) {
    failure = "the scripted output was told to have none.";
    return false;
  }
  source = &frameSource;
  return true;
}

void ScriptedAudioOutput::Stop() {
  source = nullptr;
}

std::vector<std::int16_t> ScriptedAudioOutput::Pull(std::size_t frameCount) {
  if (source == nullptr) return {};
  std::vector<std::int16_t> frames(frameCount * 2);
  source->Mix(frames.data(), frameCount);
  return frames;
}

}  // namespace Kelpforge::Audio::kfImplementation
