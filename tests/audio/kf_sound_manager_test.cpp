// The sound table as a game uses it, over the scripted output: loading and playing by name,
// missing files and names, no audio device (one report, silence, the game goes on), and a
// PlaySound that allocates nothing.
#include "kelpforge/audio/kf_sound_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelpforge/audio/implementation/kf_sound_decoder.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/report_capture.h"

namespace {

namespace Audio = Kelpforge::Audio;
using Audio::kfImplementation::ScriptedAudioOutput;

const std::string kHitPath = std::string(KF_SOURCE_DIR) + "/data/paddle_hit.wav";

class SoundManagerTest : public testing::Test {
protected:
  void SetUp() override {
    Audio::kfImplementation::ResetAudioState();
    Audio::kfImplementation::SetAudioOutput(&output);
    testing::internal::CaptureStdout();
  }
  void TearDown() override {
    testing::internal::GetCapturedStdout();
    Audio::kfImplementation::ResetAudioState();
    Audio::kfImplementation::SetAudioOutput(nullptr);
  }

  static bool Silent(const std::vector<std::int16_t>& frames) {
    for (const std::int16_t sample : frames) {
      if (sample != 0) return false;
    }
    return true;
  }

  ScriptedAudioOutput output;
  KelpforgeTests::ReportCapture reports;
};

TEST_F(SoundManagerTest, PlaysALoadedSoundByNameWithItsPan) {
  EXPECT_TRUE(Audio::LoadSound("hit", kHitPath));
  Audio::PlaySound("hit", 1.0f, -1.0f);
  const std::vector<std::int16_t> clip = Audio::kfImplementation::DecodeSoundFile(kHitPath).samples;
  std::vector<std::int16_t> expected(clip.begin(), clip.begin() + 2000);
  for (std::size_t i = 1; i < expected.size(); i += 2) expected[i] = 0;
  EXPECT_EQ(output.Pull(1000), expected);
  // Loading the name again replaces the clip; the output started by the first load stays.
  EXPECT_TRUE(Audio::LoadSound("hit", kHitPath));
  EXPECT_EQ(output.startCount, 1);
  EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SoundManagerTest, AMissingFileIsReportedAndItsNamePlaysSilence) {
  EXPECT_FALSE(Audio::LoadSound("gone", "data/no_such_sound.wav"));
  EXPECT_FALSE(Audio::LoadSound("directory", KF_SOURCE_DIR));
  Audio::PlaySound("gone");
  Audio::PlaySound("never_loaded");
  EXPECT_TRUE(Silent(output.Pull(480)));
  EXPECT_EQ(reports.messages,
            (std::vector<std::string>{"Was unable to load sound: data/no_such_sound.wav (a file that cannot be read)\n",
                                      "Was unable to load sound: " KF_SOURCE_DIR " (a file that cannot be read)\n",
                                      "Sound with name never_loaded does not exist."}));
}

TEST_F(SoundManagerTest, WithoutADeviceItReportsOnceAndEverySoundIsSilent) {
  output.failToStart = true;
  EXPECT_TRUE(Audio::LoadSound("hit", kHitPath));
  EXPECT_TRUE(Audio::LoadSound("hit_again", kHitPath));
  Audio::PlaySound("hit");
  Audio::SetMuted(true);
  EXPECT_EQ(output.startCount, 1);
  EXPECT_FALSE(output.Running());
  EXPECT_EQ(reports.messages, (std::vector<std::string>{
                                  "kfError: No audio device: the scripted output was told to have none. "
                                  "Sounds are silent."}));
}

TEST_F(SoundManagerTest, PlayingByNameAllocatesNothing) {
  Audio::LoadSound("a_name_longer_than_any_short_string_buffer", kHitPath);
  KelpforgeTests::AllocationCounter allocations;
  for (int i = 0; i < 10; ++i) Audio::PlaySound("a_name_longer_than_any_short_string_buffer", 0.5f, 0.5f);
  EXPECT_EQ(allocations.Count(), 0u);
  EXPECT_FALSE(Silent(output.Pull(16)));
}

}  // namespace
