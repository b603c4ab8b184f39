// The sound table and the one audio state of the process: the mixer, the clips, the names and
// the output. The state is created on first use and destroyed at exit, stopping the output (and
// its thread) before the clips its voices read are released.
#include "kelpforge/audio/kf_sound_manager.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "kelpforge/audio/implementation/kf_audio_output.h"
#include "kelpforge/audio/implementation/kf_mixer.h"
#include "kelpforge/audio/implementation/kf_sound_decoder.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Audio {

namespace kfImplementation {

namespace {

struct AudioState {
  ~AudioState() { StopOutput(); }

  void StopOutput() {
    if (output != nullptr) output->Stop();
    output = nullptr;
  }

  Mixer mixer;
  // Declared after the mixer, so it is gone (its thread ended) before the mixer goes.
  std::unique_ptr<AudioOutput> nativeOutput;
  // Clips are kept until exit, also after their name has been loaded again: a voice may still be
  // reading one.
  std::vector<std::unique_ptr<const std::vector<std::int16_t>>> clips;
  std::map<std::string, ClipView, std::less<>> names;
  AudioOutput* installedOutput = nullptr;
  AudioOutput* output = nullptr;  // the started output; null before the start and without a device
  bool startTried = false;
  SoundObserver* observer = nullptr;
};

AudioState& TheAudioState() {
  static AudioState state;
  return state;
}

void StartOutputOnce(AudioState& state) {
  if (state.startTried) return;
  state.startTried = true;
  if (state.installedOutput == nullptr && !state.nativeOutput) state.nativeOutput = CreateNativeAudioOutput();
  AudioOutput& output = state.installedOutput != nullptr ? *state.installedOutput : *state.nativeOutput;
  std::string failure;
  const bool started = output.Start(state.mixer, failure);
  KF_REPORT_ERROR_IF(!started, "kfError: No audio device: %s Sounds are silent.", failure.c_str());
  if (started) state.output = &output;
}

}  // namespace

void SetSoundObserver(SoundObserver* observer) { TheAudioState().observer = observer; }

void SetAudioOutput(AudioOutput* output) { TheAudioState().installedOutput = output; }

Mixer& TheMixer() { return TheAudioState().mixer; }

void ResetAudioState() {
  AudioState& state = TheAudioState();
  state.StopOutput();
  state.startTried = false;
  state.mixer.Reset();
  state.mixer.SetMasterVolume(1.0f);
  state.mixer.SetMuted(false);
  state.names.clear();
  state.clips.clear();
}

}  // namespace kfImplementation

using namespace kfImplementation;

bool LoadSound(const std::string& name, const std::string& path) {
  AudioState& state = TheAudioState();
  StartOutputOnce(state);
  DecodedSound sound = DecodeSoundFile(path);
  KF_REPORT_ERROR_IF(sound.failure != nullptr, "Was unable to load sound: %s (%s)\n", path.c_str(),
                     sound.failure);
  auto clip = std::make_unique<const std::vector<std::int16_t>>(std::move(sound.samples));
  const ClipView view{clip->data(), clip->size() / kMixerChannels};
  state.clips.push_back(std::move(clip));
  state.names.insert_or_assign(name, view);
  return sound.failure == nullptr;
}

void PlaySound(std::string_view name, float volume, float pan) {
  AudioState& state = TheAudioState();
  if (state.observer != nullptr) state.observer->OnPlaySound(name, volume, pan);
  const auto found = state.names.find(name);
  KF_REPORT_ERROR_IF(found == state.names.end(), "Sound with name %.*s does not exist.",
                     static_cast<int>(name.size()), name.data());
  // Without an output nothing would take the request.
  if (found == state.names.end() || state.output == nullptr) return;
  state.mixer.Play(found->second, volume, pan);
}

void SetMasterVolume(float volume) { TheAudioState().mixer.SetMasterVolume(volume); }

float MasterVolume() { return TheAudioState().mixer.MasterVolume(); }

void SetMuted(bool muted) { TheAudioState().mixer.SetMuted(muted); }

bool IsMuted() { return TheAudioState().mixer.IsMuted(); }

}  // namespace Kelpforge::Audio
