// The waveOut audio output (Windows, winmm). Implements the AudioOutput seam with kBufferCount
// buffers of 20 ms queued on the default device: a thread of ours waits on the device's event,
// refills every buffer the device has finished with frames from the mixer and queues it again.
// Without a device (no sound driver, as under Wine without one) waveOutOpen fails and Start says
// so. Not implemented: following a device that goes away while the game runs.
#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <thread>

#include "kelpforge/audio/implementation/kf_audio_output.h"

namespace Kelpforge::Audio::kfImplementation {

namespace {

constexpr DWORD kSampleRate = 48000;
constexpr std::size_t kBufferFrames = 960;
constexpr std::size_t kBufferCount = 4;
// The thread also wakes without a signal, so a stop is never missed.
constexpr DWORD kWaitMilliseconds = 50;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

class WaveOutOutput final : public AudioOutput {
public:
  bool Start(FrameSource& frameSource, std::string& failure) override {
    Stop();
    bufferDone.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kSampleRate * 4;
    const MMRESULT opened = waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(bufferDone.get()), 0,
                                        CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR) {
      char text[96];
      std::snprintf(text, sizeof text, "waveOut could not open a device (error %u).", static_cast<unsigned>(opened));
      failure = text;
      device = nullptr;
      bufferDone.reset();
      return false;
    }
    source = &frameSource;
    for (std::size_t i = 0; i < kBufferCount; ++i) {
      headers[i] = WAVEHDR{};
      headers[i].lpData = reinterpret_cast<LPSTR>(blocks[i].data());
      headers[i].dwBufferLength = static_cast<DWORD>(blocks[i].size() * sizeof(std::int16_t));
      waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
    }
    stopping.store(false);
    thread = std::thread([this] { Stream(); });
    return true;
  }

  void Stop() override {
    if (thread.joinable()) {
      stopping.store(true);
      SetEvent(bufferDone.get());
      thread.join();
    }
    if (device != nullptr) {
      // Reset hands every queued buffer back, so each can be unprepared.
      waveOutReset(device);
      for (WAVEHDR& header : headers) waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
      waveOutClose(device);
      device = nullptr;
    }
    bufferDone.reset();
    source = nullptr;
  }

  ~WaveOutOutput() override { Stop(); }

private:
  void Refill(std::size_t index) {
    source->Mix(blocks[index].data(), kBufferFrames);
    waveOutWrite(device, &headers[index], sizeof(WAVEHDR));
  }

  // The mixer is called from this thread only, the first buffers included.
  void Stream() {
    for (std::size_t i = 0; i < kBufferCount; ++i) Refill(i);
    while (!stopping.load()) {
      WaitForSingleObject(bufferDone.get(), kWaitMilliseconds);
      for (std::size_t i = 0; i < kBufferCount && !stopping.load(); ++i) {
        if ((headers[i].dwFlags & WHDR_DONE) != 0) Refill(i);
      }
    }
  }

  HWAVEOUT device = nullptr;
  std::unique_ptr<void, HandleCloser> bufferDone;
  std::array<WAVEHDR, kBufferCount> headers{};
  std::array<std::array<std::int16_t, kBufferFrames * 2>, kBufferCount> blocks{};
  FrameSource* source = nullptr;
  std::atomic<bool> stopping{false};
  std::thread thread;
};

}  // namespace

std::unique_ptr<AudioOutput> CreateNativeAudioOutput() { return std::make_unique<WaveOutOutput>(); }

}  // namespace Kelpforge::Audio::kfImplementation
