// The cost of sound: mixing 16 busy voices for 10 ms of audio (480 frames), and the share of one
// core the game's audio takes while it plays: the native output (OpenAL Soft, here writing to a
// file through its wave driver, which stands for a device) streaming the court's sounds at a rally's
// busiest pace, with everything else idle. That share is the process's CPU time (every thread:
// ours, OpenAL Soft's mixer and its writer) over the wall time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "kelpforge/audio/implementation/kf_mixer.h"
#include "kelpforge/audio/implementation/kf_sound_decoder.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/core/kf_error.h"
#include "rally_court/rally_court_scene.h"

namespace {

using namespace Kelpforge::Audio::kfImplementation;

void BM_MixSixteenVoicesFor10Milliseconds(benchmark::State& state) {
  const DecodedSound win = DecodeSoundFile(std::string(KF_SOURCE_DIR) + "/data/win.wav");
  const ClipView clip{win.samples.data(), win.FrameCount()};
  Mixer mixer;
  std::vector<std::int16_t> frames(480 * 2);
  for (auto _ : state) {
    // Voices that have ended are started again, so all 16 are always busy.
    for (std::size_t voice = mixer.ActiveVoiceCount(); voice < kVoiceCount; ++voice) {
      mixer.Play(clip, 0.8f, static_cast<float>(voice) / kVoiceCount * 2.0f - 1.0f);
    }
    mixer.Mix(frames.data(), 480);
    benchmark::DoNotOptimize(frames.data());
  }
}
BENCHMARK(BM_MixSixteenVoicesFor10Milliseconds)->Unit(benchmark::kMicrosecond);

double ProcessCpuSeconds() {
#ifdef _WIN32
  return 0.0;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

void BM_GameAudioShareOfOneCore(benchmark::State& state) {
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "kelpforge_audio_benchmark";
  std::filesystem::create_directories(work);
  std::ofstream(work / "alsoft.conf") << "[general]\ndrivers=wave\nfrequency=48000\nsample-type=int16\n[wave]\nfile="
                                      << (work / "sound.wav").string() << "\n";
  setenv("ALSOFT_CONF", (work / "alsoft.conf").c_str(), 1);
  std::filesystem::current_path(KF_SOURCE_DIR);

  struct FirstReport final : Kelpforge::Core::Error::ErrorHandlerInterface {
    void OnErrorFired(const std::string& text) override {
      if (message.empty()) message = text;
    }
    std::string message;
  } reports;
  Kelpforge::Core::Error::AddErrorHandler(&reports);
  RallyCourt::LoadCourtSounds();
  Kelpforge::Core::Error::RemoveErrorHandler(&reports);
  if (!reports.message.empty()) {
    state.SkipWithError(reports.message.c_str());
    return;
  }

  // A sound every 100 ms, each of the four in turn: busier than any rally.
  const char* sounds[] = {RallyCourt::kPaddleHitSound, RallyCourt::kWallBounceSound, RallyCourt::kPointSound,
                          RallyCourt::kWinSound};
  constexpr int kSeconds = 5;
  for (auto _ : state) {
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    for (int i = 0; i < kSeconds * 10; ++i) {
      Kelpforge::Audio::PlaySound(sounds[i % 4], 1.0f, 0.0f);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    state.counters["core_share_percent"] = 100.0 * (ProcessCpuSeconds() - cpuBefore) / wall;
  }
  ResetAudioState();
  std::filesystem::remove_all(work);
}
BENCHMARK(BM_GameAudioShareOfOneCore)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
