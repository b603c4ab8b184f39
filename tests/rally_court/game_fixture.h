// Shared set-up for the game's rule tests: runs from the repository root (the game reads data/
// relative to the working directory), loads the prototype sheet and the court's sounds (over the
// scripted audio output, which nobody pulls) once and restarts the game's random generator, so
// every test deals the same serves.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"
#include "rally_court/random.h"

namespace KelpforgeTests {

class GameRulesTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    std::filesystem::current_path(KF_SOURCE_DIR);
    testing::internal::CaptureStdout();
    Kelpforge::Graphics::LoadSpriteSheet(RallyCourt::kSpriteSheetName, RallyCourt::kSpriteSheetPath);
    Kelpforge::Audio::kfImplementation::ResetAudioState();
    Kelpforge::Audio::kfImplementation::SetAudioOutput(&courtAudio);
    RallyCourt::LoadCourtSounds();
    testing::internal::GetCapturedStdout();
  }
  static void TearDownTestSuite() {
    Kelpforge::Audio::kfImplementation::ResetAudioState();
    Kelpforge::Audio::kfImplementation::SetAudioOutput(nullptr);
  }
  inline static Kelpforge::Audio::kfImplementation::ScriptedAudioOutput courtAudio;
  void SetUp() override {
    RallyCourt::theRandom = RallyCourt::Random{};
    Kelpforge::Audio::SetMuted(false);
  }
};

}  // namespace KelpforgeTests
