// Shared set-up for the game's rule tests: runs from the repository root (the game reads data/
// relative to the working directory), loads the prototype sheet once and restarts the game's
// random generator, so every test deals the same serves.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/random.h"

namespace KelpforgeTests {

class GameRulesTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    std::filesystem::current_path(KF_SOURCE_DIR);
    testing::internal::CaptureStdout();
    Kelpforge::Graphics::LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
    testing::internal::GetCapturedStdout();
  }
  void SetUp() override { RallyCourt::theRandom = RallyCourt::Random{}; }
};

}  // namespace KelpforgeTests
