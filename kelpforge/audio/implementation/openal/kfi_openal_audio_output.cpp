// The OpenAL Soft audio output (Linux). Implements the AudioOutput seam with one streamed source:
// a thread of ours keeps kBufferCount buffers of 10 ms queued, refilling each one the source has
// played with frames from the mixer, and restarts the source after an underrun. OpenAL Soft
// reaches PipeWire, PulseAudio or ALSA, whichever the machine has. Not implemented: following a
// device that goes away while the game runs (the sound stops; the game goes on).
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "kelpforge/audio/implementation/kf_audio_output.h"

namespace Kelpforge::Audio::kfImplementation {

namespace {

constexpr ALCint kSampleRate = 48000;
constexpr std::size_t kBufferFrames = 480;
constexpr ALsizei kBufferCount = 6;
// One buffer's time: a request starts in the next buffer filled, so this is the grain of a
// sound's start. The queue still holds five buffers when the thread wakes, so it may wake 50 ms
// late without a gap. Each wake costs more than mixing a buffer (OpenAL has no completion callback
// to wait for), so the thread wakes no more often than this.
constexpr std::chrono::milliseconds kPollInterval{10};

struct DeviceCloser {
  void operator()(ALCdevice* device) const { alcCloseDevice(device); }
};
struct ContextDestroyer {
  void operator()(ALCcontext* context) const {
    if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
  }
};

class OpenAlOutput final : public AudioOutput {
public:
  bool Start(FrameSource& frameSource, std::string& failure) override {
    Stop();
    device.reset(alcOpenDevice(nullptr));
    if (!device) {
      failure = "OpenAL found no device to open.";
      return false;
    }
    const ALCint attributes[] = {ALC_FREQUENCY, kSampleRate, 0};
    context.reset(alcCreateContext(device.get(), attributes));
    if (!context || alcMakeContextCurrent(context.get()) != ALC_TRUE) {
      failure = "OpenAL could not make a context on its device.";
      Release();
      return false;
    }
    alGetError();
    alGenSources(1, &streamSource);
    alGenBuffers(kBufferCount, buffers.data());
    if (alGetError() != AL_NO_ERROR) {
      failure = "OpenAL could not make a source and its buffers.";
      Release();
      return false;
    }
    // Our frames are already mixed and panned: with direct channels OpenAL Soft passes them to
    // the device as they are, instead of spreading each channel again (which also costs time).
    if (alIsExtensionPresent("AL_SOFT_direct_channels")) {
      alSourcei(streamSource, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    }
    source = &frameSource;
    stopping.store(false);
    thread = std::thread([this] { Stream(); });
    return true;
  }

  void Stop() override {
    if (thread.joinable()) {
      stopping.store(true);
      thread.join();
    }
    Release();
  }

  ~OpenAlOutput() override { Stop(); }

private:
  void Refill(ALuint buffer) {
    source->Mix(block.data(), kBufferFrames);
    alBufferData(buffer, AL_FORMAT_STEREO16, block.data(), static_cast<ALsizei>(block.size() * sizeof block[0]),
                 kSampleRate);
    alSourceQueueBuffers(streamSource, 1, &buffer);
  }

  // The mixer is called from this thread only, the first buffers included.
  void Stream() {
    for (const ALuint buffer : buffers) Refill(buffer);
    alSourcePlay(streamSource);
    while (!stopping.load()) {
      ALint processed = 0;
      alGetSourcei(streamSource, AL_BUFFERS_PROCESSED, &processed);
      for (; processed > 0; --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(streamSource, 1, &buffer);
        Refill(buffer);
      }
      // The source stops when every queued buffer has played (the thread was late).
      ALint state = AL_PLAYING;
      alGetSourcei(streamSource, AL_SOURCE_STATE, &state);
      if (state != AL_PLAYING) alSourcePlay(streamSource);
      std::this_thread::sleep_for(kPollInterval);
    }
  }

  void Release() {
    if (context) {
      if (streamSource != 0) {
        alSourceStop(streamSource);
        alSourcei(streamSource, AL_BUFFER, 0);
        alDeleteSources(1, &streamSource);
        alDeleteBuffers(kBufferCount, buffers.data());
      }
      streamSource = 0;
      buffers = {};
    }
    context.reset();
    device.reset();
    source = nullptr;
  }

  std::unique_ptr<ALCdevice, DeviceCloser> device;
  std::unique_ptr<ALCcontext, ContextDestroyer> context;
  ALuint streamSource = 0;
  std::array<ALuint, kBufferCount> buffers{};
  std::array<std::int16_t, kBufferFrames * 2> block{};
  FrameSource* source = nullptr;
  std::atomic<bool> stopping{false};
  std::thread thread;
};

}  // namespace

std::unique_ptr<AudioOutput> CreateNativeAudioOutput() { return std::make_unique<OpenAlOutput>(); }

}  // namespace Kelpforge::Audio::kfImplementation
