// The sound table's seams for tests and tools: an observer of every PlaySound, the output the
// table starts, the mixer, and a reset to the start state.
#pragma once

#include <string_view>

#include "kelpforge/audio/kf_sound_manager.h"

namespace Kelpforge::Audio::kfImplementation {

class AudioOutput;
class Mixer;

// Told of every PlaySound, before the name is looked up (tests record what a game plays).
class SoundObserver {
public:
  virtual ~SoundObserver() = default;
  virtual void OnPlaySound(std::string_view name, float volume, float pan) = 0;
};
void SetSoundObserver(SoundObserver* observer);

// The output the next start uses: the native one unless a test installed another (null: back to
// the native one).
void SetAudioOutput(AudioOutput* output);
// The mixer every sound goes through.
Mixer& TheMixer();
// Stops the output and empties the table, so the next LoadSound starts an output again (tests
// run many games in one process). Master volume 1, not muted.
void ResetAudioState();

}  // namespace Kelpforge::Audio::kfImplementation
