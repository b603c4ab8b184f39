// The seam between the mixer and an audio device, as kf_window_system.h is for windows. An output
// pulls frames from a FrameSource on its own schedule: OpenAL Soft on Linux, waveOut on Windows,
// the scripted sink in tests. Contract for an output:
// - Start opens the device and begins pulling; when there is no device it returns false with a
//   sentence saying why, and must neither hang nor crash. It reports nothing itself.
// - FrameSource::Mix is called from the output's own thread only (for the scripted sink, from the
//   thread that pulls), never concurrently with itself; the output never locks around it.
// - Stop ends the pulling before it returns; after it the source is not called again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Kelpforge::Audio::kfImplementation {

class FrameSource {
public:
  virtual ~FrameSource() = default;
  // Fills `frameCount` stereo frames (left, right, interleaved) at 48 kHz. Never allocates, never
  // blocks and never reports.
  virtual void Mix(std::int16_t* frames, std::size_t frameCount) = 0;
};

class AudioOutput {
public:
  virtual ~AudioOutput() = default;
  virtual bool Start(FrameSource& source, std::string& failure) = 0;
  virtual void Stop() = 0;
};

// A new output of the platform's own kind, defined by the one backend the build picks.
std::unique_ptr<AudioOutput> CreateNativeAudioOutput();

}  // namespace Kelpforge::Audio::kfImplementation
